#pragma once
// The emulated C64: a 6510 that executes whole instructions against the C64 memory map, and the
// chips whose registers a music routine touches. Every SID access leaves through a TSidSink.
#include <array>
#include <cstdint>
#include <span>

class TSidSink;

// Sees every data write the CPU puts on the bus (RAM, stack, ports and I/O), in bus order.
// Tracing tools attach one; the machine runs without.
class TBusWriteObserver {
 public:
  virtual ~TBusWriteObserver() = default;
  virtual void BusWrite(uint16_t address, uint8_t value) = 0;
};

class T6510 {
 public:
  using THandler = void (*)(T6510&);
  using THandlerTable = std::array<THandler, 256>;

  static constexpr uint32_t KernalSize = 0x2000;
  static constexpr uint32_t BasicSize = 0x2000;
  static constexpr uint32_t CharsSize = 0x1000;
  static constexpr uint32_t ZeroPageSize = 0x1000;

  T6510();
  T6510(const T6510&) = delete;
  T6510& operator=(const T6510&) = delete;

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

  // Copies firmware into the ROM slots; false (and nothing changed) when a size is wrong.
  bool InstallRoms(std::span<const uint8_t> kernal, std::span<const uint8_t> basic,
                   std::span<const uint8_t> chars, std::span<const uint8_t> zeroPage);
  void SetSidSink(TSidSink* sink) { Sink = sink; }
  void SetPlaySidMode(bool enabled);

  uint8_t MapRead(uint16_t address) const { return ReadMap[address >> 12][address & 0xFFF]; }
  uint8_t ReadMemory(uint16_t address) {
    if (!IoReadable || (address & 0xF000) != 0xD000 || address >= 0xDE00) return MapRead(address);
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

  // ---- Interrupt state the CPU core shares with the chips ----
  uint16_t PlayAddress = 0;
  uint16_t LoadEnd = 0;
  int32_t CyclesToNextEvent = 0;
  std::array<uint8_t, 2> IcrData{};  // CIA interrupt data registers
  uint8_t CiaIrqPending = 0;
  uint8_t VicIrqPending = 0;
  uint8_t NmiPending = 0;
  uint8_t NmiStarting = 0;
  int32_t IrqOffset = 0;
  uint8_t KeepBFlag = 0;
  uint8_t CiaIrqInService = 0;
  uint8_t VicIrqInService = 0;
  uint8_t NmiInService = 0;
  uint16_t CyclesPerLine = 63;
  uint16_t LinesPerFrame = 312;

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
  void RebuildMaps();
  uint8_t ReadIo(uint16_t address);
  void WriteIo(uint16_t address, uint8_t value);
  uint8_t ReadSidRegister(uint16_t address);
  void WriteSidRegister(uint16_t address, uint8_t value);
  void SendSidWrite(uint8_t reg, uint8_t value);
  uint8_t ReadVic(uint16_t address);
  void WriteVic(uint16_t address, uint8_t value);
  uint8_t ReadCia(uint16_t address);
  void WriteCia(uint16_t address, uint8_t value);
  void PreliminaryCiaRead(uint16_t address);

  TSidSink* Sink = nullptr;
  uint8_t IoReadable = 1;  // I/O banked in for reads and not the all-RAM PlaySID environment
  uint8_t IoWritable = 1;  // I/O banked in for writes
};
