#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "output/Devices.h"
#include "output/HardSID.h"
#include "output/RecordingDevice.h"
#include "output/simulated_hardsid/SimulatedHardSID.h"
#include "platform/DynamicLibrary.h"
#include "platform/Registry.h"
#include "platform/ScratchRegistry.h"

namespace {

using platform::THive;

constexpr char kHardSidKey[] = "SOFTWARE\\Hard Software\\HardSID";
constexpr char kComplete[] = HARDSID_LIBRARY_COMPLETE;
constexpr char kOld[] = HARDSID_LIBRARY_OLD;
constexpr char kBroken[] = HARDSID_LIBRARY_BROKEN;

// One library call as the simulation recorded it; -1 marks an argument the function lacks.
struct TCall {
  std::string Function;
  int32_t Device = -1;
  int32_t Reg = -1;
  int32_t Cycles = -1;
  int32_t Data = -1;
  bool operator==(const TCall&) const = default;
};

[[maybe_unused]] std::ostream& operator<<(std::ostream& out, const TCall& call) {
  return out << call.Function << "(dev " << call.Device << ", reg " << call.Reg << ", cycles "
             << call.Cycles << ", data " << call.Data << ")";
}

TCall Buffered(int32_t cycles, int32_t reg, int32_t data) {
  return {"HardSID_Write", 0, reg, cycles, data};
}
TCall LongDelay() { return {"HardSID_Delay", 0, -1, 65535}; }

// Each test gets an empty registry of its own and a driver on a counter that moves 100 ns per
// read, so the classic chips' pacing runs in no real time.
class HardSIDTest : public ::testing::Test {
 protected:
  void SetUp() override { TFakeClock::Step = 100; }
  void TearDown() override { unsetenv(THardSID::LibraryVariable); }

  // Points the driver at a library; a simulation stays loaded here so its log outlives drivers.
  void Use(const char* path, uint8_t chips, uint8_t oscillator = 0) {
    setenv(THardSID::LibraryVariable, path, 1);
    if (!Simulation.Open(path)) return;
    Setup = reinterpret_cast<TSimulatedSetup>(Simulation.Symbol("SimulatedHardSID_Setup"));
    CallCount =
        reinterpret_cast<TSimulatedCallCount>(Simulation.Symbol("SimulatedHardSID_CallCount"));
    RecordedCalls =
        reinterpret_cast<TSimulatedCalls>(Simulation.Symbol("SimulatedHardSID_Calls"));
    Chips = chips;
    Oscillator = oscillator;
    ClearLog();
  }
  void ClearLog() { Setup(Chips, Oscillator); }
  // The recorded calls of the named functions, or all of them.
  std::vector<TCall> Calls(const std::vector<std::string>& only = {}) const {
    std::vector<TCall> calls;
    for (int32_t i = 0; Simulation.IsOpen() && i < CallCount(); ++i) {
      const TSimulatedCall& c = RecordedCalls()[i];
      if (only.empty() || std::find(only.begin(), only.end(), c.Function) != only.end())
        calls.push_back({c.Function, c.Device, c.Reg, c.Cycles, c.Data});
    }
    return calls;
  }
  // Records classic chips the way the HardSID setup does, with a model text where given.
  static void ClassicChips(const std::vector<std::string>& models) {
    for (size_t i = 0; i < models.size(); ++i) {
      platform::TRegistryKey key;
      const std::string path = std::string(kHardSidKey) + "\\Devices\\Device" + std::to_string(i);
      ASSERT_TRUE(key.Create(THive::LocalMachine, path));
      if (!models[i].empty()) key.WriteString("SIDVer", models[i]);
    }
  }
  static void ClockSetting(int32_t value) {
    platform::TRegistryKey key;
    ASSERT_TRUE(key.Create(THive::LocalMachine, "SOFTWARE\\Vexlor\\"));
    key.WriteInteger("HSClockAdjustment", value);
  }
  static std::unique_ptr<THardSID> Create() {
    return std::make_unique<THardSID>(TFakeClock::Read);
  }

  TScratchRegistry Scratch;
  TRecordingHost Host;
  platform::TDynamicLibrary Simulation;
  TSimulatedSetup Setup = nullptr;
  TSimulatedCallCount CallCount = nullptr;
  TSimulatedCalls RecordedCalls = nullptr;
  uint8_t Chips = 0;
  uint8_t Oscillator = 0;
};

TEST_F(HardSIDTest, EnumeratesClassicChipsByRegistryEntriesAndTheRestAs4U) {
  const struct {
    const char* Name;
    const char* Library;
    uint8_t Chips;
    std::vector<std::string> Recorded;  // one classic chip entry each, with its "SIDVer"
    uint8_t Oscillator;                 // highest voice 3 reading the model detection sees
    std::vector<std::string> Names;
    int32_t Preferred;
    bool Old;
  } cases[] = {
      {"no chips", kComplete, 0, {}, 0, {}, -1, false},
      {"4U only", kComplete, 2, {}, 0, {"HardSID 4U 0", "HardSID 4U 1"}, 0, false},
      {"classic first", kComplete, 3, {"6581"}, 0,
       {"HardSID 0 (6581)", "HardSID 4U 0", "HardSID 4U 1"}, 1, false},
      {"recorded model wins", kComplete, 1, {"8580"}, 0, {"HardSID 0 (8580)"}, -1, false},
      {"classic detected 8580", kComplete, 2, {"", ""}, 128,
       {"HardSID 0 (8580)", "HardSID 1 (8580)"}, -1, false},
      {"classic detected 6581", kComplete, 1, {""}, 127, {"HardSID 0 (6581)"}, -1, false},
      {"older library", kOld, 2, {}, 200, {"HardSID 0 (8580)", "HardSID 1 (8580)"}, -1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    platform::DeleteKey(THive::LocalMachine, kHardSidKey);
    ClassicChips(c.Recorded);
    Use(c.Library, c.Chips, c.Oscillator);
    const auto driver = Create();
    EXPECT_EQ(driver->OldLibrary(), c.Old);
    ASSERT_EQ(driver->Count(), int32_t(c.Names.size()));
    EXPECT_EQ(driver->PreferredDevice(), c.Preferred);
    EXPECT_EQ(Calls({c.Old ? "GetHardSIDCount" : "HardSID_Devices"}).size(), 1u);
    EXPECT_TRUE(Calls({c.Old ? "HardSID_Devices" : "GetHardSIDCount"}).empty());
    // Only 4U chips are set up through the buffered functions: reset, filter on, not muted.
    std::vector<TCall> bufferedSetUp;
    for (int32_t chip = 0; chip < driver->Count(); ++chip) {
      EXPECT_EQ(driver->GetName(chip), c.Names[chip]);
      const bool is4U = c.Names[chip].find(" 4U ") != std::string::npos;
      EXPECT_EQ(driver->HandlesIdleDelay(chip), is4U) << chip;
      if (is4U)
        bufferedSetUp.insert(bufferedSetUp.end(), {{"HardSID_Reset", chip},
                                                   {"HardSID_Filter", chip, -1, -1, 1},
                                                   {"HardSID_MuteAll", chip, -1, -1, 0}});
    }
    EXPECT_EQ(Calls({"HardSID_Reset", "HardSID_Filter", "HardSID_MuteAll"}), bufferedSetUp);
    EXPECT_EQ(driver->GetName(driver->Count()), "");
  }
}

TEST_F(HardSIDTest, UnusableLibraryGivesNoChipsAndTooManyChipsAreCut) {
  const struct {
    const char* Library;
    uint8_t Chips;
    int32_t Count;
  } cases[] = {{"/nonexistent/libhardsid.so", 2, 0}, {kBroken, 2, 0}, {kComplete, 20, 16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Library);
    Use(c.Library, c.Chips);
    const auto driver = Create();
    EXPECT_EQ(driver->Count(), c.Count);
    if (c.Count > 0) continue;
    uint8_t value = 0;
    EXPECT_FALSE(driver->Write(0, 4, 8, 0x11));
    EXPECT_FALSE(driver->Read(0, 27, 8, value));
    driver->Silence(0);
    driver->ResetAll(1, 0);
    EXPECT_EQ(driver->PreferredDevice(), -1);
    EXPECT_TRUE(Calls().empty());
  }
}

TEST_F(HardSIDTest, BufferedChipGetsCycleCountsAndSplitsLongWaits) {
  const struct {
    uint8_t Reg;
    uint32_t Cycles;
    std::vector<TCall> Sent;
  } cases[] = {
      {4, 70000, {LongDelay(), Buffered(4465, 4, 0x41)}},
      {4, 65535, {Buffered(65535, 4, 0x41)}},
      {4, 131071, {LongDelay(), LongDelay(), Buffered(1, 4, 0x41)}},
      {4, 2, {Buffered(4, 4, 0x41)}},
      {0, 100, {Buffered(100, 0, 0x41)}},  // the 1 MHz clock sends frequencies unchanged
  };
  Use(kComplete, 1);
  const auto driver = Create();
  for (const auto& c : cases) {
    ClearLog();
    EXPECT_TRUE(driver->Write(0, c.Reg, c.Cycles, 0x41));
    EXPECT_EQ(Calls(), c.Sent) << c.Cycles << " cycles";
  }
  Oscillator = 0x9C;
  ClearLog();
  uint8_t value = 0;
  EXPECT_TRUE(driver->Read(0, 27, 70000, value));
  EXPECT_EQ(value, 0x9C);
  EXPECT_EQ(Calls(), (std::vector<TCall>{LongDelay(), {"HardSID_Read", 0, 27, 4465}}));
  ClearLog();
  EXPECT_EQ(driver->Delay(0, 5000), 1) << "the library's buffer keeps time";
  EXPECT_TRUE(Calls().empty());
}

// Expected counts follow the clock ratios by hand: PAL adds 0.0147515556 cycles per cycle,
// NTSC takes 0.0227272143 away, each carrying the fraction to the next write.
TEST_F(HardSIDTest, C64ClockBendsBufferedCycleCountsAndFrequencies) {
  struct TWrite {
    uint8_t Reg;
    uint32_t Cycles;
    uint8_t Value;
  };
  const struct {
    const char* Name;
    bool Pal;
    std::vector<TWrite> Writes;
    std::vector<TCall> Sent;
  } cases[] = {
      {"PAL carries the fraction", true, {{4, 100, 0}, {4, 100, 0}, {4, 100, 0}, {4, 10, 0}},
       {Buffered(101, 4, 0), Buffered(101, 4, 0), Buffered(102, 4, 0), Buffered(10, 4, 0)}},
      {"PAL long wait", true, {{4, 70000, 0}}, {LongDelay(), Buffered(5497, 4, 0)}},
      {"NTSC carries the fraction", false, {{4, 100, 0}, {4, 100, 0}, {4, 100, 0}, {4, 100, 0}},
       {Buffered(98, 4, 0), Buffered(98, 4, 0), Buffered(98, 4, 0), Buffered(97, 4, 0)}},
      // $1000 becomes $0FC3: both bytes change, the pair needs 8 cycles and PAL owes 2 back.
      {"PAL frequency pair", true, {{1, 6, 0x10}, {4, 100, 0}, {4, 100, 0}, {0, 10, 0}},
       {Buffered(4, 1, 0x0F), Buffered(4, 0, 0xC3), Buffered(100, 4, 0), Buffered(101, 4, 0),
        Buffered(10, 0, 0xC3)}},
      // $1000 becomes $105B; the 2 cycles the pair added are taken from the next write.
      {"NTSC frequency pair", false, {{1, 6, 0x10}, {4, 10, 0}},
       {Buffered(4, 1, 0x10), Buffered(4, 0, 0x5B), Buffered(8, 4, 0)}},
  };
  ClockSetting(1);
  Use(kComplete, 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto driver = Create();
    driver->SetPal(0, c.Pal);
    ClearLog();
    for (const TWrite& write : c.Writes) driver->Write(0, write.Reg, write.Cycles, write.Value);
    EXPECT_EQ(Calls(), c.Sent);
  }
}

TEST_F(HardSIDTest, C64ClockCorrectsClassicFrequenciesByteByByte) {
  struct TByte {
    int32_t Reg;
    int32_t Value;
  };
  const struct {
    const char* Name;
    int32_t Setting;
    bool Pal;
    std::vector<TByte> Writes;
    std::vector<TByte> Sent;
  } cases[] = {
      // PAL: $1000 gives 4096 - 61 = $0FC3. NTSC: $8000 gives 32768 + 728 = $82D8.
      {"PAL", 1, true, {{0, 0x00}, {1, 0x10}}, {{0, 0x00}, {1, 0x0F}, {0, 0xC3}}},
      {"NTSC", 1, false, {{0, 0x00}, {1, 0x80}}, {{0, 0x00}, {1, 0x82}, {0, 0xD8}}},
      // PAL: $00FF gives 255 - 3 = $00FC, then $FFFF gives 65535 - 980 = $FC2B.
      {"PAL top", 1, true, {{0, 0xFF}, {1, 0xFF}}, {{0, 0xFC}, {1, 0xFC}, {0, 0x2B}}},
      // $00FF gives $0104, then $FFFF would exceed 16 bits and stays $FFFF.
      {"NTSC top", 1, false, {{0, 0xFF}, {1, 0xFF}}, {{1, 0x01}, {0, 0x04}, {1, 0xFF}, {0, 0xFF}}},
      // Voice 2: $0F00 gives $0EC7, then $0F10 gives $0ED7 with the high byte already there.
      {"PAL unchanged high byte", 1, true, {{8, 0x0F}, {7, 0x10}},
       {{8, 0x0E}, {7, 0xC7}, {7, 0xD7}}},
      {"other registers", 1, true, {{4, 0x41}, {21, 0x10}}, {{4, 0x41}, {21, 0x10}}},
      {"1 MHz clock", 0, true, {{0, 0x00}, {1, 0x10}}, {{0, 0x00}, {1, 0x10}}},
  };
  ClassicChips({"6581"});
  Use(kComplete, 1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    ClockSetting(c.Setting);
    const auto driver = Create();
    driver->SetPal(0, c.Pal);
    ClearLog();
    for (const TByte& write : c.Writes)
      EXPECT_TRUE(driver->Write(0, uint8_t(write.Reg), 8, uint8_t(write.Value)));
    std::vector<TCall> sent;
    for (const TByte& byte : c.Sent)
      sent.push_back({"WriteToHardSID", 0, byte.Reg, -1, byte.Value});
    EXPECT_EQ(Calls(), sent);
  }
}

TEST_F(HardSIDTest, ClockSettingLocksChipsToOneMegahertzOrFollowsTheTune) {
  const struct {
    std::optional<int32_t> Setting;
    bool C64Clock;
    double SecondsPerCycle;
  } cases[] = {{std::nullopt, false, 1e-6}, {0, false, 1e-6}, {1, true, 1.0 / 985248.4444}};
  Use(kComplete, 1);
  for (const auto& c : cases) {
    if (c.Setting) ClockSetting(*c.Setting);
    const auto driver = Create();
    driver->SetClock(0, TClockMode::Pal);
    EXPECT_EQ(HardSidC64Clock.load(), c.C64Clock);
    EXPECT_DOUBLE_EQ(driver->SecondsPerCycle(0), c.SecondsPerCycle);
  }
}

TEST_F(HardSIDTest, FlushesReachTheRightChips) {
  const struct {
    const char* Name;
    const char* Library;
    int32_t KeepChip;
    std::vector<int32_t> Flushed;
  } cases[] = {
      {"keep a 4U chip", kComplete, 2, {2, 0}},  // chip 0 is classic, chips 1 and 2 are 4U
      {"keep nothing", kComplete, -1, {0}},
      {"older library keeps flushing", kOld, 0, {0, 1, 2}},
  };
  ClassicChips({"6581"});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Use(c.Library, 3);
    const auto driver = Create();
    ClearLog();
    driver->ResetAll(1, c.KeepChip);
    std::vector<int32_t> flushed;
    for (const TCall& call : Calls({"HardSID_Flush"})) flushed.push_back(call.Device);
    EXPECT_EQ(flushed, c.Flushed);
    EXPECT_EQ(Calls({"HardSID_SoftFlush"}).size(), c.Library == kComplete ? 3u : 0u);
  }
}

TEST_F(HardSIDTest, BufferAndSilenceOperations) {
  ClassicChips({"6581"});
  Use(kComplete, 2);
  const auto driver = Create();
  const TCall softFlush{"HardSID_SoftFlush", 1};
  ClearLog();
  driver->ClearBuffer(1);
  driver->Commit(1);
  EXPECT_EQ(Calls(), (std::vector<TCall>{{"HardSID_Flush", 1}, softFlush}));
  ClearLog();
  driver->ClearBuffer(0);
  EXPECT_TRUE(Calls().empty()) << "a classic chip has no buffer to drop";
  ClearLog();
  driver->Silence(1);
  std::vector<TCall> expected;
  for (int32_t reg : {24, 0, 1, 7, 8, 14, 15, 4, 11, 18, 5, 6, 12, 13, 19, 20})
    expected.push_back({"HardSID_Write", 1, reg, 4, 0});
  expected.push_back(softFlush);
  EXPECT_EQ(Calls(), expected);
}

TEST_F(HardSIDTest, LibraryDelayIsLimitedWhileTheDriverExists) {
  const struct {
    std::optional<int32_t> Stored;
    int32_t During;
    int32_t After;
  } cases[] = {{500, 192, 500},
               {193, 192, 193},
               {192, 192, 192},
               {100, 100, 100},
               {std::nullopt, -1, -1}};
  Use(kComplete, 0);
  for (const auto& c : cases) {
    platform::TRegistryKey key;
    ASSERT_TRUE(key.Create(THive::LocalMachine, kHardSidKey));
    key.DeleteValue("CurrentMicrosecDelay");
    if (c.Stored) key.WriteInteger("CurrentMicrosecDelay", *c.Stored);
    auto driver = Create();
    EXPECT_EQ(key.ReadInteger("CurrentMicrosecDelay").value_or(-1), c.During);
    driver.reset();
    EXPECT_EQ(key.ReadInteger("CurrentMicrosecDelay").value_or(-1), c.After);
    EXPECT_FALSE(key.ValueExists("OldCurrentMicrosecDelay"));
  }
}

std::vector<std::string> Names(const TDevices& devices) {
  std::vector<std::string> names;
  for (int32_t index = 0; index < devices.Count(); ++index) names.push_back(devices.GetName(index));
  return names;
}

// The installed drivers: HardSID chips first, the software chips after every card.
TEST_F(HardSIDTest, DeviceListTakesHardSIDChipsFirstAndTheSoftwareChipsLast) {
  const std::vector<std::string> software = {"Emulated SID 6581", "Emulated SID 8580"};
  setenv(THardSID::LibraryVariable, "/nonexistent/libhardsid.so", 1);
  {
    TDevices devices;
    EXPECT_EQ(Names(devices), software);
    EXPECT_EQ(devices.PreferredDevice(), -1) << "the window then takes the first entry, the 6581";
    EXPECT_FALSE(devices.HasHardware());
    EXPECT_EQ(devices.EmulatedDevice(TSidModel::Mos8580), 1);
  }
  ClassicChips({"8580"});
  Use(kComplete, 2);
  TDevices devices;
  EXPECT_EQ(Names(devices), (std::vector<std::string>{"HardSID 0 (8580)", "HardSID 4U 0", software[0], software[1]}));
  EXPECT_EQ(devices.PreferredDevice(), 1);
  EXPECT_EQ(devices.MinimumCycles(1), 4u);
  EXPECT_TRUE(devices.HasHardware());
  EXPECT_EQ(devices.EmulatedDevice(TSidModel::Mos6581), 2);
  EXPECT_TRUE(devices.ReadsBack(0)) << "a card answers reads itself";
}

}  // namespace
