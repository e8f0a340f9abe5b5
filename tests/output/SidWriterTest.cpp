#include <gtest/gtest.h>

#include "output/RecordingDevice.h"
#include "output/SidWriter.h"

namespace {

struct TSidWrite {
  uint8_t Reg;
  uint8_t Value;
  uint32_t Cycles;
};

TDeviceCall W(int32_t reg, int64_t cycles, int32_t value, int32_t chip = 0) {
  return {"Write", chip, reg, cycles, value};
}
TDeviceCall D(int64_t cycles) { return {"Delay", 0, -1, cycles}; }
TDeviceCall Dummy(int64_t cycles) { return W(TSidWriter::DummyRegister, cycles, 0); }

// Counter ticks of n PAL cycles as the delay line computes them.
int64_t PalTicks(int64_t cycles) { return int64_t(1e9 * (1.0 / 985248.4444) * double(cycles)); }

// One driver with two chips behind a stream on a counter that only the test moves.
class SidWriterTest : public ::testing::Test {
 protected:
  SidWriterTest() {
    TFakeClock::Step = 0;
    Writer->SetSpeed(1);
    Chip->Log.clear();
  }
  void Play(const std::vector<TSidWrite>& writes) {
    for (const TSidWrite& write : writes) Writer->WriteSid(write.Reg, write.Value, write.Cycles);
  }
  void StartSound() {
    Play({{4, 0x01, 1}});
    Chip->Log.clear();
  }
  std::vector<TDeviceCall> ChipLog(int32_t chip) const {
    std::vector<TDeviceCall> log;
    for (const TDeviceCall& call : Chip->Log)
      if (call.Chip == chip) log.push_back(call);
    return log;
  }

  TRecordingHost Host;
  TRecordingDevice* Chip = nullptr;
  TDevices Devices{{{[this] {
    auto driver = std::make_unique<TRecordingDevice>(2);
    Chip = driver.get();
    return driver;
  }}}};
  std::unique_ptr<TSidWriter> Writer = std::make_unique<TSidWriter>(Devices, TFakeClock::Read);
};

TEST_F(SidWriterTest, StartOfSoundRule) {
  const struct {
    const char* Name;
    std::vector<TSidWrite> Writes;
    std::vector<TDeviceCall> Sent;
    bool Started;
  } cases[] = {
      {"set-up writes lose their gaps, a control write without gate keeps them",
       {{0, 0x10, 100}, {5, 0x22, 50}, {4, 0x40, 30}, {4, 0x00, 30}},
       {W(0, 0, 0x10), W(5, 0, 0x22), D(30), W(4, 30, 0x40), W(4, 0, 0)},
       false},
      {"the gate re-sends the volume that was held back as a repeat",
       {{24, 0x0F, 10}, {4, 0x11, 50}, {1, 0x20, 25}},
       {W(24, 0, 0x0F), D(50), W(4, 50, 0x11), D(25), W(1, 25, 0x20)},
       true},
      {"the re-sent volume keeps the filter mode bits",
       {{24, 0x3A, 10}, {24, 0x3A, 5}, {18, 0x08, 20}},
       {W(24, 0, 0x3A), W(24, 0, 0x3A), D(20), W(18, 20, 0x08)},
       true},
      {"three audible volume changes start timed output",
       {{24, 1, 9}, {24, 2, 9}, {24, 3, 9}, {24, 4, 77}, {0, 5, 33}},
       {W(24, 0, 1), W(24, 0, 2), W(24, 0, 3), D(77), W(24, 77, 4), D(33), W(0, 33, 5)},
       true},
      {"five edge volume changes start timed output",
       {{24, 0, 9}, {24, 15, 9}, {24, 0, 9}, {24, 15, 9}, {24, 0, 9}, {24, 15, 77}},
       {W(24, 0, 0), W(24, 0, 15), W(24, 0, 0), W(24, 0, 15), W(24, 0, 0), D(77), W(24, 77, 15)},
       true},
      {"four edge volume changes do not",
       {{24, 0, 9}, {24, 15, 9}, {24, 0, 9}, {24, 15, 9}, {24, 0, 77}},
       {W(24, 0, 0), W(24, 0, 15), W(24, 0, 0), W(24, 0, 15), W(24, 0, 0)},
       false},
      {"a repeated volume before sound reaches nobody", {{24, 15, 9}, {24, 15, 9}}, {}, false},
  };
  for (const auto& c : cases) {
    Writer->Reset();
    Chip->Log.clear();
    Play(c.Writes);
    EXPECT_EQ(Chip->Log, c.Sent) << c.Name;
    EXPECT_EQ(Writer->SoundStarted, c.Started) << c.Name;
  }
}

TEST_F(SidWriterTest, MutedChannelsAndFilterSwitchTurnWritesIntoDummies) {
  const struct {
    const char* Name;
    std::function<void(TSidWriter&)> Switch;
    std::vector<TSidWrite> Writes;
    std::vector<TDeviceCall> Sent;
  } cases[] = {
      {"voice 2 muted: its envelope registers pass",
       [](TSidWriter& w) { w.MuteVoice(2); },
       {{6, 1, 10}, {7, 1, 10}, {11, 1, 10}, {12, 1, 10}, {13, 1, 10}, {14, 1, 10}},
       {W(6, 10, 1), Dummy(10), Dummy(10), W(12, 10, 1), W(13, 10, 1), W(14, 10, 1)}},
      {"voice 3 muted",
       [](TSidWriter& w) { w.MuteVoice(3); },
       {{13, 1, 10}, {14, 1, 10}, {18, 1, 10}, {19, 1, 10}},
       {W(13, 10, 1), Dummy(10), Dummy(10), W(19, 10, 1)}},
      {"all muted: only the filter routing passes",
       [](TSidWriter& w) { w.MuteAll(); },
       {{0, 1, 10}, {5, 1, 10}, {23, 1, 10}, {21, 1, 10}},
       {Dummy(10), Dummy(10), W(23, 10, 1), Dummy(10)}},
      {"digi muted holds the volume at maximum and drops repeats",
       [](TSidWriter& w) { w.MuteVoice(4); },
       {{24, 0x3A, 10}, {24, 0x35, 10}, {24, 0x20, 10}, {4, 0x41, 10}},
       {W(24, 10, 0x3F), Dummy(10), W(24, 10, 0x2F), W(4, 10, 0x41)}},
      {"filter off drops the routing and strips the mode bits",
       [](TSidWriter& w) { w.FilterOff(); },
       {{23, 0xF7, 10}, {24, 0x1F, 10}, {22, 0x40, 10}},
       {Dummy(10), W(24, 10, 0x0F), W(22, 10, 0x40)}},
  };
  for (const auto& c : cases) {
    Writer->Reset();
    Writer->FilterOn();
    StartSound();
    c.Switch(*Writer);
    Chip->Log.clear();
    Play(c.Writes);
    EXPECT_EQ(Chip->Calls("Write"), c.Sent) << c.Name;
    EXPECT_EQ(Chip->Calls("Delay").size(), c.Writes.size()) << c.Name << ": the timing stays";
    for (const TSidWrite& write : c.Writes)
      EXPECT_NE(Writer->Shadow[write.Reg], 0) << c.Name << ": register " << int(write.Reg);
  }
}

TEST_F(SidWriterTest, MuteUnmuteAndFilterOperationsWriteStraightToTheChip) {
  Play({{4, 0x41, 1},
        {0, 0x11, 5},
        {1, 0x22, 5},
        {2, 0x33, 5},
        {3, 0x04, 5},
        {23, 0xF5, 5},
        {24, 0x1F, 5}});
  const struct {
    const char* Name;
    std::function<void(TSidWriter&)> Operation;
    std::vector<TDeviceCall> Sent;
  } cases[] = {
      {"mute voice 1", [](TSidWriter& w) { w.MuteVoice(1); }, {W(4, 0, 0), W(0, 0, 0), W(1, 0, 0)}},
      {"unmute voice 1",
       [](TSidWriter& w) {
         w.UnmuteVoices({true, false, false, false});
       },
       {W(4, 0, 0x41), W(0, 0, 0x11), W(1, 0, 0x22), W(2, 0, 0x33), W(3, 0, 0x04)}},
      {"filter off", [](TSidWriter& w) { w.FilterOff(); }, {W(23, 0, 0xF0)}},
      {"filter on", [](TSidWriter& w) { w.FilterOn(); }, {W(24, 0, 0x1F), W(23, 0, 0xF5)}},
      {"unmute digi",
       [](TSidWriter& w) {
         w.UnmuteVoices({false, false, false, true});
       },
       {W(24, 0, 0x1F)}},
  };
  for (const auto& c : cases) {
    Chip->Log.clear();
    c.Operation(*Writer);
    std::vector<TDeviceCall> expected = {{"ClearBuffer", 0}};
    expected.insert(expected.end(), c.Sent.begin(), c.Sent.end());
    expected.push_back({"Commit", 0});
    EXPECT_EQ(Chip->Log, expected) << c.Name;
  }
}

TEST_F(SidWriterTest, FastForwardSendsRepeatsAsDummiesAndRecordsNothing) {
  StartSound();
  Chip->Minimum = 4;
  Writer->Flush();
  Writer->SetSpeed(2);
  Chip->Log.clear();
  Play({{0, 0x10, 500}, {0, 0x10, 500}, {1, 0x00, 90}, {1, 0x01, 90}});
  EXPECT_EQ(Chip->Calls("Write"),
            (std::vector<TDeviceCall>{W(0, 4, 0x10), Dummy(4), Dummy(4), W(1, 4, 0x01)}));
  EXPECT_EQ(Chip->Calls("Delay"), std::vector<TDeviceCall>(4, D(4)));
  EXPECT_EQ(Writer->QueuedEntries(), 0u);
}

TEST_F(SidWriterTest, DelayLineReleasesEntriesWhenTheyAreHeard) {
  StartSound();
  Writer->Flush();
  Play({{0, 1, 1000}, {0, 2, 1000}, {0, 3, 1000}});
  // The first entry fell due at once when the second arrived.
  EXPECT_EQ(Writer->QueuedEntries(), 2u);
  EXPECT_EQ(Chip->PendingCycles, 2000u);
  const int64_t start = TFakeClock::Time;
  const struct {
    int64_t At;
    uint32_t Entries;
  } steps[] = {{PalTicks(1000) - 1, 2}, {PalTicks(1000), 1}, {2 * PalTicks(1000), 0}};
  for (const auto& step : steps) {
    TFakeClock::Time = start + step.At;
    Writer->Drain();
    EXPECT_EQ(Writer->QueuedEntries(), step.Entries) << step.At;
    EXPECT_EQ(Writer->QueuedCycles(), step.Entries * 1000) << step.At;
    EXPECT_EQ(Chip->PendingCycles, step.Entries * 1000) << step.At;
  }
}

TEST_F(SidWriterTest, FullDelayLineDropsOldestEntriesButKeepsEveryWriteAndTheTiming) {
  StartSound();
  Writer->Flush();
  constexpr uint32_t Writes = 70000;
  constexpr uint32_t Gap = 10;
  for (uint32_t i = 0; i < Writes; ++i) Writer->WriteSid(0, uint8_t(i), Gap);
  EXPECT_EQ(Chip->Calls("Write").size(), Writes);
  EXPECT_EQ(Writer->QueuedEntries(), TSidWriter::RingSize);
  const uint32_t queued = (Writes - 1) * Gap;
  EXPECT_EQ(Writer->QueuedCycles(), queued);
  const int64_t start = TFakeClock::Time;
  for (const uint32_t heard : {queued / 4, queued / 2, queued - 1000}) {
    TFakeClock::Time = start + PalTicks(heard);
    Writer->Drain();
    EXPECT_NEAR(double(Writer->QueuedCycles()), double(queued - heard), 100.0) << heard;
    EXPECT_EQ(Chip->PendingCycles, Writer->QueuedCycles());
  }
  TFakeClock::Time = start + PalTicks(queued) + 1'000'000;
  Writer->Drain();
  EXPECT_EQ(Writer->QueuedEntries(), 0u);
  EXPECT_EQ(Writer->QueuedCycles(), 0u);
}

TEST_F(SidWriterTest, NoteStartLightsTheVoiceWhenItIsHeard) {
  for (const bool muted : {false, true}) {
    Writer->Reset();
    if (muted) Writer->MuteVoice(1);
    Writer->VoiceLevel[0] = 0;
    Play({{1, 0x10, 10}, {0, 0x00, 10}, {5, 0x09, 10}, {4, 0x41, 1000}});
    Writer->Drain();
    EXPECT_EQ(Writer->VoiceLevel[0], 0) << "not before it is heard";
    TFakeClock::Time += PalTicks(1000);
    Writer->Drain();
    EXPECT_EQ(Writer->VoiceLevel[0], muted ? 0 : TSidWriter::NoteStartLevel) << muted;
    EXPECT_EQ(Writer->VoiceLevel[1], 0);
  }
}

TEST_F(SidWriterTest, DeviceSwitchReplaysTheShadowAndRegatesSoundingNotes) {
  const struct {
    const char* Name;
    std::vector<uint8_t> Controls;
    uint8_t SustainRelease;
    double Seconds;
    std::vector<TDeviceCall> ControlReplay;
  } cases[] = {
      {"held note", {0x41}, 0x00, 0.1, {W(4, 0, 0x41, 1)}},
      {"released note still sounding",
       {0x41, 0x40},
       0x0A,
       0.5,
       {W(4, 0, 0x41, 1), W(4, 0, 0x40, 1)}},
      {"released note finished", {0x41, 0x40}, 0x0A, 3.0, {W(4, 0, 0x40, 1)}},
  };
  for (const auto& c : cases) {
    Writer->Reset();
    Writer->SwitchDevice(0);
    Play({{1, 0x10, 10}, {5, 0x09, 10}, {6, c.SustainRelease, 10}, {23, 0xF1, 10}});
    for (const uint8_t control : c.Controls) Play({{4, control, 100}});
    TFakeClock::Time += 10'000'000;
    Writer->Drain();
    TFakeClock::Time += int64_t(c.Seconds * 1e9);
    Chip->Log.clear();
    Writer->RequestDevice(1);
    Play({{21, 0x07, 10}});
    EXPECT_EQ(Writer->CurrentDevice, 1) << c.Name;
    EXPECT_EQ(Chip->Calls("Silence"), (std::vector<TDeviceCall>{{"Silence", 0}})) << c.Name;
    std::vector<TDeviceCall> expected = {W(5, 0, 0x09, 1), W(6, 0, c.SustainRelease, 1),
                                         W(12, 0, 0, 1),   W(13, 0, 0, 1),
                                         W(19, 0, 0, 1),   W(20, 0, 0, 1),
                                         W(0, 0, 0, 1),    W(1, 0, 0x10, 1)};
    expected.insert(expected.end(), c.ControlReplay.begin(), c.ControlReplay.end());
    for (const int32_t reg : {7, 8, 11, 14, 15, 18, 3, 2, 10, 9, 17, 16})
      expected.push_back(W(reg, 0, 0, 1));
    for (const auto& [reg, value] :
         std::vector<std::pair<int32_t, int32_t>>{{21, 7}, {22, 0}, {24, 0x0F}, {23, 0xF1}})
      expected.push_back(W(reg, 0, value, 1));
    std::vector<TDeviceCall> replay = ChipLog(1);
    ASSERT_FALSE(replay.empty()) << c.Name;
    EXPECT_EQ(replay.back(), (TDeviceCall{"Commit", 1})) << c.Name;
    replay.pop_back();
    EXPECT_EQ(replay, expected) << c.Name;
  }
}

TEST_F(SidWriterTest, StereoCatweaselPartnerKeepsPlayingThroughASwitch) {
  const struct {
    const char* Name;
    bool Stereo;
    int32_t From, To;
    std::vector<int32_t> Silenced;
  } cases[] = {
      {"Catweasel4", true, 0, 1, {2, 3}},
      {"Catweasel4", true, 1, 2, {0, 1}},
      {"Catweasel4", false, 0, 1, {0, 2, 3}},
      {"HardSID", true, 0, 1, {0, 2, 3}},
  };
  for (const auto& c : cases) {
    TRecordingDevice* driver = nullptr;
    TDevices devices({{[&] {
      auto created = std::make_unique<TRecordingDevice>(4, c.Name);
      driver = created.get();
      return created;
    }}});
    TSidWriter writer(devices, TFakeClock::Read);
    writer.SwitchDevice(c.From);
    driver->Log.clear();
    Mk4StereoPlayback = c.Stereo;
    writer.SwitchDevice(c.To);
    Mk4StereoPlayback = false;
    std::vector<int32_t> silenced;
    for (const TDeviceCall& call : driver->Calls("Silence")) silenced.push_back(call.Chip);
    EXPECT_EQ(silenced, c.Silenced) << c.Name << " " << c.Stereo << " " << c.From << "->" << c.To;
  }
}

TEST_F(SidWriterTest, ReadsAndIdleStretchesReachTheChipWithTheirCycles) {
  Chip->ReadValue = [](int) { return uint8_t(0x9C); };
  uint8_t value = 0;
  Writer->ReadSid(27, 50, value);
  EXPECT_EQ(value, 0x9C);
  EXPECT_EQ(Chip->Log,
            (std::vector<TDeviceCall>{{"PrepareRead", 0, 27}, D(50), {"Read", 0, 27, 50}}));

  for (const bool buffered : {false, true}) {
    Chip->Log.clear();
    Chip->Buffered = buffered;
    Chip->DelayResult = 3;
    EXPECT_EQ(Writer->IdleDelay(17691), buffered ? 3 : 0);
    const std::vector<TDeviceCall> sent =
        buffered ? std::vector<TDeviceCall>{D(17691), Dummy(17691)} : std::vector<TDeviceCall>{};
    EXPECT_EQ(Chip->Log, sent) << buffered;
  }
}

// A tune for several SIDs on a card of four chips: the stream numbers chip n's register r as
// n × 32 + r, and the chips that follow the current one play the tune's others.
class MultiSidWriterTest : public ::testing::Test {
 protected:
  MultiSidWriterTest() {
    TFakeClock::Step = 0;
    Writer.SetChips({2, {}});
    Writer.SetSpeed(1);
    Card->Log.clear();
  }
  void Play(const std::vector<TSidWrite>& writes) {
    for (const TSidWrite& write : writes) Writer.WriteSid(write.Reg, write.Value, write.Cycles);
  }

  TRecordingHost Host;
  TRecordingDevice* Card = nullptr;
  TDevices Devices{{{[this] {
    auto driver = std::make_unique<TRecordingDevice>(4);
    Card = driver.get();
    return driver;
  }}}};
  TSidWriter Writer{Devices, TFakeClock::Read};
};

TEST_F(MultiSidWriterTest, EachChipsWritesReachItsOwnDevice) {
  const struct {
    const char* Name;
    int32_t Chips, Device;
    std::vector<TSidWrite> Writes;
    std::vector<TDeviceCall> Sent;
  } cases[] = {
      {"two chips", 2, 0, {{4, 0x41, 10}, {36, 0x11, 20}, {56, 0x0F, 30}},
       {W(4, 10, 0x41, 0), W(4, 20, 0x11, 1), W(24, 30, 0x0F, 1)}},
      {"three chips from the second", 3, 1, {{95, 1, 10}, {63, 2, 10}, {31, 3, 10}},
       {W(31, 10, 1, 3), W(31, 10, 2, 2), W(31, 10, 3, 1)}},
      {"a card without chips for all plays only the first", 3, 2, {{68, 0x41, 10}, {36, 0x41, 20}, {4, 0x21, 30}},
       {W(30, 10, 0, 2), W(30, 20, 0, 2), W(4, 30, 0x21, 2)}},
  };
  for (const auto& c : cases) {
    Writer.SetChips({c.Chips, {}});
    Writer.SwitchDevice(c.Device);
    Writer.Reset();
    Play({{4, 0x01, 1}});
    Card->Log.clear();
    Play(c.Writes);
    EXPECT_EQ(Card->Calls("Write"), c.Sent) << c.Name;
  }
}

TEST_F(MultiSidWriterTest, VolumeRegistersOfTwoChipsAreWatchedApart) {
  Play({{24, 0x0F, 10}, {56, 0x1F, 10}, {24, 0x0F, 10}, {56, 0x1F, 10}, {24, 0x0F, 10}, {56, 0x1F, 10}});
  EXPECT_FALSE(Writer.SoundStarted) << "two steady volumes are no sample player";
  Card->Log.clear();
  Play({{36, 0x41, 50}});
  EXPECT_TRUE(Writer.SoundStarted);
  EXPECT_EQ(Card->Calls("Write"), (std::vector<TDeviceCall>{W(24, 0, 0x0F, 0), W(24, 0, 0x1F, 1), W(4, 50, 0x41, 1)}))
      << "the gate re-sends each chip's own volume";
}

TEST_F(MultiSidWriterTest, MutesFilterAndLevelsActOnTheSameVoiceOfEveryChip) {
  Play({{4, 0x41, 1}, {23, 0xF1, 5}, {55, 0xF2, 5}, {24, 0x1F, 5}, {56, 0x2F, 5}});
  Card->Log.clear();
  Writer.MuteVoice(2);
  Writer.FilterOff();
  Play({{39, 0x10, 5}, {45, 0x05, 5}, {55, 0xF4, 5}});
  EXPECT_EQ(Card->Calls("Write"),
            (std::vector<TDeviceCall>{W(11, 0, 0, 0), W(11, 0, 0, 1), W(7, 0, 0, 0), W(7, 0, 0, 1), W(8, 0, 0, 0),
                                      W(8, 0, 0, 1), W(23, 0, 0xF0, 0), W(23, 0, 0xF0, 1), Dummy(5),
                                      W(13, 5, 0x05, 1), Dummy(5)}));
  for (const int32_t chip : {0, 1}) {
    EXPECT_EQ(Card->Calls("Commit").at(size_t(chip)).Chip, chip);
  }
  Writer.FilterOn();
  Writer.Reset();
  Writer.VoiceLevel[2] = 0;
  Play({{4, 0x01, 1}, {79, 0x10, 10}, {82, 0x41, 1000}});
  TFakeClock::Time += PalTicks(2000);
  Writer.Drain();
  EXPECT_EQ(Writer.VoiceLevel[2], 0) << "a third chip the tune does not have";
  Writer.SetChips({3, {}});
  Writer.Reset();
  Play({{4, 0x01, 1}, {79, 0x10, 10}, {82, 0x41, 1000}});
  TFakeClock::Time += PalTicks(2000);
  Writer.Drain();
  EXPECT_EQ(Writer.VoiceLevel[2], TSidWriter::NoteStartLevel) << "voice 3 of the third chip lights bar 3";
}

TEST_F(MultiSidWriterTest, DeviceSwitchReplaysEveryChipOnTheNewChips) {
  Play({{1, 0x11, 10}, {33, 0x22, 10}, {4, 0x41, 10}, {36, 0x21, 10}});
  Card->Log.clear();
  Writer.RequestDevice(2);
  Play({{21, 0x07, 10}});
  EXPECT_EQ(Writer.ChipDevices(), (std::array<int32_t, 3>{2, 3, -1}));
  std::vector<int32_t> silenced;
  for (const TDeviceCall& call : Card->Calls("Silence")) silenced.push_back(call.Chip);
  EXPECT_EQ(silenced, (std::vector<int32_t>{0, 1}));
  const auto replayed = [this](int32_t chip, int32_t reg) {
    for (const TDeviceCall& call : Card->Calls("Write"))
      if (call.Chip == chip && call.Reg == reg && call.Cycles == 0) return call.Value;
    return -1;
  };
  EXPECT_EQ(replayed(2, 1), 0x11);
  EXPECT_EQ(replayed(3, 1), 0x22);
  EXPECT_EQ(replayed(2, 4), 0x41);
  EXPECT_EQ(replayed(3, 4), 0x21);
  EXPECT_EQ(Card->Calls("Write").front(), W(21, 10, 0x07, 0)) << "the switch follows the write that carried it";
}

TEST(SidWriterNotes, TablesFollowTheEqualTemperedFormulaAndRepeatPastTheTop) {
  const TNoteTable& pal = TSidWriter::NoteTable(false);
  const TNoteTable& ntsc = TSidWriter::NoteTable(true);
  EXPECT_EQ(std::vector<uint16_t>(pal.begin(), pal.begin() + 3),
            (std::vector<uint16_t>{278, 295, 313}));
  EXPECT_EQ(std::vector<uint16_t>(ntsc.begin(), ntsc.begin() + 3),
            (std::vector<uint16_t>{268, 284, 301}));
  EXPECT_EQ(std::vector<uint16_t>(pal.end() - 3, pal.end()), (std::vector<uint16_t>(3, 63504)));
  EXPECT_LT(ntsc[94], 64815);
  EXPECT_EQ(std::vector<uint16_t>(ntsc.end() - 2, ntsc.end()), (std::vector<uint16_t>(2, 64815)));
  EXPECT_EQ(pal[57], 7493) << "A4 at 440 Hz";
  EXPECT_TRUE(std::is_sorted(pal.begin(), pal.end()));
}

TEST_F(SidWriterTest, SemitoneDistanceUsesTheTableOfTheChipsClock) {
  const struct {
    TClockMode Mode;
    uint32_t First, Second;
    int32_t Distance;
  } cases[] = {
      {TClockMode::Pal, 278, 290, 1}, {TClockMode::Ntsc, 268, 295, 2},
      {TClockMode::Pal, 268, 295, 1}, {TClockMode::Pal, 7493, 278, 57},
      {TClockMode::Pal, 65535, 0, 0}, {TClockMode::OneMhz, 268, 295, 1},
  };
  for (const auto& c : cases) {
    Devices.SetClock(0, c.Mode);
    EXPECT_EQ(Writer->SemitoneDistance(c.First, c.Second), c.Distance)
        << c.First << " " << c.Second;
    EXPECT_EQ(Writer->SemitoneDistance(c.Second, c.First), c.Distance);
  }
}

}  // namespace
