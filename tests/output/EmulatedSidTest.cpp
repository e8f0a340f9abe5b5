// The software SID as an output device, heard through SDL's disk driver: every frame the sound
// card would have played lands in a file, which the tests read back. The stream goes through
// the real writer as the player thread sends it; where it moves between a card and the
// software chip, the card is the simulated HardSID library the tests build.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/HeardSound.h"
#include "output/EmulatedSid.h"
#include "output/HardSID.h"
#include "output/SidWriter.h"
#include "output/simulated_hardsid/SimulatedHardSID.h"
#include "platform/DynamicLibrary.h"
#include "platform/ScratchRegistry.h"
#include "settings/Preferences.h"

namespace {

constexpr int kRate = 48000;
constexpr int kChannels = 2;
constexpr uint32_t kFrameCycles = 19656;
// A step between neighbouring samples above this is a click: three times the steepest step of
// the steady triangle both chips play below (130 on the 6581, 59 on the 8580); cutting the
// triangle off anywhere near its peak would step by thousands.
constexpr int kClickThreshold = 400;

// What the chip was given, in order: a delay (Reg -1, Value the cycles) or a register write.
struct TChipEvent {
  int32_t Reg;
  uint32_t Value;
};

class TWatchedSid : public TEmulatedSid {
 public:
  int32_t Delay(int32_t chip, int32_t cycles) override {
    if (Heard() && cycles > 0) Events.push_back({-1, uint32_t(cycles)});
    return TEmulatedSid::Delay(chip, cycles);
  }
  bool Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) override {
    Events.push_back({reg, value});
    return TEmulatedSid::Write(chip, reg, cycles, value);
  }
  std::vector<TChipEvent> Events;
};

// The chips' rendering of a stream in stereo at a clock, written as `vexlor-dump --audio` writes it.
std::vector<int16_t> Render(const std::vector<TChipEvent>& events, const std::vector<TSidModel>& models, double clockHz) {
  TSidConfig config;
  config.SampleRate = kRate;
  config.ClockHz = clockHz;
  TSidMix mix(config, models, TSidMixLayout::Stereo);
  std::vector<float> samples(mix.MaxFrames(kFrameCycles) * kChannels);
  std::vector<int16_t> pcm(samples.size()), rendered;
  for (const TChipEvent& event : events) {
    if (event.Reg == TSidWriter::DummyRegister) continue;
    if (event.Reg >= 0) {
      mix.Write(uint8_t(event.Reg), uint8_t(event.Value));
      continue;
    }
    for (uint32_t left = event.Value; left > 0;) {
      const uint32_t step = std::min(left, kFrameCycles);
      const size_t made = mix.Clock(step, samples.data()) * kChannels;
      ToPcm16(samples.data(), made, pcm.data());
      rendered.insert(rendered.end(), pcm.begin(), pcm.begin() + std::ptrdiff_t(made));
      left -= step;
    }
  }
  return rendered;
}

// A note on voice 1 that the writer keeps playing: each frame rewrites its frequency, which
// carries the frame's cycles to the chip.
struct TTone {
  void Start(TSidWriter& writer, uint8_t control) {
    for (const auto& [reg, value] : std::vector<std::pair<uint8_t, uint8_t>>{
             {24, 0x0F}, {0, 0x00}, {1, 0x1D}, {2, 0x00}, {3, 0x08}, {5, 0x00}, {6, 0xF0}, {4, control}})
      writer.WriteSid(reg, value, 12);
  }
  void Frames(TSidWriter& writer, int count) {
    for (int frame = 0; frame < count; ++frame) writer.WriteSid(1, 0x1D, kFrameCycles);
  }
};

class EmulatedSidTest : public ::testing::Test {
 protected:
  EmulatedSidTest() {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", (Folder / "heard.raw").c_str(), 1);
    // A latency that a busy machine cannot run dry.
    TPreferences().SetSidLatency(500);
  }
  ~EmulatedSidTest() override {
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    unsetenv(THardSID::LibraryVariable);
  }
  // Stereo frames: a tune of one SID is the same on both sides.
  std::vector<int16_t> Heard() const { return ReadSamples(Folder / "heard.raw"); }

  TScratchRegistry Registry;
  TScratchFolder Folder;
};

// A little tune on three voices with the filter, at each clock the chip can run at: everything
// the writer sent is heard, sample for sample as the chips render it at that clock, once the
// card has started. A tune for two SIDs plays the second on the right, of the model its header
// names: here the 8580 beside the 6581.
TEST_F(EmulatedSidTest, TheCardPlaysExactlyTheChipsRenderingOfTheStreamAtEachClock) {
  const struct {
    TClockMode Clock;
    TTuneSids Sids;
    std::vector<TSidModel> Models;
  } cases[] = {{TClockMode::Pal, {1, {1}}, {TSidModel::Mos6581}},
               {TClockMode::Ntsc, {1, {1}}, {TSidModel::Mos6581}},
               {TClockMode::OneMhz, {1, {1}}, {TSidModel::Mos6581}},
               {TClockMode::Pal, {2, {1, 2}}, {TSidModel::Mos6581, TSidModel::Mos8580}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "clock " << int(c.Clock) << ", " << c.Sids.Count << " SIDs");
    const std::string file = Folder / ("clock" + std::to_string(int(c.Clock)) + "-" + std::to_string(c.Sids.Count) + ".raw");
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    TWatchedSid* sid = nullptr;
    TDevices devices({{[&sid] {
      auto device = std::make_unique<TWatchedSid>();
      sid = device.get();
      return device;
    }}});
    devices.SetClock(0, c.Clock);
    std::string error;
    ASSERT_TRUE(devices.StartOutput(0, error)) << error;
    TSidWriter writer(devices);
    writer.SetChips(c.Sids);
    writer.SetSpeed(1);
    const uint8_t last = uint8_t((c.Sids.Count - 1) * TSidChip::Registers);
    for (const auto& [reg, value] : std::vector<std::pair<uint8_t, uint8_t>>{
             {24, 0x1F}, {23, 0xF1}, {21, 0x03}, {22, 0x30}, {5, 0x09}, {6, 0xA0}, {12, 0x22}, {13, 0x80},
             {19, 0x05}, {20, 0xC0}, {3, 0x06}, {10, 0x02}})
      writer.WriteSid(uint8_t(last + reg), value, 8);
    for (int frame = 0; frame < 40; ++frame) {
      const bool gate = frame % 8 < 6;
      writer.WriteSid(1, uint8_t(0x10 + frame % 5 * 3), kFrameCycles - 60);
      writer.WriteSid(uint8_t(last + 8), uint8_t(0x08 + frame % 3), 10);
      writer.WriteSid(uint8_t(last + 15), uint8_t(0x20 - frame % 7), 10);
      writer.WriteSid(2, uint8_t(frame * 9), 10);
      writer.WriteSid(uint8_t(last + 22), uint8_t(0x30 + frame), 10);
      writer.WriteSid(4, gate ? 0x41 : 0x40, 10);
      writer.WriteSid(uint8_t(last + 11), gate ? 0x21 : 0x20, 5);
      writer.WriteSid(uint8_t(last + 18), frame % 16 == 0 ? 0x11 : 0x10, 5);
    }
    WaitUntilDrained(sid->Sound());
    devices.ResetAll(1, 0);
    // A machine too busy to keep the sound card fed inserts silence: only an unbroken stream compares.
    if (sid->Sound().Underruns() > 1) GTEST_SKIP() << "the sound card ran dry during the stream (a busy machine)";

    const std::vector<int16_t> heard = ReadSamples(file);
    const std::vector<int16_t> rendered = Render(sid->Events, c.Models, 1.0 / CycleSeconds(c.Clock));
    // The last few milliseconds may still sit in the resampler when the stream ends, which
    // depends on the pieces it was fed in.
    const size_t heardStart = SoundStart(heard, 1), renderedStart = SoundStart(rendered, 1);
    const size_t compared = rendered.size() - renderedStart - kRate / 100 * kChannels;
    ASSERT_GT(compared, size_t(kRate / 2 * kChannels)) << "over half a second of sound";
    ASSERT_GE(heard.size() - heardStart, compared);
    const auto from = rendered.begin() + std::ptrdiff_t(renderedStart);
    const auto mismatch = std::mismatch(from, from + std::ptrdiff_t(compared), heard.begin() + std::ptrdiff_t(heardStart));
    EXPECT_EQ(mismatch.first, from + std::ptrdiff_t(compared)) << "differs at sample " << mismatch.first - from;
  }
}

// A pause, switches between the two software chips and to a card and back, and the stop: the
// sound fades out and in at each, and the card takes over the note the chip was playing.
TEST_F(EmulatedSidTest, PauseSwitchesAndStopFadeInsteadOfClicking) {
  platform::TDynamicLibrary simulation;
  ASSERT_TRUE(simulation.Open(HARDSID_LIBRARY_COMPLETE));
  reinterpret_cast<TSimulatedSetup>(simulation.Symbol("SimulatedHardSID_Setup"))(1, 0);
  setenv(THardSID::LibraryVariable, HARDSID_LIBRARY_COMPLETE, 1);
  TEmulatedSid* sid = nullptr;
  TDevices devices({{[] { return std::make_unique<THardSID>(); }}, {[&sid] {
                      auto device = std::make_unique<TEmulatedSid>();
                      sid = device.get();
                      return device;
                    }}});
  ASSERT_EQ(devices.GetName(0), "HardSID 4U 0");
  constexpr int32_t card = 0, mos6581 = 1, mos8580 = 2;
  std::string error;
  ASSERT_TRUE(devices.StartOutput(card, error)) << error;
  ASSERT_TRUE(sid->Heard()) << "starting on the card readies the software chips too";
  TSidWriter writer(devices);
  writer.SetSpeed(1);
  TTone tone;
  tone.Start(writer, 0x11);
  tone.Frames(writer, 10);
  // The 6581 has played nothing yet: heard at once, its volume's step would click.
  writer.RequestDevice(mos6581);
  tone.Frames(writer, 25);

  writer.Paused = true;
  writer.MuteAll();
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  writer.Paused = false;
  writer.UnmuteVoices({true, true, true, true});
  tone.Frames(writer, 15);
  for (const int32_t next : {mos8580, card, mos6581}) {
    writer.RequestDevice(next);
    tone.Frames(writer, 15);
  }
  writer.Flush();
  devices.Silence(mos6581);
  devices.ResetAll(1, mos6581);

  const auto count = reinterpret_cast<TSimulatedCallCount>(simulation.Symbol("SimulatedHardSID_CallCount"));
  const TSimulatedCall* calls = reinterpret_cast<TSimulatedCalls>(simulation.Symbol("SimulatedHardSID_Calls"))();
  bool cardGated = false;
  for (int32_t call = 0; call < count(); ++call)
    cardGated |= std::string(calls[call].Function) == "HardSID_Write" && calls[call].Reg == 4 && calls[call].Data == 0x11;
  EXPECT_TRUE(cardGated) << "the replay gates the note on the card";

  // The speaker was silent before the card took its first frames.
  std::vector<int16_t> heard = Heard();
  heard.insert(heard.begin(), kChannels, 0);
  ASSERT_LT(SoundStart(heard, kChannels), heard.size());
  EXPECT_LE(MaxStep(heard, kChannels), kClickThreshold);
  EXPECT_EQ(heard.back(), 0) << "the stop fades to silence";
  EXPECT_FALSE(sid->Heard()) << "the stop closed the sound output";
}

// A tune for two SIDs moves between the software chip and a card of two chips: each switch
// replays both chips, the note each was playing gated again on its own chip.
TEST_F(EmulatedSidTest, SwitchesBetweenTheSoftwareChipAndTwoCardChipsReplayEveryChip) {
  platform::TDynamicLibrary simulation;
  ASSERT_TRUE(simulation.Open(HARDSID_LIBRARY_COMPLETE));
  reinterpret_cast<TSimulatedSetup>(simulation.Symbol("SimulatedHardSID_Setup"))(2, 0);
  setenv(THardSID::LibraryVariable, HARDSID_LIBRARY_COMPLETE, 1);
  TWatchedSid* sid = nullptr;
  TDevices devices({{[] { return std::make_unique<THardSID>(); }}, {[&sid] {
                      auto device = std::make_unique<TWatchedSid>();
                      sid = device.get();
                      return device;
                    }}});
  constexpr int32_t card = 0, mos6581 = 2;
  std::string error;
  ASSERT_TRUE(devices.StartOutput(mos6581, error)) << error;
  TSidWriter writer(devices);
  writer.SetChips({2, {}});
  writer.SetSpeed(1);
  writer.SwitchDevice(mos6581);
  TTone first;
  first.Start(writer, 0x11);
  for (const auto& [reg, value] : std::vector<std::pair<uint8_t, uint8_t>>{{56, 0x0F}, {33, 0x30}, {38, 0xF0}, {36, 0x21}})
    writer.WriteSid(reg, value, 12);
  first.Frames(writer, 10);
  writer.RequestDevice(card);
  first.Frames(writer, 10);
  EXPECT_EQ(writer.ChipDevices(), (std::array<int32_t, 3>{0, 1, -1}));
  sid->Events.clear();
  writer.RequestDevice(mos6581);
  first.Frames(writer, 10);
  writer.Flush();
  devices.ResetAll(1, mos6581);

  const auto count = reinterpret_cast<TSimulatedCallCount>(simulation.Symbol("SimulatedHardSID_CallCount"));
  const TSimulatedCall* calls = reinterpret_cast<TSimulatedCalls>(simulation.Symbol("SimulatedHardSID_Calls"))();
  std::array<bool, 2> cardGated{};
  for (int32_t call = 0; call < count(); ++call) {
    const TSimulatedCall& c = calls[call];
    if (std::string(c.Function) == "HardSID_Write" && c.Reg == 4 && c.Device < 2)
      cardGated[size_t(c.Device)] |= c.Data == (c.Device == 0 ? 0x11 : 0x21);
  }
  EXPECT_EQ(cardGated, (std::array<bool, 2>{true, true})) << "each card chip takes its own SID's note";
  const auto replayed = [&sid](int32_t reg, uint32_t value) {
    return std::any_of(sid->Events.begin(), sid->Events.end(),
                       [&](const TChipEvent& event) { return event.Reg == reg && event.Value == value; });
  };
  EXPECT_TRUE(replayed(4, 0x11));
  EXPECT_TRUE(replayed(36, 0x21)) << "the software chip takes the second SID back as registers 32-63";
}

}  // namespace
