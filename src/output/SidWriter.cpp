#include "output/SidWriter.h"

#include <cmath>
#include <cstdlib>

#include "output/DeviceHost.h"
#include "platform/Clock.h"

namespace {

constexpr uint32_t RingMask = TSidWriter::RingSize - 1;
constexpr uint8_t VolumeRegister = 24;
constexpr uint8_t FilterRouting = 23;
constexpr uint8_t GateBit = 0x01;
constexpr uint8_t TestBit = 0x08;
constexpr uint8_t GateOrTest = GateBit | TestBit;
// Writes to a pulse-width register counted before its fast changes may mean a new note.
constexpr uint64_t SettledWriteCount = 5;
constexpr uint64_t WriteCountLimit = 128;

// The SID data sheet's envelope rates in seconds, by the attack and by the decay/release nibble.
constexpr std::array<float, 16> AttackSeconds = {0.002f, 0.008f, 0.016f, 0.024f, 0.038f, 0.056f,
                                                 0.068f, 0.080f, 0.100f, 0.250f, 0.500f, 0.800f,
                                                 1.0f,   3.0f,   5.0f,   8.0f};
constexpr std::array<float, 16> DecaySeconds = {0.006f, 0.024f, 0.048f, 0.072f, 0.114f, 0.168f,
                                                0.204f, 0.240f, 0.300f, 0.750f, 1.5f,   2.4f,
                                                3.0f,   9.0f,   15.0f,  24.0f};

bool IsControlRegister(uint8_t reg) { return reg == 4 || reg == 11 || reg == 18; }
bool IsPulseLowRegister(uint8_t reg) { return reg == 2 || reg == 9 || reg == 16; }

// Voice 1..3 owning a register, 0 for the filter, volume and read-only registers.
int32_t VoiceOf(uint8_t reg) { return reg <= 20 ? reg / 7 + 1 : 0; }

// Equal-tempered notes from C0 (16.3516 Hz) upwards as SID frequency values for a clock; notes
// too high for the 16-bit register repeat the highest one that fits.
TNoteTable BuildNoteTable(double clockHz) {
  TNoteTable table{};
  uint16_t highest = 0;
  for (size_t note = 0; note < table.size(); ++note) {
    const double hz = 16.3516 * std::pow(2.0, double(note) / 12.0);
    const double value = std::round(hz * 16777216.0 / clockHz);
    if (value <= 65535.0) highest = uint16_t(value);
    table[note] = highest;
  }
  return table;
}

}  // namespace

const TNoteTable& TSidWriter::NoteTable(bool ntsc) {
  static const TNoteTable pal = BuildNoteTable(985248.44);
  static const TNoteTable ntscTable = BuildNoteTable(1022727.21);
  return ntsc ? ntscTable : pal;
}

TSidWriter::TSidWriter(TDevices& devices, TCounterRead counter)
    : Counter(counter ? counter : platform::QueryCounter),
      Frequency(platform::CounterFrequency()),
      Devices(devices) {
  Reset();
}

uint32_t TSidWriter::QueuedEntries() const {
  std::lock_guard<std::mutex> guard(StreamLock);
  return uint32_t(Count);
}

uint32_t TSidWriter::QueuedCycles() const {
  std::lock_guard<std::mutex> guard(StreamLock);
  return PendingCycles;
}

void TSidWriter::Reset() {
  Flush();
  Paused = false;
  for (std::atomic<bool>& muted : Muted) muted = false;
  // The delay line is empty now, so the level display no longer touches these histories.
  GateSeen = {};
  LastValue = {};
  MarkValue = {};
  Shadow = {};
  WriteTime = {};
  for (std::atomic<uint64_t>& count : WriteCount) count.store(0, std::memory_order_relaxed);
  Readback.Reset();
  SoundStarted = false;
  AudibleVolumeCount = 0;
  EdgeVolumeCount = 0;
  LastVolume = 15;
  if (SwitchPending) {
    SwitchDevice(PendingDevice);
    SwitchPending = false;
  }
}

void TSidWriter::SetSpeed(int32_t speed) {
  Speed = speed;
  Devices.SetFastForward(speed > 1);
  std::lock_guard<std::mutex> guard(StreamLock);
  WriteTime = {};
}

void TSidWriter::ClearQueue() {
  {
    std::lock_guard<std::mutex> guard(StreamLock);
    Count = 0;
    Head = Tail = 0;
    PendingCycles = 0;
    DrainBase = 0;
  }
  Devices.SetPendingCycles(CurrentDevice, 0);
}

void TSidWriter::Flush() {
  ClearQueue();
  Devices.ClearBuffer(CurrentDevice);
}

void TSidWriter::CountVolume(uint8_t value) {
  const uint8_t volume = value & 0x0F;
  if (volume == 0 || volume == 15)
    ++EdgeVolumeCount;
  else
    ++AudibleVolumeCount;
}

// Until the tune makes its first audible move its set-up writes go out without their gaps, so
// a long silent initialisation does not delay the first note. A gated (or test-bit) note, or a
// volume register that keeps changing like a sample player's, starts the timed output.
bool TSidWriter::WriteSid(uint8_t reg, uint8_t value, uint32_t cycles) {
  Readback.Write(cycles, reg, value);
  if (Speed > 1) cycles = Devices.MinimumCycles(CurrentDevice);
  if (!SoundStarted) {
    const bool volumeMoves = AudibleVolumeCount > 2 || EdgeVolumeCount > 4;
    if (volumeMoves && reg == VolumeRegister) {
      SoundStarted = true;
      SendWrite(reg, cycles, value);
      return true;
    }
    if (reg == VolumeRegister) {
      if (value == LastVolume) return true;
      CountVolume(value);
      LastVolume = value;
      SendWrite(VolumeRegister, 0, value);
      return true;
    }
    if (value == 0 || !IsControlRegister(reg)) cycles = 0;
    if (IsControlRegister(reg) && (value & GateOrTest) != 0) {
      // The tune may have set its volume while the rule held such writes back as repeats.
      SendWrite(VolumeRegister, 0, uint8_t((Shadow[VolumeRegister] & 0xF0) + (LastVolume & 0x0F)));
      SoundStarted = true;
    }
  }
  SendWrite(reg, cycles, value);
  if (reg == VolumeRegister && value != LastVolume) {
    if (AudibleVolumeCount < 10) CountVolume(value);
    LastVolume = value;
  }
  if (WriteCount[reg].load(std::memory_order_relaxed) < WriteCountLimit)
    WriteCount[reg].fetch_add(1, std::memory_order_relaxed);
  return true;
}

bool TSidWriter::Passes(uint8_t reg) const {
  if (reg == FilterRouting) return FilterEnabled;
  if (Muted[0] && Muted[1] && Muted[2] && Muted[3]) return false;
  // A muted voice keeps its envelope registers, so unmuting resumes with the right envelope.
  if (Muted[0] && reg <= 4) return false;
  if (Muted[1] && reg >= 7 && reg <= 11) return false;
  if (Muted[2] && reg >= 14 && reg <= 18) return false;
  return true;
}

void TSidWriter::SendToDevice(uint8_t reg, uint32_t cycles, uint8_t value) {
  QueueWrite(reg, value, cycles);
  Devices.Write(CurrentDevice, reg, cycles, value);
}

void TSidWriter::SendDummy(uint32_t cycles) {
  QueueWrite(PauseEntry, PauseEntry, cycles);
  Devices.Write(CurrentDevice, DummyRegister, cycles, 0);
}

void TSidWriter::SendWrite(uint8_t reg, uint32_t cycles, uint8_t value) {
  const bool digiMuted = Muted[3];
  if (reg == VolumeRegister) {
    if (cycles != 0) {
      // Holding the volume at maximum silences samples played through the volume register.
      if (digiMuted) value = uint8_t((value & 0xF0) + 15);
      if (!FilterEnabled) value &= 0x0F;
    } else if (digiMuted) {
      Shadow[VolumeRegister] = value;
      Devices.Delay(CurrentDevice, 0);
      QueueWrite(PauseEntry, PauseEntry, 0);
      Devices.Write(CurrentDevice, DummyRegister, 0, 0);
      return;
    }
  }
  bool pass = Passes(reg);
  if (Speed == 1)
    SharedNow.store(Counter(), std::memory_order_relaxed);
  else if (value == Shadow[reg])
    pass = false;  // fast forward skips what the chip already holds
  if (cycles > 0) Devices.Delay(CurrentDevice, int32_t(cycles));
  if (!pass)
    SendDummy(cycles);
  else if (digiMuted && reg == VolumeRegister && value == Shadow[VolumeRegister])
    SendDummy(cycles);
  else
    SendToDevice(reg, cycles, value);
  Shadow[reg] = value;
  if (SwitchPending) {
    SwitchDevice(PendingDevice);
    SwitchPending = false;
  }
}

void TSidWriter::ReadSid(uint8_t reg, uint32_t cycles, uint8_t& value) {
  const uint32_t elapsed = cycles;
  if (Speed > 1) cycles = Devices.MinimumCycles(CurrentDevice);
  if (cycles > 0) {
    Devices.PrepareRead(CurrentDevice, reg);
    Devices.Delay(CurrentDevice, int32_t(cycles));
  }
  Drain();
  Devices.Read(CurrentDevice, reg, cycles, value);
  if (Devices.ReadsBack(CurrentDevice)) {
    Readback.Pass(elapsed);
  } else {
    value = ReadbackAnswer(reg, elapsed);
  }
}

// A software chip that is not heard (its sound output closed) answers as its own model would.
uint8_t TSidWriter::ReadbackAnswer(uint8_t reg, uint32_t cycles) {
  TSidModel model = ReadbackModel;
  Devices.EmulatedModel(CurrentDevice, model);
  Readback.SetModel(model);
  return Readback.Read(cycles, reg);
}

int32_t TSidWriter::IdleDelay(uint32_t cycles) {
  if (Speed != 1 || !Devices.HandlesIdleDelay(CurrentDevice)) return 0;
  const int32_t result = Devices.Delay(CurrentDevice, int32_t(cycles));
  SendDummy(cycles);
  // The machine leaves these cycles out of its next access once the device has taken them.
  if (result > 0) Readback.Pass(cycles);
  return result;
}

void TSidWriter::QueueWrite(uint8_t reg, uint8_t value, uint32_t cycles) {
  Drain();
  if (Speed >= 2) return;  // the bars stand still while fast forwarding
  std::lock_guard<std::mutex> guard(StreamLock);
  if (Count == int32_t(RingSize)) DropOldestEntry();
  RingReg[Head] = reg;
  RingValue[Head] = value;
  RingDelta[Head] = cycles;
  PendingCycles += cycles;
  Devices.SetPendingCycles(CurrentDevice, PendingCycles);
  Head = (Head + 1) & RingMask;
  ++Count;
}

// A full line is more than 65,536 writes ahead of what is heard. The device has every write
// already; only the level display loses the oldest one. Its time moves to the next entry, so
// every later entry still falls due when it is heard and the pending cycles stay exact.
void TSidWriter::DropOldestEntry() {
  const uint32_t next = (Tail + 1) & RingMask;
  RingDelta[next] += RingDelta[Tail];
  Tail = next;
  --Count;
}

int64_t TSidWriter::Ticks(uint32_t cycles) const {
  const double seconds = Devices.SecondsPerCycle(CurrentDevice);
  return int64_t(double(Frequency) * seconds * double(cycles));
}

void TSidWriter::Drain() {
  std::lock_guard<std::mutex> guard(StreamLock);
  if (Count < 1) return;
  const int64_t now = Counter();
  // The oldest write is heard once the device has played what it queued ahead of it.
  if (DrainBase == 0) DrainBase = now + Devices.GetLatency(CurrentDevice) - Ticks(RingDelta[Tail]);
  int64_t due = DueAfter(RingDelta[Tail]);
  while (due <= now) {
    DrainBase = due;
    if (RingReg[Tail] < PauseEntry) ProcessDueWrite(RingReg[Tail], RingValue[Tail]);
    PendingCycles -= RingDelta[Tail];
    Devices.SetPendingCycles(CurrentDevice, PendingCycles);
    Tail = (Tail + 1) & RingMask;
    if (--Count < 1) break;
    due = DueAfter(RingDelta[Tail]);
  }
}

double TSidWriter::Age(int32_t newer, int32_t older, uint8_t reg) const {
  return double(WriteTime[newer][reg] - WriteTime[older][reg]) / double(Frequency);
}

void TSidWriter::ShiftHistory(uint8_t reg) {
  for (int32_t row = 4; row > 0; --row) WriteTime[row][reg] = WriteTime[row - 1][reg];
}

void TSidWriter::RaiseLevel(int32_t channel) {
  if (channel < 1 || channel > 4 || Muted[channel - 1]) return;
  VoiceLevel[channel - 1].store(NoteStartLevel, std::memory_order_relaxed);
}

// Watches the heard writes for note starts: a new gate, a test-bit restart, a pitch jump of a
// gated voice, fast pulse-width or volume changes of sample playback.
void TSidWriter::ProcessDueWrite(uint8_t reg, uint8_t value) {
  const int32_t voice = VoiceOf(reg);
  const int32_t first = 7 * (voice - 1);
  const bool started = SoundStarted;
  if (started && IsPulseLowRegister(reg)) {
    const bool stepping = uint8_t(LastValue[reg] - MarkValue[reg]) > 1;
    if (Age(0, 4, reg) < 0.004 && stepping && LastValue[reg] != value &&
        WriteCount[reg].load(std::memory_order_relaxed) >= SettledWriteCount)
      RaiseLevel(voice);
    if (MarkValue[reg] != value) ShiftHistory(reg);
  } else if (started && reg == VolumeRegister) {
    const bool digiPlaying = AudibleVolumeCount > 3 || EdgeVolumeCount >= 5;
    if (Age(0, 4, reg) < 0.004 && (value & 0x0F) != (LastValue[reg] & 0x0F) && digiPlaying)
      RaiseLevel(4);
    if (MarkValue[reg] != value) ShiftHistory(reg);
  } else if (started && IsControlRegister(reg)) {
    if (value & GateBit) {
      GateSeen[voice - 1] = true;
      if (MarkValue[first + 1] != 0 && (value & GateOrTest) != (LastValue[reg] & GateOrTest)) {
        // A gate without waveform only counts when a waveform was playing before.
        if (value >= 16 || MarkValue[reg] > 15) RaiseLevel(voice);
      }
    }
    if (!Muted[voice - 1] && ((value ^ MarkValue[reg]) & TestBit) != 0) {
      if (Age(0, 1, reg) < 0.001) RaiseLevel(voice);
      WriteTime[1][reg] = WriteTime[0][reg];
    }
  }
  if (Speed == 1) {
    const int64_t now = Counter();
    SharedNow.store(now, std::memory_order_relaxed);
    WriteTime[0][reg] = now;
  } else {
    WriteTime[1][reg] = 0;
  }
  MarkValue[reg] = value;
  if (SoundStarted && voice > 0 && !Muted[voice - 1] && DetectNoteStart(voice)) RaiseLevel(voice);
  LastValue[reg] = value;
}

void TSidWriter::ResetVoiceMarks(int32_t firstReg, int32_t count) {
  for (int32_t reg = firstReg; reg < firstReg + count; ++reg) {
    WriteTime[1][reg] = WriteTime[0][reg];
    MarkValue[reg] = 0;
  }
}

bool TSidWriter::DetectNoteStart(int32_t voice) {
  const int32_t first = 7 * (voice - 1);
  const uint8_t high = uint8_t(first + 1);
  const uint8_t control = uint8_t(first + 4);
  const int32_t distance = SemitoneDistance(LastValue[high] * 256u + LastValue[first],
                                            MarkValue[high] * 256u + MarkValue[first]);
  const bool pitchHeld = Age(0, 1, high) >= 0.05;
  if (distance != 0 && GateSeen[voice - 1] && pitchHeld && MarkValue[high] != 0 &&
      (MarkValue[control] & TestBit) == 0) {
    ResetVoiceMarks(first, 5);
    return true;
  }
  if (!pitchHeld) WriteTime[1][high] = WriteTime[0][high];
  if ((MarkValue[control] & GateOrTest) != GateBit) return false;
  const bool gateWasOff = (LastValue[control] & GateBit) == 0;
  if ((distance != 0 || MarkValue[high] != 0) && gateWasOff) {
    ResetVoiceMarks(first, 7);
    return true;
  }
  const bool slide = distance != 0 && (LastValue[control] & GateBit) != 0 && MarkValue[high] != 0;
  if (!slide) return false;
  if (Age(0, 1, control) >= 1.0 / 15.0) {
    ResetVoiceMarks(first, 7);
    return true;
  }
  WriteTime[1][control] = WriteTime[0][control];
  return false;
}

int32_t TSidWriter::SemitoneDistance(uint32_t first, uint32_t second) const {
  const TNoteTable& table = NoteTable(Devices.ClockMode(CurrentDevice) == TClockMode::Ntsc);
  auto index = [&table](uint32_t frequency) {
    for (size_t note = 0; note < table.size(); ++note)
      if (frequency <= table[note]) return int32_t(note);
    return int32_t(0);
  };
  return std::abs(index(first) - index(second));
}

bool TSidWriter::EnvelopeFinished(int32_t voice) const {
  const int32_t first = 7 * voice;
  const double elapsed = double(Counter() - WriteTime[0][first + 4]) / double(Frequency);
  const uint8_t attackDecay = Shadow[first + 5];
  const uint8_t sustainRelease = Shadow[first + 6];
  const int32_t sustain = sustainRelease >> 4;
  const float envelope = AttackSeconds[attackDecay >> 4] + DecaySeconds[attackDecay & 0x0F] +
                         AttackSeconds[sustain] / 16.0f * float(sustain) +
                         DecaySeconds[sustainRelease & 0x0F];
  return envelope < elapsed;
}

void TSidWriter::RequestDevice(int32_t index) {
  if (index == CurrentDevice) return;
  PendingDevice = index;
  SwitchPending = true;
}

void TSidWriter::SwitchDevice(int32_t index) {
  Flush();
  for (int32_t other = 0; other < Devices.Count(); ++other) {
    if (other == index) continue;
    // The partner socket of a card that plays in stereo goes on playing with the new chip.
    const bool stereoPartner = Mk4StereoPlayback && (other ^ index) == 1 &&
                               Devices.GetName(other).find("Catweasel") != std::string::npos;
    if (!stereoPartner) Devices.Silence(other);
  }
  ReplayShadow(index);
  Devices.Commit(index);
  CurrentDevice = index;
}

// Brings a new chip to the state the tune has built up; a note still sounding is gated again
// and, when the tune had already released it, released again.
void TSidWriter::ReplayShadow(int32_t index) {
  auto replay = [this, index](uint8_t reg, uint8_t value) { Devices.Write(index, reg, 0, value); };
  for (uint8_t reg : {5, 6, 12, 13, 19, 20}) replay(reg, Shadow[reg]);
  for (int32_t voice = 0; voice < 3; ++voice) {
    if (Muted[voice]) continue;
    const uint8_t first = uint8_t(7 * voice);
    const uint8_t control = Shadow[first + 4];
    replay(first, Shadow[first]);
    replay(first + 1, Shadow[first + 1]);
    if (!EnvelopeFinished(voice)) {
      replay(first + 4, control | GateBit);
      if ((control & GateBit) == 0) replay(first + 4, control);
    } else {
      replay(first + 4, control);
    }
  }
  for (uint8_t reg : {3, 2, 10, 9, 17, 16, 21, 22, 24}) replay(reg, Shadow[reg]);
  replay(FilterRouting, FilterEnabled ? Shadow[FilterRouting] : Shadow[FilterRouting] & 0xF0);
}

void TSidWriter::WriteNow(uint8_t reg, uint8_t value) {
  Devices.Write(CurrentDevice, reg, 0, value);
}

void TSidWriter::SilenceVoice(int32_t voice) {
  const uint8_t first = uint8_t(7 * voice);
  Muted[voice] = true;
  WriteNow(first + 4, 0);
  WriteNow(first, 0);
  WriteNow(first + 1, 0);
}

void TSidWriter::MuteAll() {
  Flush();
  for (int32_t voice = 0; voice < 3; ++voice) SilenceVoice(voice);
  Muted[3] = true;
  Devices.Commit(CurrentDevice);
}

void TSidWriter::MuteVoice(int32_t channel) {
  Flush();
  if (channel >= 1 && channel <= 3) SilenceVoice(channel - 1);
  if (channel == 4) Muted[3] = true;
  Devices.Commit(CurrentDevice);
}

void TSidWriter::UnmuteVoices(const std::array<bool, 4>& unmute) {
  Flush();
  for (int32_t voice = 0; voice < 3; ++voice) {
    if (!unmute[voice]) continue;
    const uint8_t first = uint8_t(7 * voice);
    for (uint8_t offset : {4, 0, 1, 2, 3}) WriteNow(first + offset, Shadow[first + offset]);
    Muted[voice] = false;
  }
  if (unmute[3]) {
    Muted[3] = false;
    WriteNow(VolumeRegister, Shadow[VolumeRegister]);
  }
  Devices.Commit(CurrentDevice);
}

void TSidWriter::FilterOff() {
  Flush();
  WriteNow(FilterRouting, Shadow[FilterRouting] & 0xF0);
  FilterEnabled = false;
  Devices.Commit(CurrentDevice);
}

void TSidWriter::FilterOn() {
  Flush();
  WriteNow(VolumeRegister, Shadow[VolumeRegister]);
  WriteNow(FilterRouting, Shadow[FilterRouting]);
  FilterEnabled = true;
  Devices.Commit(CurrentDevice);
}
