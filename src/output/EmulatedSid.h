#pragma once
// TEmulatedSid: the software SID as an output device, for computers without a SID card. It
// offers two chips, a 6581 and an 8580, which share one sound output; only the chip the write
// stream uses is clocked. Each plays every SID of a tune for two or three, mixed to stereo (or
// mono, as the settings say): the first SID is of the chip's model, another of the model its
// header names for it when that differs from the first's. Time comes from the sound card: a delay runs the chip for those cycles
// and queues its samples, and the queue holds the player back while it holds the latency's
// worth, as a card's buffer does.
//
// StartOutput opens the sound output and a reset with flag 1 (Stop) closes it, both while no
// playback runs; in between only the player thread uses it (the level display asks for the
// latency). Until it is open the chips take their writes, but nothing is heard, nothing is
// paced and nothing is read back: the device then stands aside like a card without a buffer.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/SoundOutput.h"
#include "output/SidDevice.h"
#include "sid/SidMix.h"

class TEmulatedSid : public TSidDevice {
 public:
  static constexpr int32_t ChipCount = 2;
  // The chip is run at most this many cycles (about 2 ms) before its samples are queued.
  static constexpr uint32_t StepCycles = 2048;
  // What the chip plays unheard after registers were replayed onto it: longer than the
  // resampler's delay, so that a jump in its state falls before it is heard again.
  static constexpr uint32_t SettleCycles = 40960;
  // Then its sound fades in over this long, whatever the output queued before.
  static constexpr int FadeInMs = 5;

  explicit TEmulatedSid(TCounterRead counter = nullptr);
  ~TEmulatedSid() override;

  bool Write(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t value) override;
  bool Read(int32_t chip, uint8_t reg, uint32_t cycles, uint8_t& value) override;
  void PrepareRead(int32_t, uint8_t) override {}
  // The chip runs at the PAL or NTSC clock at once, as a card that switches its oscillator.
  void SetPal(int32_t chip, bool pal) override;
  int32_t Count() const override { return ChipCount; }
  std::string GetName(int32_t chip) const override;
  // What is queued ahead of the speaker now, in counter ticks.
  int64_t GetLatency(int32_t chip) const override;
  std::string DetectModel(int32_t chip) override;
  void Silence(int32_t chip) override;
  void ResetAll(uint8_t flag, int32_t keepChip) override;
  bool ResetDevice(int32_t chip, uint8_t flag) override;
  int64_t MeasureLatency(int32_t chip) override { return GetLatency(chip); }
  void ClearBuffer(int32_t chip) override;
  // After a device switch or a mute the chip holds registers it has not played yet.
  void Commit(int32_t chip) override;
  int32_t Delay(int32_t chip, int32_t cycles) override;
  void SetPendingCycles(int32_t, uint32_t) override {}
  // Software chips are never the recommendation: a card listed before them is, and without one
  // the list's first entry, the 6581, plays.
  int32_t PreferredDevice() const override { return -1; }
  bool HandlesIdleDelay(int32_t) const override { return Heard(); }
  bool ReadsBack(int32_t) const override { return Heard(); }
  // Opens the sound output with the settings of this moment; an output that is open and well
  // keeps playing unless the rate or latency setting changed.
  bool StartOutput(int32_t chip, std::string& error) override;
  void SetFastForward(int32_t, bool fastForward) override;
  bool EmulatedModel(int32_t chip, TSidModel& model) const override;
  // Plays a tune's SIDs itself: their registers arrive as SID × 32 + register.
  int32_t ChipFor(int32_t chip, int32_t) const override { return Valid(chip) ? chip : -1; }
  void UseChips(int32_t chip, const TTuneSids& sids) override;

  // True while the sound output plays what the chips produce.
  bool Heard() const { return Ready.load(std::memory_order_acquire); }
  const TSoundOutput& Sound() const { return Output; }

 private:
  // How a chip is built; a chip whose build differs from the wanted one is built again.
  struct TBuild {
    double ClockSeconds = 0;
    int SampleRate = 0;
    TFilterCurve6581 FilterCurve = TFilterCurve6581::Average;
    bool DigiBoost = false;
    TSidMixLayout Layout = TSidMixLayout::Stereo;
    bool operator==(const TBuild&) const = default;
  };
  struct TChip {
    TSidModel Model;
    TTuneSids Sids;
    std::unique_ptr<TSidMix> Mix;
    TBuild Build;
    // The registers of every SID as written, for a chip built again.
    std::array<uint8_t, TSidChip::Registers * TSidMix::MaxChips> Registers{};
    bool Settling = false;
  };
  // The output settings the open sound output was asked for.
  struct TRequest {
    int Rate = 0;
    int LatencyMs = 0;
    int Channels = 2;
    bool operator==(const TRequest&) const = default;
  };

  bool Valid(int32_t chip) const { return chip >= 0 && chip < ChipCount; }
  TBuild WantedBuild() const;
  void BuildChip(TChip& chip, const TBuild& build);
  // Runs the chip for cycles and queues its samples; with wait, the queue waits while it is
  // full, else what does not fit is dropped.
  void Play(TChip& chip, uint32_t cycles, bool wait);
  // Fast forward: the chip plays on in real time, filling only the room the card has made.
  void PlayInRealTime(TChip& chip);
  void Settle(TChip& chip);
  // Frames the queue takes before it holds the latency's worth.
  int64_t Room() const;
  void Queue(size_t count, bool wait);
  void CloseOutput();

  std::array<TChip, ChipCount> Chips;
  TSoundOutput Output;
  TRequest Requested;
  // Written by StartOutput before Ready is raised; read by the player thread after it saw it.
  int SampleRate = 48000;
  TFilterCurve6581 FilterCurve = TFilterCurve6581::Average;
  bool DigiBoost = false;
  TSidMixLayout Layout = TSidMixLayout::Stereo;
  std::atomic<bool> Ready{false};
  std::atomic<bool> FastForward{false};
  // Samples still to be faded in after a settle, and the fade's length.
  int FadeInLeft = 0;
  int FadeInLength = 1;
  std::vector<float> Samples;
  std::vector<int16_t> Pcm;
};
