// The tune driver: places a tune in C64 memory, prepares the machine for one of its songs, runs
// the init routine and then drives the machine in one-millisecond steps. The play routine is not
// called on a schedule: the raster or timer interrupt the driver arranges calls it, as on a C64.
#include <algorithm>
#include <cctype>

#include "c64/T6510.h"

namespace {

constexpr uint16_t IdleReturn = 0xFFFE;
constexpr uint16_t BasicRun = 0xA7AE;  // BASIC's statement loop: RUN continues here
constexpr uint8_t DirectionBits = 0x2F;
constexpr uint8_t AllRomsBanked = 0x37;
constexpr uint16_t LoadTextAddress = 0x04F0;
constexpr uint16_t ScreenStart = 0x0400;
constexpr uint32_t ScreenColumns = 40;

// What the stack of BASIC holds when a program is started with RUN or SYS.
constexpr std::array<uint8_t, 5> BasicStackTop = {0xA4, 0x79, 0xA6, 0x0A, 0x00};

// Init slices: with the stop flag checked between them in PAL, a long init can be cut short.
constexpr uint32_t PalInitSlices = 600;
constexpr double PalInitSlice = 98280;
constexpr uint32_t NtscInitSlices = 60;
constexpr double NtscInitSlice = 1025700;

constexpr double PalStepCycles = 985.248;
constexpr double NtscStepCycles = 1022.727;
constexpr uint32_t KeyPressLength = 58968;  // three PAL frames
constexpr int32_t IdleKeepAliveAfter = 19656;
constexpr int32_t IdleKeepAliveRest = 1965;
constexpr int32_t CyclesAfterDeviceReset = 39312;

void PutWord(std::array<uint8_t, 0x10000>& ram, uint16_t address, uint16_t value) {
  ram[address] = static_cast<uint8_t>(value);
  ram[address + 1] = static_cast<uint8_t>(value >> 8);
}

// The loaded file's name as the C64 screen shows it: no directory, upper case, within the
// 96 characters of the screen set.
std::string ScreenName(std::string_view fileName) {
  const size_t slash = fileName.find_last_of("/\\");
  if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
  std::string name(fileName.substr(0, 255));
  for (char& c : name) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)) % 96);
  }
  return name;
}

}  // namespace

T6510::T6510() : T6510(InstalledDriverKinds()) {}

T6510::T6510(const std::vector<TDriverKind>& driverKinds)
    : Devices(std::make_unique<TDevices>(driverKinds)), Writer(std::make_unique<TSidWriter>(*Devices)) {
  Writer->FilterEnabled = true;
  Sink = Writer.get();
  UseRomImages(Roms);
  OpcodeHandlers = BinaryHandlers();
  Ram[0] = DirectionBits;
  Ram[1] = AllRomsBanked;
  RebuildMaps();
  TimerLatch.fill(0xFFFF);
  TimerCounter.fill(0xFFFF);
  TimerStopped.fill(1);
  TimerCountsClock.fill(1);
}

T6510::~T6510() = default;

void T6510::UseRomImages(const TRomImages& roms) {
  if (&roms != &Roms) Roms = roms;
  InstallRoms(Roms.Kernal(), Roms.Basic(), Roms.Chars(), Roms.PowerOn());
}

bool T6510::NeedsBasicRom() const { return Roms.AtBasicTrap(PC); }

void T6510::SetVideoStandard(uint8_t pal) {
  IsPal = pal ? 1 : 0;
  CyclesPerLine = IsPal ? 63 : 65;
  LinesPerFrame = IsPal ? 312 : 263;
  SecondLength = IsPal ? PalSecondLength : NtscSecondLength;
  Ram[0x02A6] = IsPal;
  for (int32_t index = 0; index < Devices->Count(); ++index) {
    Devices->SetPal(index, IsPal);
    Devices->SetClock(index, IsPal ? TClockMode::Pal : TClockMode::Ntsc);
  }
}

void T6510::LoadTune(std::string_view fileName, std::span<const uint8_t> data, uint8_t songByte, bool realC64,
                     uint16_t loadAddress) {
  ResetMemory(realC64);
  Ram[0x030C] = Ram[0x030D] = Ram[0x030E] = songByte;
  if (!realC64) {
    PutWord(Ram, 0x0300, IdleReturn);
    std::fill(Ram.begin() + 0x0002, Ram.begin() + 0x0200, 0);
    PutWord(Ram, 0xD1, 0x04F0);
    PutWord(Ram, 0xF3, 0xD8F0);
  }
  ShowLoadScreen(fileName);
  const size_t room = 0x10000 - size_t{loadAddress};
  const size_t count = std::min(data.size(), room);
  std::copy_n(data.begin(), count, Ram.begin() + loadAddress);
  LoadEnd = static_cast<uint16_t>(count ? loadAddress + count - 1 : loadAddress);
  SetBasicPointers(loadAddress, realC64);
  PristineImage = Ram;
}

// The screen after LOAD"name",8,1 and RUN, text in ASCII codes as the tunes that print it expect.
void T6510::ShowLoadScreen(std::string_view fileName) {
  const std::string name = ScreenName(fileName);
  const uint32_t length = static_cast<uint32_t>(name.size());
  auto put = [this](uint32_t address, std::string_view text) {
    for (const char c : text) Ram[address++] = static_cast<uint8_t>(c);
  };
  auto row = [](uint32_t r) { return ScreenStart + ScreenColumns * r; };
  put(LoadTextAddress, "LOAD\"" + name + "\",8,1");
  const uint32_t searchRow = (length + 249) / ScreenColumns + 2;
  put(row(searchRow), "SEARCHING FOR " + name);
  const uint32_t lastRow = (ScreenColumns * searchRow + 13 + length) / ScreenColumns;
  put(row(lastRow + 1), "LOADING");
  put(row(lastRow + 2), "READY.");
  put(row(lastRow + 3), "RUN");
  PutWord(Ram, 0xD1, 0x05E0);
  PutWord(Ram, 0xF3, 0xD9E0);
  Ram[0xD6] = 12;
}

void T6510::SetBasicPointers(uint16_t loadAddress, bool realC64) {
  PutWord(Ram, 0x2B, 0x0801);
  PutWord(Ram, 0x7A, 0x0800);
  if (loadAddress < 0x0802 && LoadEnd >= 0x0805) {
    std::copy_n(Ram.begin() + 0x0803, 2, Ram.begin() + 0x39);
    if (!realC64) std::copy_n(Ram.begin() + 0x0801, 2, Ram.begin() + 0x7A);
  }
  const uint16_t end = static_cast<uint16_t>(LoadEnd + 1);
  for (const uint16_t pointer : {0x2D, 0x2F, 0x31, 0xAE}) PutWord(Ram, pointer, end);
}

void T6510::RestoreTune(uint8_t songByte, uint16_t loadAddress, bool realC64) {
  ResetMemory(realC64);
  Ram = PristineImage;
  for (const uint16_t address : {0x030C, 0x030D, 0x030E}) {
    if (address < loadAddress) Ram[address] = songByte;
  }
}

// Songs beyond the 32nd share the last speed bit, except in the PlaySID environment, where the
// bits repeat.
bool T6510::CiaTimed(uint8_t song, bool realC64, uint32_t speed) const {
  const uint32_t songIndex = song ? song - 1u : 0u;
  const uint32_t speedBit = (songIndex < 31 || PlaySidMode) ? songIndex % 32u : 31u;
  return realC64 || ((speed >> speedBit) & 1);
}

// A CIA-timed tune finds timer A as the C64's reset leaves it (the value the collection's song
// lengths were timed with): a tune that writes only the high byte keeps the low byte of it.
void T6510::PresetCiaTimers(uint8_t song, bool realC64, uint32_t speed) {
  for (uint32_t timer = 0; timer < 4; ++timer) TimerCounter[timer] = TimerLatch[timer];
  if (!CiaTimed(song, realC64, speed)) {
    TimerLatch[0] = static_cast<uint16_t>(IsPal ? PalFrameCycles : NtscFrameCycles);
    return;
  }
  TimerLatch[0] = IsPal ? PalResetTimerA : NtscResetTimerA;
  if (!realC64) TimerCounter[0] = TimerLatch[0];
}

void T6510::StartSong(const std::atomic<bool>* stopFlag, uint8_t song, bool realC64, uint32_t speed,
                      uint16_t playAddress, uint16_t initAddress) {
  RealC64Mode = realC64;
  ResetRunState();
  ResetSidSide();
  if (!realC64 && playAddress == initAddress) playAddress = 0;
  SetUpVideo(realC64);
  const uint8_t songIndex = song ? static_cast<uint8_t>(song - 1) : 0;
  SetUpTimers(CiaTimed(song, realC64, speed));
  if (FlagD) SetBinaryHandlers();
  SetStatusByte(0x30);
  EnterInit(initAddress, songIndex, realC64);
  if (PC != 0 && playAddress != 0) {
    const bool returned = RunInit(stopFlag);
    if (Writer->VolumeUnset()) Writer->SoundStarted = false;
    if (returned) EnterPlayPhase(playAddress);
  } else {
    SetBanking(AllRomsBanked);
  }
  InitPhase = 0;
}

void T6510::ResetRunState() {
  for (TSampleChannel& channel : SampleChannels) channel = TSampleChannel{};
  CiaIrqPending = VicIrqPending = NmiPending = 0;
  IrqStarting = NmiStarting = IrqDue = NmiDue = 0;
  IrqCountdown = NmiCountdown = IrqOffset = NmiOffset = 0;
  ExtraDelay = 0;
  CiaIrqInService = VicIrqInService = NmiInService = 0;
  InterruptTakenThisPass = IrqTakenThisPass = KeepBFlag = 0;
  TimerPendingCycles = 0;
  AlreadyAdvanced = 0;
  CyclesToNextEvent = 0;
  DummyIcrRead = {};
  DummyIcrFlags = {};
  PC = 0;
  PlayAddress = 0;
  RasterLine = LineCycle = 0;
  BadLinesEnabled = BadLineDone = 0;
  FirstSprite = 0;
  SpriteStart = {};
  SpriteEnd = {};
  SpriteCounted = {};
  StolenCycles = 0;
  TodTenths = TodSeconds = TodMinutes = TodHours = {};
  TodAccumulator = {};
  TodHalted = {1, 1};
  PlaySeconds = PlayMinutes = PlayHours = 0;
  PlayClockAccumulator = 0;
  SongCyclesBefore = 0;
  CyclesExecuted = 0;
  LoadBusyTotal = LoadElapsedTotal = 0;
  CpuLoad = 0;
  StepCarry = 0;
  InitPhase = 1;
  SidVolume = 0;
  LastSidValue = 0;
  SidSilent = 1;
  KeyPressActive = KeyPressSeen = 0;
  KeyPressCycles = 0;
}

// A new tune goes to the chip the user chose last, without replaying the old tune's state.
void T6510::ResetSidSide() {
  Writer->CurrentDevice = Writer->PendingDevice.load();
  Writer->SwitchPending = false;
  CyclesSinceSidWrite = 0;
  Devices->ResetAll(0, Writer->CurrentDevice);
  CyclesSinceSidWrite = CyclesAfterDeviceReset;
  Writer->SetSpeed(1);
}

void T6510::SetUpVideo(bool realC64) {
  RasterCompare = realC64 ? 311 : 55;
  RasterLine = 55;
  IoShadow[0x12] = 0x37;
  IoShadow[0x11] = realC64 ? 0x9B : 0x1B;
}

// CIA 1 timer A always runs; for a tune timed by the vertical blank only the raster interrupt
// reaches the CPU, and the tune's own timer set-up is locked out.
void T6510::SetUpTimers(bool ciaTimed) {
  VbiLock = !ciaTimed;
  IoShadow[0x1A] = ciaTimed ? 0x00 : 0x01;
  TimerStopped = {0, 1, 1, 1};
  TimerCountsClock.fill(1);
  IcrMask = {0x01, 0x00};
  TimerIrqEnabled = {static_cast<uint8_t>(ciaTimed), 0, 0, 0};
  IoShadow[0xC0E] = 0x01;
  IcrData = {0, 0};
  IoShadow[0xC02] = 0xFF;
  IoShadow[0xC03] = 0x00;
  RandomState = RandomState * 1103515245u + 12345u;
  TimerCounter[0] = static_cast<int32_t>((RandomState >> 16) & 0xFF) + 8192;
}

void T6510::EnterInit(uint16_t init, uint8_t songIndex, bool realC64) {
  if (init == 0) {
    A = X = Y = 0;
    PushBasicStack();
    SetBanking(AllRomsBanked);
    PC = BasicRun;
    return;
  }
  A = X = Y = songIndex;
  if (realC64) {
    PushBasicStack();
  } else {
    SP = 0xFF;
  }
  if (init >= 0xD000 && init <= 0xDFFF) {
    SetBanking(0x34);
  } else if (init >= 0xE000) {
    SetBanking(0x35);
  } else {
    SetBanking(LoadEnd < 0xA000 || realC64 ? AllRomsBanked : 0x36);
  }
  PC = init;
  Push(0xFF);
  Push(0xFE);
  StackDepth = 2;
}

void T6510::PushBasicStack() {
  SP = 0xFA;
  std::copy(BasicStackTop.begin(), BasicStackTop.end(), Ram.begin() + 0x01FB);
}

// Runs the init routine with timers and interrupts standing still; true when it returned.
bool T6510::RunInit(const std::atomic<bool>* stopFlag) {
  const uint32_t slices = IsPal ? PalInitSlices : NtscInitSlices;
  const double slice = IsPal ? PalInitSlice : NtscInitSlice;
  for (uint32_t done = 0; done < slices; ++done) {
    if (IsPal && stopFlag && *stopFlag) break;
    RunCycles(slice);
    if (PC >= IdleReturn || StackDepth < 1) return true;
    if (ProcessMessages) ProcessMessages();
  }
  return false;
}

void T6510::EnterPlayPhase(uint16_t play) {
  SP = 0xFF;
  PC = 0xFFFF;
  Push(0xFF);
  Push(0xFE);
  StackDepth = 2;
  FlagI = 0;
  PlayAddress = play;
  SetBanking(PlayBanking());
  // A play address on a BRK means the tune's own interrupt handler does the work.
  PlayAddress = MapRead(play) == 0x00 ? 0 : play;
  if (PlayAddress != 0) {
    Push(0xFF);
    Push(0xFE);
    StackDepth = 2;
  } else {
    EnterInterruptHandler();
  }
  StepCarry = 0;
  CyclesSinceSidWrite = 0;
}

// As if the IRQ had just come from the idle loop: its RTI ends in the idle state again.
void T6510::EnterInterruptHandler() {
  SP = 0xFF;
  Push(0xFF);
  Push(0xFE);
  Push((StatusByte() | 0x20) & 0xEF);
  StackDepth = 3;
  FlagI = 1;
  PC = VectorWord(0xFFFE);
  if (PC == 0) PC = static_cast<uint16_t>(Ram[0x0314] | Ram[0x0315] << 8);
}

void T6510::SetBanking(uint8_t portData) {
  Ram[0] = DirectionBits;
  WritePortData(portData);
}

double T6510::RunCycles(double cycles) {
  const uint32_t executed = ExecuteCycles(cycles);
  UpdateCpuLoad(cycles);
  UpdateKeyPress();
  AdvancePlayClock();
  KeepDeviceAlive();
  return executed - cycles;
}

void T6510::UpdateCpuLoad(double cycles) {
  LoadBusyTotal += BusyCycles;
  LoadElapsedTotal += static_cast<uint64_t>(std::max(cycles, 0.0));
  if (LoadElapsedTotal < uint64_t{CyclesPerLine} * LinesPerFrame) return;
  float load = static_cast<float>(100.0 * static_cast<double>(LoadBusyTotal) / static_cast<double>(LoadElapsedTotal));
  if (load > 0 && load < 1) load = 1;
  CpuLoad = std::min(load, 100.0f);
  LoadBusyTotal = LoadElapsedTotal = 0;
}

// A program that waits for the space key and then goes quiet is restarting its music: the
// play clock and the start-of-sound rule start over with it.
void T6510::UpdateKeyPress() {
  if (!KeyPressActive) return;
  KeyPressCycles += CyclesExecuted;
  if (KeyPressSeen && SidSilent) {
    PlaySeconds = PlayMinutes = PlayHours = 0;
    PlayClockAccumulator = 0;
    KeyPressSeen = 0;
    Writer->RestartSoundRule();
  }
  if (KeyPressCycles > KeyPressLength) {
    KeyPressActive = 0;
    KeyPressSeen = 0;
  }
}

void T6510::AdvancePlayClock() {
  if (!Writer->SoundStarted) return;
  uint64_t accumulator = PlayClockAccumulator + uint64_t{CyclesExecuted} * 126;
  while (accumulator >= SecondLength) {
    accumulator -= SecondLength;
    // A device switch asked for during playback waits for a whole second of the play clock.
    if (Writer->SwitchPending) {
      Writer->SwitchDevice(Writer->PendingDevice);
      Writer->SwitchPending = false;
    }
    if (++PlaySeconds < 60) continue;
    PlaySeconds = 0;
    if (++PlayMinutes < 60) continue;
    PlayMinutes = 0;
    if (++PlayHours > 99) PlayHours = 0;
  }
  PlayClockAccumulator = static_cast<uint32_t>(accumulator);
}

// A chip that keeps time itself is told about long silences, so its clock does not run ahead.
void T6510::KeepDeviceAlive() {
  if (CyclesSinceSidWrite < IdleKeepAliveAfter) return;
  if (Writer->IdleDelay(static_cast<uint32_t>(CyclesSinceSidWrite - IdleKeepAliveRest)) > 0) {
    CyclesSinceSidWrite = IdleKeepAliveRest;
  }
}

int32_t T6510::Step() {
  const double slice = (IsPal ? PalStepCycles : NtscStepCycles) - StepCarry;
  StepCarry = RunCycles(slice);
  return CyclesSinceSidWrite < 2 * static_cast<int32_t>(CyclesExecuted) ? 1 : 0;
}

uint16_t T6510::FramePeriod() const {
  if (IoShadow[0x1A] & 1) return static_cast<uint16_t>(IsPal ? PalFrameCycles : NtscFrameCycles);
  const uint32_t timerA = uint32_t{TimerLatch[0]} + 1;
  // CRB bits 5-6 %1x: timer B counts timer A's underflows.
  if (IoShadow[0xC0F] & 0x40) return static_cast<uint16_t>(timerA * (uint32_t{TimerLatch[1]} + 1));
  return static_cast<uint16_t>(timerA);
}

void T6510::PressSpaceKey() {
  KeyPressActive = 1;
  KeyPressSeen = 0;
  KeyPressCycles = 0;
}
