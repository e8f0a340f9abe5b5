#pragma once
// The SID write stream: every register write of the emulated C64 passes here on its way to the
// current output chip. It applies the voice mutes, the filter switch and the start-of-sound
// rule, keeps a shadow of the chip's registers for device switches, and records what it sent
// in a delay line that the level display plays back in real time.
//
// A tune may play two or three SID chips. The stream numbers register r of chip n (from 0) as
// n × 32 + r; the current device plays the first chip and the driver names the chips that play
// the others (the next chips of a card, or the same device when it plays several itself).
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "output/Devices.h"
#include "output/SidReadback.h"
#include "output/SidSink.h"

using TNoteTable = std::array<uint16_t, 97>;

class TSidWriter : public TSidSink {
 public:
  static constexpr uint32_t RingSize = 65536;
  // Marks a delay-line entry that carries only time.
  static constexpr uint8_t PauseEntry = 255;
  // A register without effect on the chip; writing it carries a delay to the device.
  static constexpr uint8_t DummyRegister = 30;
  // A voice level that means "a note has just started".
  static constexpr int32_t NoteStartLevel = 69;
  static constexpr int32_t MaxChips = 3;
  static constexpr uint8_t ChipRegisters = 32;

  explicit TSidWriter(TDevices& devices, TCounterRead counter = nullptr);

  bool WriteSid(uint8_t reg, uint8_t value, uint32_t cycles) override;
  void ReadSid(uint8_t reg, uint32_t cycles, uint8_t& value) override;
  // Hands a long stretch without SID accesses to a chip that keeps time itself.
  int32_t IdleDelay(uint32_t cycles);
  // The model whose answers a tune reads while the device can give none and is no software
  // chip itself (6581 until set).
  void SetReadbackModel(TSidModel model) { ReadbackModel = model; }

  // The SIDs the tune plays; the stream's devices follow at the next write.
  void SetChips(const TTuneSids& sids);
  // The device list index that plays each of the tune's chips, −1 for a chip no device plays
  // (the current device has no partner for it).
  std::array<int32_t, MaxChips> ChipDevices();

  void Reset();
  // The start-of-sound rule begins again, as for a tune that restarts its music.
  void RestartSoundRule();
  // True while no chip's volume register has been written with anything but 0.
  bool VolumeUnset() const;
  void SetSpeed(int32_t speed);
  void Flush();
  void MuteAll();
  // Voice 1..3, or 4 for the digi channel (samples through the volume register).
  void MuteVoice(int32_t channel);
  // true = unmute: voice 1, voice 2, voice 3, digi.
  void UnmuteVoices(const std::array<bool, 4>& unmute);
  void FilterOff();
  void FilterOn();
  void RequestDevice(int32_t index);
  void SwitchDevice(int32_t index);

  // Plays the delay line up to the present (the level display's thread).
  void Drain();
  // The note table used to measure pitch jumps, for a C64 clock.
  static const TNoteTable& NoteTable(bool ntsc);
  // Distance in semitones between two SID frequency values.
  int32_t SemitoneDistance(uint32_t first, uint32_t second) const;
  // True when the voice's (0..2) last note on the chip has run through attack, decay and release.
  bool EnvelopeFinished(int32_t voice, int32_t chip) const;
  // Silences every device that plays one of the tune's chips.
  void SilenceChips();

  uint32_t QueuedEntries() const;
  uint32_t QueuedCycles() const;

  // Shared with the tune driver, playback control and the level display.
  std::atomic<bool> Paused{false};
  std::atomic<bool> SoundStarted{false};
  std::array<uint8_t, 256> Shadow{};
  std::atomic<bool> SwitchPending{false};
  std::atomic<int32_t> CurrentDevice{0};
  std::atomic<int32_t> PendingDevice{0};
  std::array<std::atomic<int32_t>, 4> VoiceLevel{};
  bool FilterEnabled = true;

 private:
  // The start-of-sound rule's view of one chip's volume register.
  struct TVolumeWatch {
    std::atomic<int32_t> Audible{0};  // changes to a volume of 1..14
    std::atomic<int32_t> Edge{0};     // changes to 0 or 15
    uint8_t Last = 15;
    void Count(uint8_t value);
    bool Moving() const { return Audible > 2 || Edge > 4; }
  };
  // Where the tune's chips play: list indices (−1 none) for the device and the SIDs
  // they were found for.
  struct TRoute {
    std::array<int32_t, MaxChips> Device{-1, -1, -1};
    int32_t ForDevice = -1;
    TTuneSids ForSids{0, {}};
  };

  const TRoute& Route();
  TRoute FindRoute(int32_t index) const;
  TTuneSids RoutedSids(const TRoute& route) const;
  // The device that plays a stream register's chip, −1 for none.
  static int32_t DeviceOf(const TRoute& route, uint8_t reg);
  // The register a device gets for a stream register: a device that plays several of the
  // tune's chips itself keeps the chip number, one chip of a card gets the chip's register.
  static uint8_t DeviceRegister(const TRoute& route, uint8_t reg);
  // Each device of the route once.
  template <typename TOperation>
  void ForEachDevice(const TRoute& route, TOperation operation);
  void ClearQueue();
  void SendWrite(uint8_t reg, uint32_t cycles, uint8_t value);
  void SendToDevice(uint8_t reg, uint32_t cycles, uint8_t value);
  void SendDummy(uint32_t cycles);
  void WriteNow(uint8_t reg, uint8_t value);
  void WriteShadowNow(uint8_t reg, uint8_t mask = 0xFF);
  void CommitChips();
  bool Passes(uint8_t reg) const;
  void QueueWrite(uint8_t reg, uint8_t value, uint32_t cycles);
  void DropOldestEntry();
  int64_t Ticks(uint32_t cycles) const;
  int64_t DueAfter(uint32_t cycles) const { return DrainBase + Ticks(cycles); }
  // The readbacks of the chips other than the written or read one let the cycles pass.
  void PassOtherReadbacks(uint8_t reg, uint32_t cycles);
  uint8_t ReadbackAnswer(uint8_t reg, uint32_t cycles);
  void ProcessDueWrite(uint8_t reg, uint8_t value);
  bool DetectNoteStart(int32_t first, int32_t voice);
  void ResetVoiceMarks(int32_t firstReg, int32_t count);
  void ShiftHistory(uint8_t reg);
  double Age(int32_t newer, int32_t older, uint8_t reg) const;
  void RaiseLevel(int32_t channel);
  void ReplayShadow(const TRoute& route);
  void ReplayChip(const TRoute& route, int32_t chip);
  void SilenceVoice(int32_t voice);

  TCounterRead Counter;
  int64_t Frequency;
  std::atomic<int32_t> Speed{0};
  int64_t DrainBase = 0;
  std::array<uint8_t, RingSize> RingReg{};
  std::array<uint8_t, RingSize> RingValue{};
  std::array<uint32_t, RingSize> RingDelta{};
  uint32_t Head = 0;
  uint32_t Tail = 0;
  uint32_t PendingCycles = 0;
  int32_t Count = 0;
  // Guards the delay line between the player thread (append) and the level display (drain).
  mutable std::mutex StreamLock;
  TDevices& Devices;
  std::array<std::atomic<bool>, 4> Muted{};
  std::array<std::array<int64_t, 256>, 5> WriteTime{};
  std::array<uint8_t, 256> MarkValue{};
  std::array<uint8_t, 256> LastValue{};
  std::array<std::atomic<uint64_t>, 256> WriteCount{};
  std::array<bool, 3 * MaxChips> GateSeen{};
  std::array<TVolumeWatch, MaxChips> Volume;
  TTuneSids Sids;
  TRoute Routing;
  // Follow every access of the tune with the cycles the C64 spent, whatever reaches the device:
  // one chip each.
  std::array<TSidReadback, MaxChips> Readback;
  TSidModel ReadbackModel = TSidModel::Mos6581;
};
