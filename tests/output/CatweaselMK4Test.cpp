#include <gtest/gtest.h>

#include <algorithm>

#include "output/RecordingDevice.h"
#include "output/SimulatedCatweasel.h"
#include "platform/ScratchRegistry.h"
#include "settings/Preferences.h"

namespace {

constexpr uint32_t kWritePorts = TCatweaselMK4::WritePortsCode;
constexpr uint32_t kReadPort = TCatweaselMK4::ReadPortCode;

std::string CardName(const std::string& suffix) { return "\\\\.\\CAT" + suffix; }

// Each test gets a settings store of its own, so the stereo setting starts missing (off).
class CatweaselMK4Test : public ::testing::Test {
 protected:
  void SetUp() override { TFakeClock::Step = 1000; }
  void TearDown() override { Mk4StereoPlayback = false; }
  std::unique_ptr<TCatweaselMK4> Start() {
    return std::make_unique<TCatweaselMK4>(Io, TFakeClock::Read);
  }
  // One card, set up and with its records cleared.
  std::unique_ptr<TCatweaselMK4> StartOneCard() {
    Card = Io.Add<TSimulatedMK4>(CardName("1_F0"));
    auto driver = Start();
    Card->Calls.clear();
    Card->Fifo.clear();
    TRecordingHost::Events.clear();
    return driver;
  }

  TScratchRegistry Scratch;
  TRecordingHost Host;
  TSimulatedIo Io;
  std::shared_ptr<TSimulatedMK4> Card;
};

TEST_F(CatweaselMK4Test, CardsAreFoundByFunctionOrPlainNameTwoChipsEach) {
  const struct {
    std::vector<std::string> Files;
    std::set<std::string> Refusing;
    int32_t Chips;
    std::string NotTried;
  } cases[] = {
      {{}, {}, 0, ""},
      {{"1_F0"}, {}, 2, ""},
      {{"2"}, {}, 2, ""},
      {{"1_F0"}, {"1_F0"}, 0, ""},
      {{"1_F0", "1_F4"}, {"1_F0"}, 2, ""},
      {{"1_F3", "3_F0", "4"}, {}, 4, "4_F0"},
  };
  for (const auto& c : cases) {
    Io = {};
    for (const std::string& file : c.Files) {
      auto card = Io.Add<TSimulatedMK4>(CardName(file));
      if (c.Refusing.contains(file)) card->Refused.insert(TCatweaselMK4::OpenCode);
    }
    auto driver = Start();
    ASSERT_EQ(driver->Count(), c.Chips) << c.Files.size() << " files";
    for (int32_t chip = 0; chip < c.Chips; ++chip)
      EXPECT_EQ(driver->GetName(chip), "Catweasel4 " + std::to_string(chip) + " (8580)");
    for (const std::string& file : c.Refusing) EXPECT_TRUE(Io.Devices[CardName(file)]->Closed);
    if (!c.NotTried.empty()) {
      EXPECT_EQ(std::count(Io.Tried.begin(), Io.Tried.end(), CardName(c.NotTried)), 0);
    }
  }
}

TEST_F(CatweaselMK4Test, SetUpProgramsTheClockDirectlyAndLeavesTheFifoRunning) {
  Card = Io.Add<TSimulatedMK4>(CardName("1_F0"));
  auto driver = Start();
  const TPortPairs ports = Card->PortWrites();
  ASSERT_GT(ports.size(), 9u);
  EXPECT_EQ(TPortPairs(ports.begin(), ports.begin() + 5),
            (TPortPairs{{3, 1}, {0xC8, 0}, {0xD8, 0}, {0xDC, 31}, {0xC8, 1}}));
  EXPECT_EQ(TPortPairs(ports.end() - 4, ports.end()),
            (TPortPairs{{3, 1}, {0xC8, 0}, {0xCC, 0}, {0xC8, 1}}));
  EXPECT_TRUE(driver->HandlesIdleDelay(0));
}

TEST_F(CatweaselMK4Test, DelaysBecomeWaitCommandsThatRideWithTheNextWrite) {
  const struct {
    int32_t Cycles;
    uint16_t Correction;
    TPortPairs Waits;
    int32_t Commands;
  } cases[] = {
      {5000, 0, {{0xC0, 0x7F}, {0xC0, 0x4D}, {0xC0, 0x05}}, 3},
      {64, 0, {{0xC0, 0x3D}}, 1},
      {66, 0, {{0xC0, 0x40}}, 1},
      {8194, 0, {{0xC0, 0x7F}, {0xC0, 0x7F}}, 2},
      {1890, 10, {{0xC0, 0x5C}, {0xC0, 0x1F}}, 2},
      {2000, 10, {{0xC0, 0x5E}, {0xC0, 0x03}, {0xD0, 0}}, 2},
      {1, 0, {{0xC0, 0x00}}, 1},
      {0, 0, {{0xC0, 0x01}}, 1},
  };
  for (const auto& c : cases) {
    auto driver = StartOneCard();
    Card->Correction = c.Correction;
    EXPECT_EQ(driver->Delay(0, c.Cycles), c.Commands) << c.Cycles;
    const size_t sentByDelay = Card->Batches();
    EXPECT_EQ(sentByDelay, c.Cycles <= 1 ? 2u : 1u)
        << c.Cycles << ": waits are sent only for tiny delays";
    driver->Write(0, 4, 10, 0x11);
    TPortPairs expected{{0xC0, 0x00}};
    expected.insert(expected.end(), c.Waits.begin(), c.Waits.end());
    expected.insert(expected.end(), {{0xC0, 0x84}, {0xC0, 0x11}});
    EXPECT_EQ(Card->PortWrites(), expected) << c.Cycles;
  }
}

TEST_F(CatweaselMK4Test, WritesAddressTheSocketAndKeepRegister31ForTheCard) {
  const struct {
    int32_t Chip;
    uint8_t Reg;
    std::string Heard;
  } cases[] = {{0, 4, "W 0 4 33"}, {1, 4, "W 1 4 33"}, {0, 31, "W 0 30 33"}, {1, 24, "W 1 24 33"}};
  for (const auto& c : cases) {
    auto driver = StartOneCard();
    EXPECT_TRUE(driver->Write(c.Chip, c.Reg, 10, 33));
    EXPECT_EQ(Card->Fifo, std::vector<std::string>{c.Heard});
    EXPECT_EQ(Card->Batches(), 1u);
  }
}

TEST_F(CatweaselMK4Test, DualPlaybackSettingSendsEveryWriteToBothSockets) {
  for (const int32_t setting : {0, 1}) {
    TPreferences().SetForceDualPlayback(setting);
    auto driver = StartOneCard();
    EXPECT_EQ(Mk4StereoPlayback.load(), setting == 1);
    driver->Write(0, 4, 1, 0x11);
    driver->Write(1, 11, 10, 0x21);
    driver->Delay(0, 64);
    driver->Write(0, 1, 10, 0x05);
    const std::vector<std::string> mono{"W 0 4 17", "W 1 11 33", "wait 1", "wait 62", "W 0 1 5"};
    const std::vector<std::string> stereo{"W 0 4 17",  "wait 2",    "W 1 4 17",
                                          "W 1 11 33", "W 0 11 33", "wait 1",
                                          "wait 60",   "W 0 1 5",   "W 1 1 5"};
    EXPECT_EQ(Card->Fifo, setting == 1 ? stereo : mono);
    Card->Registers[1][24] = 0x0F;
    driver->Silence(0);
    EXPECT_EQ(Card->Registers[1][24], 0x0F) << "the volume goes to one socket only";
  }
}

// A tune for two SIDs plays one on each socket of the card, the dual playback setting aside.
TEST_F(CatweaselMK4Test, TwoSidTuneGivesEachSocketItsOwnStream) {
  TPreferences().SetForceDualPlayback(1);
  auto driver = StartOneCard();
  EXPECT_EQ(driver->ChipFor(0, 1), 1);
  EXPECT_EQ(driver->ChipFor(1, 1), 0);
  EXPECT_EQ(driver->ChipFor(0, 2), -1) << "a card has two sockets";
  driver->UseChips(1, TTuneSids{2, {}});
  driver->Write(1, 4, 1, 0x11);
  driver->Write(0, 11, 10, 0x21);
  EXPECT_EQ(Card->Fifo, (std::vector<std::string>{"W 1 4 17", "W 0 11 33"}));
  driver->UseChips(1, TTuneSids{});
  Card->Fifo.clear();
  driver->Write(1, 4, 10, 0x11);
  EXPECT_EQ(Card->Fifo, (std::vector<std::string>{"W 1 4 17", "W 0 4 17"})) << "a one-SID tune plays on both again";
}

TEST_F(CatweaselMK4Test, FullFifoWaitsOnlyWhileEnoughSoundIsBuffered) {
  const struct {
    bool Delay;
    uint32_t Pending;
    std::deque<uint8_t> Fill;
    uint8_t FillAfter;
    std::vector<std::string> Events;
  } cases[] = {
      {false, 0, {255}, 0, {}},
      {false, 30000, {255}, 0, {"sleep 1", "yield"}},
      {false, 3000, {}, 255, {"sleep 1", "yield", "sleep 1", "yield"}},
      {true, 30000, {}, 0, {"sleep 2", "sleep 2"}},
      {true, 1000, {}, 0, {}},
  };
  for (const auto& c : cases) {
    auto driver = StartOneCard();
    Card->FillReadings = c.Fill;
    Card->Fill = c.FillAfter;
    driver->SetPendingCycles(0, c.Pending);
    if (c.Delay) {
      driver->Delay(0, 64);
    } else {
      driver->Write(0, 4, 10, 0x11);
    }
    EXPECT_EQ(TRecordingHost::Events, c.Events) << c.Pending;
    EXPECT_EQ(Card->Fifo.front(), c.Delay ? "wait 1" : "W 0 4 17") << "queued in the end";
  }
}

TEST_F(CatweaselMK4Test, ClearBufferEmptiesAFilledFifo) {
  for (const uint8_t fill : {0, 10}) {
    auto driver = StartOneCard();
    Card->Fill = fill;
    driver->ClearBuffer(0);
    TPortPairs expected{{0xC0, 63}};
    if (fill) expected.insert(expected.begin(), {0xC8, 3});
    EXPECT_EQ(Card->PortWrites(), expected);
  }
}

TEST_F(CatweaselMK4Test, FifoReadWaitsForTheCardAndTakesTheSecondResultByte) {
  const struct {
    int Polls;
    bool Answered;
  } cases[] = {{0, true}, {3, true}, {-1, false}};
  for (const auto& c : cases) {
    auto driver = StartOneCard();
    Card->Registers[1][25] = 0x42;
    Card->PollsBeforeReady = c.Polls;
    TFakeClock::Step = c.Answered ? 1000 : 10'000'000;
    uint8_t value = 0;
    EXPECT_EQ(driver->Read(1, 25, 10, value), c.Answered) << c.Polls;
    EXPECT_EQ(value, c.Answered ? 0x42 : 0);
    EXPECT_EQ(Card->Calls.front(), (TControlCall{kWritePorts, {0xC0, 0xF9}}));
    EXPECT_EQ(Card->Calls[1], (TControlCall{kWritePorts, {0xC0, 0x55}}));
    TFakeClock::Step = 1000;
  }
}

TEST_F(CatweaselMK4Test, ClockChangeReprogramsTheCardThroughItsFirstSocket) {
  auto driver = StartOneCard();
  for (const bool pal : {false, true}) {
    Card->Calls.clear();
    driver->SetPal(1, pal);
    const std::vector<TControlCall> expected{{kWritePorts, {0xC8, 0}},
                                             {kWritePorts, {3, 65}},
                                             {kReadPort, {0xD8}},
                                             {kReadPort, {0xD8}},
                                             {kReadPort, {0xD8}},
                                             {kReadPort, {0xD8}},
                                             {kWritePorts, {0xD8, 0, 0xDC, uint8_t(pal ? 31 : 95)}},
                                             {kWritePorts, {3, 1}},
                                             {kWritePorts, {0xC8, 1}}};
    EXPECT_EQ(Card->Calls, expected);
    EXPECT_DOUBLE_EQ(driver->SecondsPerCycle(1),
                     CycleSeconds(pal ? TClockMode::Pal : TClockMode::Ntsc));
    EXPECT_TRUE(driver->HandlesIdleDelay(1));
  }
}

TEST_F(CatweaselMK4Test, ResetRestartsTheFifoAndLeavesTheSocketQuiet) {
  for (const int32_t chip : {0, 1}) {
    auto driver = StartOneCard();
    Card->Registers[chip].fill(0x77);
    EXPECT_TRUE(driver->ResetDevice(chip, 1));
    const TPortPairs ports = Card->PortWrites();
    ASSERT_GE(ports.size(), 3u);
    EXPECT_EQ(TPortPairs(ports.begin(), ports.begin() + 3),
              (TPortPairs{{0xC8, 0}, {0xCC, 0}, {0xC8, 1}}));
    // The closing silence clears the sustain/release the reset sequence left at 8.
    for (int reg = 0; reg <= 24; ++reg) {
      const int expected = reg == 24 && chip == 1 ? 15 : 0;
      EXPECT_EQ(Card->Registers[chip][reg], expected) << "chip " << chip << " register " << reg;
    }
  }
}

TEST_F(CatweaselMK4Test, EveryCardIsStoppedAndClosedAtTheEnd) {
  auto first = Io.Add<TSimulatedMK4>(CardName("1_F0"));
  auto second = Io.Add<TSimulatedMK4>(CardName("2_F0"));
  Start().reset();
  for (const auto& card : {first, second}) {
    ASSERT_GE(card->Calls.size(), 5u);
    const std::vector<TControlCall> tail(card->Calls.end() - 5, card->Calls.end());
    EXPECT_EQ(tail, (std::vector<TControlCall>{{kWritePorts, {3, 1}},
                                               {kWritePorts, {0xC8, 0}},
                                               {kWritePorts, {0xCC, 0}},
                                               {kWritePorts, {3, 65}},
                                               {TCatweaselMK4::CloseCode, {}}}));
    EXPECT_TRUE(card->Closed);
  }
}

TEST_F(CatweaselMK4Test, RefusingOrVanishedCardNeverHangsThePlayer) {
  for (const bool vanish : {false, true}) {
    auto driver = StartOneCard();
    if (vanish) {
      Card->Gone = true;
    } else {
      Card->Refused.insert(kReadPort);
    }
    driver->SetPendingCycles(0, 100000);
    uint8_t value = 0x99;
    EXPECT_TRUE(driver->Write(0, 4, 1, 0x11));
    EXPECT_GT(driver->Delay(0, 5000), 0);
    EXPECT_FALSE(driver->Read(0, 27, 10, value));
    EXPECT_EQ(value, 0x99);
    driver->ClearBuffer(0);
    driver->SetPal(0, false);
    driver->ResetDevice(1, 1);
    driver->Silence(0);
    driver.reset();
    EXPECT_TRUE(Card->Closed);
  }
}

}  // namespace
