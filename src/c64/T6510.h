#pragma once
// The emulated C64: a 6510 that executes whole instructions against the C64 memory map, and the
// chips whose registers a music routine touches. Every SID access leaves through a TSidSink,
// normally the machine's own SID write stream. The tune driver on top places a tune in memory,
// runs its init routine and then runs the machine in one-millisecond steps.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "c64/RomImages.h"
#include "output/SidWriter.h"

// Sees every data write the CPU puts on the bus (RAM, stack, ports and I/O), in bus order.
// Tracing tools attach one; the machine runs without.
class TBusWriteObserver {
 public:
  virtual ~TBusWriteObserver() = default;
  virtual void BusWrite(uint16_t address, uint8_t value) = 0;
};

// Told when the CPU takes an IRQ, before the play routine or the handler runs: the moment between
// two play calls. Tools that snapshot the SID between calls attach one; the machine runs without.
class TIrqObserver {
 public:
  virtual ~TIrqObserver() = default;
  virtual void IrqTaken() = 0;
};

// One of the two PlaySID sample channels ($D41D-$D47F, $D51D-$D57F), with the tone sequence
// that shares its registers.
struct TSampleChannel {
  uint16_t SampleStart = 0;
  uint16_t SampleEnd = 0;
  uint8_t RepeatCount = 0;
  uint8_t RepeatForever = 0;
  uint16_t SamplePeriod = 0;
  uint8_t Octave = 0;
  uint8_t NibbleOrder = 0;
  uint16_t RepeatAddress = 0;
  uint8_t ToneLength = 0;
  uint8_t VolumeStep = 0;
  uint8_t ToneMultiplier = 0;
  uint8_t ToneAdd = 0;
  uint8_t Stopped = 1;
  uint8_t Shift = 0;
  int32_t Countdown = 0;
  uint16_t Address = 0;
  uint8_t NibbleToggle = 0;
  uint8_t Output = 0;
  uint8_t TonesStopped = 1;
  uint8_t ToneCount = 0;
  uint8_t TonesVolume = 0;
  int32_t TonesCountdown = 0;
  int32_t TonesPeriod = 0;
  int32_t TonesLeft = 0;
  int32_t ToneCyclesLeft = 0;
};

class T6510 {
 public:
  using THandler = void (*)(T6510&);
  using THandlerTable = std::array<THandler, 256>;

  static constexpr uint32_t KernalSize = 0x2000;
  static constexpr uint32_t BasicSize = 0x2000;
  static constexpr uint32_t CharsSize = 0x1000;
  static constexpr uint32_t ZeroPageSize = 0x1000;

  // Cycles × 126 in one second of C64 time.
  static constexpr uint32_t PalSecondLength = 124141304;
  static constexpr uint32_t NtscSecondLength = 128863629;
  static constexpr uint32_t PalFrameCycles = 63 * 312;
  static constexpr uint32_t NtscFrameCycles = 65 * 263;
  // CIA 1 timer A after the KERNAL's reset: the 60 Hz system interrupt.
  static constexpr uint16_t PalResetTimerA = 0x4025;
  static constexpr uint16_t NtscResetTimerA = 0x4295;

  // A machine with the drivers this program has, or with the given ones (tests, recorders).
  T6510();
  explicit T6510(const std::vector<TDriverKind>& driverKinds);
  ~T6510();
  T6510(const T6510&) = delete;
  T6510& operator=(const T6510&) = delete;

  // ---- Output: the device list and the SID write stream built on it ----
  std::unique_ptr<TDevices> Devices;
  std::unique_ptr<TSidWriter> Writer;

  // ---- ROM slots ----
  // Puts the images into the ROM slots; the built-in firmware is installed at creation.
  void UseRomImages(const TRomImages& roms);
  // True when the CPU has run into the built-in firmware's trap for programs that need a real
  // BASIC ROM (a BASIC tune, or code calling BASIC routines): such a tune plays nothing here.
  bool NeedsBasicRom() const;

  // ---- Tune driver ----
  uint8_t IsPal = 1;
  uint32_t SecondLength = PalSecondLength;
  double StepCarry = 0;
  std::atomic<float> CpuLoad{0};
  std::atomic<uint32_t> PlaySeconds{0};
  std::atomic<uint32_t> PlayMinutes{0};
  std::atomic<uint32_t> PlayHours{0};
  uint32_t PlayClockAccumulator = 0;
  uint32_t KeyPressCycles = 0;
  // Kept for the player thread; the machine itself does not use it.
  uint8_t Started = 0;
  // Called between the slices of a long init routine, so that a window stays responsive.
  std::function<void()> ProcessMessages;

  void SetVideoStandard(uint8_t pal);
  // Places the tune's C64 data (from loadAddress on) in a freshly reset memory, with the screen
  // a C64 shows after loading fileName, and keeps the image for restarts.
  void LoadTune(std::string_view fileName, std::span<const uint8_t> data, uint8_t songByte, bool realC64,
                uint16_t loadAddress);
  void RestoreTune(uint8_t songByte, uint16_t loadAddress, bool realC64);
  // What the player does before StartSong: every CIA timer counter back at its latch, and CIA 1
  // timer A's latch at the interrupt period the tune expects (the counter too for a PSID song
  // timed by the CIA).
  void PresetCiaTimers(uint8_t song, bool realC64, uint32_t speed);
  // Prepares song (counted from 1) and runs its init routine; a stop flag that becomes true ends
  // a long init early.
  void StartSong(const std::atomic<bool>* stopFlag, uint8_t song, bool realC64, uint32_t speed,
                 uint16_t playAddress, uint16_t initAddress);
  // Runs the machine for about the given cycles and returns by how much it overshot.
  double RunCycles(double cycles);
  // One millisecond of C64 time: 1 when the tune wrote to the SID within about the last two.
  int32_t Step();
  // Cycles between two calls of the play routine as the tune's interrupt source is set up.
  uint16_t FramePeriod() const;
  void SetPlayAddress(uint16_t address) { PlayAddress = address; }
  void PressSpaceKey();

  // ---- CPU ----
  uint8_t A = 0;
  uint8_t X = 0;
  uint8_t Y = 0;
  uint8_t SP = 0xFF;
  uint16_t PC = 0;
  uint8_t FlagC = 0;
  uint8_t FlagZ = 0;
  uint8_t FlagI = 0;
  uint8_t FlagD = 0;
  uint8_t FlagB = 1;
  uint8_t FlagU = 1;
  uint8_t FlagV = 0;
  uint8_t FlagN = 0;
  uint32_t CurrentOpcode = 0;
  uint32_t InstructionCycles = 0;
  uint8_t PageCrossed = 0;
  uint32_t BranchDelay = 0;
  uint8_t IrqWasEnabled = 0;
  int32_t StackDepth = 0;
  THandlerTable OpcodeHandlers{};

  // Cycle within an instruction of its first data write / of its timed data read (0: none).
  static const std::array<uint8_t, 256> WriteCycleTable;
  static const std::array<uint8_t, 256> ReadCycleTable;

  void ExecuteInstruction() {
    CurrentOpcode = MapRead(PC);
    ++PC;
    OpcodeHandlers[CurrentOpcode](*this);
  }
  void SetDecimalHandlers();
  void SetBinaryHandlers();
  uint8_t StatusByte() const;
  // Unpacks a pulled status byte, switching the arithmetic handlers when D changes.
  void SetStatusByte(uint8_t status);

  // ---- Memory map ----
  std::array<uint8_t, 0x10000> Ram{};
  std::array<uint8_t, 0x1000> IoShadow{};
  std::array<const uint8_t*, 16> ReadMap{};
  std::array<uint8_t*, 16> WriteMap{};
  uint8_t PortValue = 0x37;
  uint8_t LastSidValue = 0;
  uint8_t SidVolume = 0;
  uint8_t SidSilent = 1;
  uint8_t PlaySidMode = 0;
  // 1 for the C64 environment (RSID, programs), 0 for the PSID environment.
  uint8_t RealC64Mode = 0;
  int32_t CyclesSinceSidWrite = 0;
  std::array<uint8_t, 0x10000> PristineImage{};
  std::array<uint8_t, 0x10000> MemorySnapshot{};
  std::array<uint8_t, KernalSize> KernalRom{};
  std::array<uint8_t, BasicSize> BasicRom{};
  std::array<uint8_t, CharsSize> CharRom{};
  std::array<uint8_t, ZeroPageSize> PowerOnImage{};
  TBusWriteObserver* WriteObserver = nullptr;
  // The second and third SID chip a tune declares (0: none), at $D420-$D7E0 or $DE00-$DFE0.
  // Each answers at its 32 bytes; the first chip answers in the rest of $D400-$D7FF.
  std::array<uint16_t, 2> OtherSidChips{};
  TIrqObserver* IrqObserver = nullptr;

  // Copies firmware into the ROM slots; false (and nothing changed) when a size is wrong.
  bool InstallRoms(std::span<const uint8_t> kernal, std::span<const uint8_t> basic,
                   std::span<const uint8_t> chars, std::span<const uint8_t> zeroPage);
  void SetSidSink(TSidSink* sink) { Sink = sink; }
  // Places the tune's other SID chips (0: none) and tells the write stream which chips play: how
  // many, and the model flags the header gives each (bit 0 the 6581, bit 1 the 8580).
  void SetSidChips(const std::array<uint16_t, 2>& addresses, const std::array<uint8_t, 3>& modelBits);
  void SetPlaySidMode(bool enabled);

  uint8_t MapRead(uint16_t address) const { return ReadMap[address >> 12][address & 0xFFF]; }
  uint8_t ReadMemory(uint16_t address) {
    if (!IoReadable || (address & 0xF000) != 0xD000) return MapRead(address);
    if (address >= 0xDE00 && !SidInIoArea) return MapRead(address);
    return ReadIo(address);
  }
  void PreliminaryRead(uint16_t address) {
    if (static_cast<uint16_t>(address - 0xDC00) < 0x200) PreliminaryCiaRead(address);
  }
  void WriteMemory(uint16_t address, uint8_t value) {
    if (WriteObserver) WriteObserver->BusWrite(address, value);
    if (address < 2) {
      WritePort(address, value);
    } else if (!IoWritable || (address & 0xF000) != 0xD000) {
      WriteMap[address >> 12][address & 0xFFF] = value;
    } else {
      WriteIo(address, value);
    }
  }
  void WritePortDirection(uint8_t direction);
  void WritePortData(uint8_t value);
  void ResetMemory(bool fillPattern);
  const std::array<uint8_t, 0x10000>& TakeMemorySnapshot();

  // ---- Tune driver state the chips consult ----
  uint8_t InitPhase = 0;
  uint16_t PlayAddress = 0;
  uint16_t LoadEnd = 0;
  uint8_t KeyPressActive = 0;
  uint8_t KeyPressSeen = 0;
  uint16_t CyclesPerLine = 63;
  uint16_t LinesPerFrame = 312;
  uint32_t CyclesExecuted = 0;  // by the last ExecuteCycles, interrupt entries included
  uint32_t BusyCycles = 0;      // the part of it the CPU spent running code

  // C64 cycles since the song was started, its init routine's included, up to the instruction
  // running now: the time line of a C64 listener, which no start-of-sound rule shortens.
  uint64_t SongCycles() const { return SongCyclesBefore + CyclesExecuted; }

  // Runs CPU, VIC, CIAs, interrupts and samples for about the given number of cycles and
  // returns how many ran (the last instruction or idle jump may overshoot).
  uint32_t ExecuteCycles(double cycles);

  // ---- VIC-II ----
  uint32_t RasterLine = 0;
  uint32_t LineCycle = 0;
  uint32_t RasterCompare = 0;
  uint8_t BadLinesEnabled = 0;
  uint8_t BadLineDone = 0;
  uint32_t FirstSprite = 0;
  std::array<uint32_t, 8> SpriteStart{};
  std::array<uint32_t, 8> SpriteEnd{};
  std::array<uint32_t, 8> SpriteCounted{};
  uint32_t StolenCycles = 0;

  uint32_t AdvanceRaster(uint32_t cycles) {
    LineCycle += cycles;
    if (LineCycle >= CyclesPerLine) StartNewLines();
    return LineCycle;
  }
  // Cycles the VIC takes from the instruction just run, which ends at line position position.
  uint32_t StealCycles(uint32_t position) {
    StolenCycles = 0;
    if (BadLinesEnabled && !BadLineDone && position >= 12 && RasterLine >= 48 && RasterLine <= 247 &&
        (RasterLine & 7) == (IoShadow[0x11] & 7u)) {
      StolenCycles = BadLineCycles(position);
    }
    if (IoShadow[0x15]) StolenCycles += SpriteCycles(position, StolenCycles);
    return StolenCycles;
  }

  // ---- CIAs: timers 0-3 are CIA 1 A, CIA 1 B, CIA 2 A, CIA 2 B ----
  std::array<uint16_t, 4> TimerLatch{};
  std::array<int32_t, 4> TimerCounter{};
  std::array<uint8_t, 4> TimerStopped{};
  std::array<uint8_t, 4> TimerCountsClock{};
  std::array<uint8_t, 4> TimerIrqEnabled{};
  std::array<uint8_t, 2> IcrMask{};
  std::array<uint8_t, 2> IcrData{};
  uint8_t VbiLock = 0;
  std::array<uint8_t, 2> TodTenths{};
  std::array<uint8_t, 2> TodSeconds{};
  std::array<uint8_t, 2> TodMinutes{};
  std::array<uint8_t, 2> TodHours{};
  std::array<uint8_t, 2> TodHalted{};
  std::array<uint32_t, 2> TodAccumulator{};

  void TickTod(uint32_t cycles);

  // ---- PlaySID sample channels ----
  std::array<TSampleChannel, 2> SampleChannels{};

  void AdvanceSamples(uint32_t cycles);

  // ---- Interrupt delivery ----
  uint8_t CiaIrqPending = 0;
  uint8_t VicIrqPending = 0;
  uint8_t NmiPending = 0;
  uint8_t IrqStarting = 0;
  uint8_t NmiStarting = 0;
  int32_t IrqCountdown = 0;
  int32_t NmiCountdown = 0;
  uint8_t IrqDue = 0;
  uint8_t NmiDue = 0;
  int32_t IrqOffset = 0;
  int32_t NmiOffset = 0;
  uint32_t ExtraDelay = 0;
  uint8_t CiaIrqInService = 0;
  uint8_t VicIrqInService = 0;
  uint8_t NmiInService = 0;
  uint8_t InterruptTakenThisPass = 0;
  uint8_t IrqTakenThisPass = 0;
  uint8_t KeepBFlag = 0;
  int32_t TimerPendingCycles = 0;
  uint32_t AlreadyAdvanced = 0;
  int32_t CyclesToNextEvent = 0;

  void AdvanceTimers(int32_t cycles);
  int32_t NextEventDistance(int32_t cyclesRemaining) const;

 private:
  struct TOpcodes;
  friend struct TOpcodes;

  static const THandlerTable& BinaryHandlers();
  static const THandlerTable& DecimalHandlers();

  // Stack and zero page are plain RAM; $00/$01 are the processor port.
  void Push(uint8_t value) {
    if (WriteObserver) WriteObserver->BusWrite(0x100 + SP, value);
    Ram[0x100 + SP] = value;
    --SP;
  }
  uint8_t Pull() {
    ++SP;
    return Ram[0x100 + SP];
  }
  void WriteZeroPage(uint8_t address, uint8_t value) {
    if (WriteObserver) WriteObserver->BusWrite(address, value);
    if (address < 2) {
      WritePort(address, value);
    } else {
      Ram[address] = value;
    }
  }
  uint16_t VectorWord(uint16_t address) const;
  void Break();
  void ReturnFromInterrupt();
  void PullStatus();
  void ClearInterruptFlag();
  void ReraisePendingIrqs();

  void WritePort(uint16_t address, uint8_t value);
  bool PortWriteBanksOverCode(uint8_t value) const;
  uint8_t PlayBanking() const;
  void RebuildMaps();
  uint8_t ReadIo(uint16_t address);
  void WriteIo(uint16_t address, uint8_t value);
  // The chip (0-2) whose registers an address of the I/O area reaches.
  uint32_t SidChipAt(uint16_t address) const {
    const uint16_t window = address & 0xFFE0;
    return window == OtherSidChips[0] ? 1 : window == OtherSidChips[1] ? 2 : 0;
  }
  uint8_t ReadIoArea(uint16_t address);
  void WriteIoArea(uint16_t address, uint8_t value);
  uint8_t ReadSidRegister(uint16_t address);
  void WriteSidRegister(uint16_t address, uint8_t value);
  void SendSidWrite(uint8_t reg, uint8_t value);
  uint8_t ReadVic(uint16_t address);
  void WriteVic(uint16_t address, uint8_t value);
  uint8_t ReadCia(uint16_t address);
  void WriteCia(uint16_t address, uint8_t value);
  void PreliminaryCiaRead(uint16_t address);

  void StartNewLines();
  void OnNewLine();
  uint32_t BadLineCycles(uint32_t position);
  void RaiseRasterInterrupt();
  uint32_t LineAtInstructionEnd() const;
  void WriteRasterRegister(uint32_t reg, uint8_t value);
  void AcknowledgeVic(uint8_t value);
  void WriteVicIrqMask(uint8_t value);
  bool SpriteFetchesOnLine(uint32_t sprite) const;
  uint32_t SpriteCycles(uint32_t position, uint32_t badLineCycles);

  void RunCiaTimers(int32_t cycles);
  bool CountDown(uint32_t timer, int32_t cycles);
  void TimerUnderflow(uint32_t timer);
  void CatchUpTimers(uint32_t offset);
  uint8_t ReadTimer(uint32_t timer, bool highByte);
  uint8_t ReadTimerControl(uint32_t timer);
  void WriteTimerControl(uint32_t timer, uint8_t value);
  uint8_t ReadInterruptData(uint32_t cia);
  void WriteInterruptMask(uint32_t cia, uint8_t value);
  uint8_t ReadTod(uint32_t cia, uint32_t reg);
  void WriteTod(uint32_t cia, uint32_t reg, uint8_t value);
  void ApplyDummyIcrReads();

  void StartInterrupts(int32_t cycles);
  bool IrqAllowed() const;
  void TakeNmi();
  void TakeIrq();
  void ReturnAtOnce();
  void CallPlayRoutine();
  void ChargeInterruptEntry();
  void RunIdleJump();
  void RunPlaySidIdle();

  bool CiaTimed(uint8_t song, bool realC64, uint32_t speed) const;
  void ResetRunState();
  void ResetSidSide();
  void SetUpVideo(bool realC64);
  void SetUpTimers(bool ciaTimed);
  void EnterInit(uint16_t init, uint8_t songIndex, bool realC64);
  void PushBasicStack();
  bool RunInit(const std::atomic<bool>* stopFlag);
  void EnterPlayPhase(uint16_t play);
  void EnterInterruptHandler();
  void SetBanking(uint8_t portData);
  void ShowLoadScreen(std::string_view fileName);
  void SetBasicPointers(uint16_t loadAddress, bool realC64);
  void UpdateCpuLoad(double cycles);
  void UpdateKeyPress();
  void AdvancePlayClock();
  void KeepDeviceAlive();

  bool WriteSampleRegister(uint16_t address, uint8_t value);
  void SampleCommand(uint32_t channel, uint8_t value);
  void AdvanceToneSequence(uint32_t cycles);
  void AdvanceSampleChannel(uint32_t channel, uint32_t cycles);

  // A dummy read of a CIA's interrupt data register in the current instruction, and whether
  // that register held flags at the time.
  std::array<uint8_t, 2> DummyIcrRead{};
  std::array<uint8_t, 2> DummyIcrFlags{};
  double RunTarget = 0;
  uint64_t SongCyclesBefore = 0;  // cycles of the song's earlier ExecuteCycles runs

  TRomImages Roms;
  uint64_t LoadBusyTotal = 0;
  uint64_t LoadElapsedTotal = 0;
  uint32_t RandomState = 1;

  TSidSink* Sink = nullptr;
  uint8_t IoReadable = 1;  // I/O banked in for reads and not the all-RAM PlaySID environment
  uint8_t IoWritable = 1;  // I/O banked in for writes
  uint8_t SidInIoArea = 0;  // a SID chip answers in $DE00-$DFFF
};
