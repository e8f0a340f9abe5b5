#include <gtest/gtest.h>

#include "output/RecordingDevice.h"
#include "output/SimulatedCatweasel.h"

namespace {

std::string Mk3Name(int file) { return "\\\\.\\SID6581_" + std::to_string(file); }

class CatweaselMK3Test : public ::testing::Test {
 protected:
  void SetUp() override { TFakeClock::Step = 1000; }
  std::shared_ptr<TSimulatedMK3> AddChip(int file, const std::string& model = "8580") {
    auto chip = Io.Add<TSimulatedMK3>(Mk3Name(file));
    chip->Model = model;
    return chip;
  }
  std::unique_ptr<TCatweaselMK3> Start() {
    return std::make_unique<TCatweaselMK3>(Io, TFakeClock::Read);
  }

  TRecordingHost Host;
  TSimulatedIo Io;
};

TEST_F(CatweaselMK3Test, EachChipFileThatOpensBecomesTheNextChipWithItsModel) {
  const struct {
    std::vector<std::pair<int, const char*>> Files;
    std::vector<std::string> Names;
  } cases[] = {
      {{}, {}},
      {{{1, "8580"}}, {"Catweasel3 0 (8580)"}},
      {{{2, "6581"}, {4, "8580"}}, {"Catweasel3 0 (6581)", "Catweasel3 1 (8580)"}},
  };
  for (const auto& c : cases) {
    Io = {};
    for (const auto& [file, model] : c.Files) AddChip(file, model);
    auto driver = Start();
    std::vector<std::string> names;
    for (int32_t chip = 0; chip < driver->Count(); ++chip) names.push_back(driver->GetName(chip));
    EXPECT_EQ(names, c.Names);
    EXPECT_EQ(Io.Tried, (std::vector<std::string>{Mk3Name(1), Mk3Name(2), Mk3Name(3), Mk3Name(4)}));
    for (const auto& [file, model] : c.Files) {
      const auto& chip = static_cast<const TSimulatedMK3&>(*Io.Devices[Mk3Name(file)]);
      ASSERT_FALSE(chip.Calls.empty());
      EXPECT_EQ(chip.Calls.front(), (TControlCall{TCatweaselMK3::ClockCode, {0}})) << "PAL first";
    }
  }
}

TEST_F(CatweaselMK3Test, WritesAreRepeatedExceptPulseWidthsAndVolume) {
  auto chip = AddChip(1);
  auto driver = Start();
  for (int reg = 0; reg < 32; ++reg) {
    chip->Calls.clear();
    EXPECT_TRUE(driver->Write(0, uint8_t(reg), 10, 0x5A));
    const bool once =
        reg == 2 || reg == 3 || reg == 9 || reg == 10 || reg == 16 || reg == 17 || reg == 24;
    const TPortPairs expected(once ? 1 : 2, {uint8_t(reg), 0x5A});
    EXPECT_EQ(chip->Writes(), expected) << "register " << reg;
  }
}

TEST_F(CatweaselMK3Test, ReadsAskTheChipForTheRegister) {
  auto chip = AddChip(1);
  auto driver = Start();
  chip->Registers[25] = 0x42;
  chip->Calls.clear();
  uint8_t value = 0;
  EXPECT_TRUE(driver->Read(0, 25, 10, value));
  EXPECT_EQ(value, 0x42);
  EXPECT_EQ(chip->Calls, (std::vector<TControlCall>{{TCatweaselMK3::AccessCode, {0x20, 25}}}));
}

TEST_F(CatweaselMK3Test, ClockRequestAndCycleLength) {
  auto chip = AddChip(1);
  auto driver = Start();
  for (const bool pal : {false, true}) {
    chip->Calls.clear();
    driver->SetPal(0, pal);
    EXPECT_EQ(chip->Calls,
              (std::vector<TControlCall>{{TCatweaselMK3::ClockCode, {uint8_t(pal ? 0 : 1)}}}));
    EXPECT_DOUBLE_EQ(driver->SecondsPerCycle(0),
                     CycleSeconds(pal ? TClockMode::Pal : TClockMode::Ntsc));
  }
}

TEST_F(CatweaselMK3Test, SilenceAndResetLeaveTheChipQuiet) {
  auto chip = AddChip(1);
  auto driver = Start();
  chip->Registers.fill(0x77);
  driver->Silence(0);
  for (int reg : {24, 0, 1, 7, 8, 14, 15, 4, 11, 18, 5, 6, 12, 13, 19, 20})
    EXPECT_EQ(chip->Registers[reg], 0) << reg;
  EXPECT_EQ(chip->Registers[2], 0x77) << "pulse widths are left alone";

  chip->Registers.fill(0x77);
  driver->ResetDevice(0, 1);
  for (int reg = 0; reg <= 24; ++reg) {
    const bool release = reg == 6 || reg == 13 || reg == 20;
    EXPECT_EQ(chip->Registers[reg], release ? 8 : 0) << "register " << reg;
  }
}

TEST_F(CatweaselMK3Test, RefusedOrVanishedChipFailsQuietly) {
  auto refusing = AddChip(1);
  auto vanishing = AddChip(2);
  auto driver = Start();
  ASSERT_EQ(driver->Count(), 2);
  refusing->Refused.insert(TCatweaselMK3::AccessCode);
  vanishing->Gone = true;
  for (int32_t chip : {0, 1}) {
    uint8_t value = 0x99;
    EXPECT_FALSE(driver->Write(chip, 4, 10, 0x41));
    EXPECT_FALSE(driver->Read(chip, 27, 10, value));
    EXPECT_EQ(value, 0x99);
    driver->Delay(chip, 100);
    driver->Silence(chip);
    driver->SetPal(chip, false);
    EXPECT_TRUE(driver->ResetDevice(chip, 1));
  }
  EXPECT_FALSE(driver->Write(2, 4, 10, 0)) << "no such chip";
  EXPECT_EQ(driver->GetName(2), "");
  driver.reset();
  EXPECT_TRUE(refusing->Closed);
  EXPECT_TRUE(vanishing->Closed);
}

}  // namespace
