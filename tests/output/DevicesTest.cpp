#include <gtest/gtest.h>

#include <map>

#include "output/Devices.h"
#include "output/RecordingDevice.h"

namespace {

struct TKindSpec {
  int32_t Chips;
  const char* Name;
  int32_t Preferred = 0;
  bool OnlyWithoutPrevious = false;
};

// Driver kinds whose drivers stay reachable to the test after the list took them over.
struct TDriverSet {
  std::vector<TDriverKind> Kinds(const std::vector<TKindSpec>& specs) {
    std::vector<TDriverKind> kinds;
    for (const TKindSpec& spec : specs) {
      kinds.push_back({[this, spec] {
                         auto driver = std::make_unique<TRecordingDevice>(spec.Chips, spec.Name);
                         driver->Preferred = spec.Preferred;
                         driver->OnDestroy = [this](const TRecordingDevice& gone) {
                           FinalLogs[gone.Name] = gone.Log;
                         };
                         Created.push_back(driver.get());
                         return driver;
                       },
                       spec.OnlyWithoutPrevious});
    }
    return kinds;
  }
  std::vector<TRecordingDevice*> Created;
  std::map<std::string, std::vector<TDeviceCall>> FinalLogs;
};

uint32_t SleptMs() {
  uint32_t slept = 0;
  for (const std::string& event : TRecordingHost::Events) {
    if (event.starts_with("sleep ")) slept += uint32_t(std::stoul(event.substr(6)));
  }
  return slept;
}

std::vector<std::string> Names(const TDevices& devices) {
  std::vector<std::string> names;
  for (int32_t index = 0; index < devices.Count(); ++index) names.push_back(devices.GetName(index));
  return names;
}

TEST(Devices, EnumerationOrderSlotsAndPreferredDevice) {
  // The installed order: HardSID, then MK4, then MK3 only when no MK4 chip answered.
  const struct {
    const char* Name;
    std::vector<TKindSpec> Kinds;
    std::vector<std::string> Listed;
    int32_t Preferred;
  } cases[] = {
      {"no hardware", {{0, "HS", -1}, {0, "MK4"}, {0, "MK3", 0, true}}, {}, -1},
      {"HardSID with a 4U chip first",
       {{2, "HS", 1}, {2, "MK4"}, {1, "MK3", 0, true}},
       {"HS 0", "HS 1", "MK4 0", "MK4 1"},
       1},
      {"MK4 preferred after classic HardSID chips",
       {{2, "HS", -1}, {2, "MK4"}, {1, "MK3", 0, true}},
       {"HS 0", "HS 1", "MK4 0", "MK4 1"},
       2},
      {"MK3 listed without an MK4",
       {{1, "HS", -1}, {0, "MK4"}, {2, "MK3", 0, true}},
       {"HS 0", "MK3 0", "MK3 1"},
       1},
      {"MK3 alone takes the first slot",
       {{0, "HS", 0}, {0, "MK4"}, {1, "MK3", 0, true}},
       {"MK3 0"},
       0},
      {"preferred chip beyond the driver's chips", {{1, "HS", 3}}, {"HS 0"}, -1},
  };
  for (const auto& c : cases) {
    TRecordingHost host;
    TDriverSet set;
    {
      TDevices devices(set.Kinds(c.Kinds));
      EXPECT_EQ(Names(devices), c.Listed) << c.Name;
      EXPECT_EQ(devices.PreferredDevice(), c.Preferred) << c.Name;
      int32_t withChips = 0;
      for (const TKindSpec& kind : c.Kinds) withChips += kind.Chips > 0 ? 1 : 0;
      EXPECT_LE(TRecordingDevice::Alive, withChips)
          << c.Name << ": drivers without chips are freed";
    }
    EXPECT_EQ(TRecordingDevice::Alive, 0) << c.Name;
  }
}

TEST(Devices, ListHoldsTwentyFiveChipsAndDropsTheRest) {
  TRecordingHost host;
  TDriverSet set;
  TDevices devices(set.Kinds({{20, "A"}, {10, "B"}, {3, "C"}}));
  ASSERT_EQ(devices.Count(), TDevices::MaxChips);
  EXPECT_EQ(devices.GetName(24), "B 4");
  EXPECT_EQ(set.Created.size(), 3u);
  EXPECT_EQ(TRecordingDevice::Alive, 2) << "a driver none of whose chips fits is freed";
}

TEST(Devices, OperationsReachTheChipWithinItsDriverAndBadIndexesNothing) {
  TRecordingHost host;
  TDriverSet set;
  TDevices devices(set.Kinds({{2, "A"}, {2, "B"}}));
  TRecordingDevice& second = *set.Created[1];
  second.Minimum = 4;
  second.Buffered = true;
  EXPECT_TRUE(devices.Write(3, 24, 10, 15));
  EXPECT_EQ(devices.MinimumCycles(2), 4u);
  EXPECT_TRUE(devices.HandlesIdleDelay(2));
  devices.SetClock(2, TClockMode::Pal);
  EXPECT_EQ(devices.ClockMode(3), TClockMode::Pal) << "one clock per driver";
  EXPECT_EQ(devices.ClockMode(0), TClockMode::Ntsc) << "the first driver was not asked";
  EXPECT_EQ(second.Log, (std::vector<TDeviceCall>{{"Write", 1, 24, 10, 15}}));

  uint8_t value = 0x55;
  for (const int32_t bad : {-1, 4, 1000}) {
    EXPECT_FALSE(devices.Write(bad, 0, 1, 1)) << bad;
    EXPECT_FALSE(devices.Read(bad, 27, 1, value)) << bad;
    EXPECT_EQ(devices.Delay(bad, 100), 0) << bad;
    EXPECT_EQ(devices.MinimumCycles(bad), 1u) << bad;
    EXPECT_EQ(devices.GetName(bad), "") << bad;
    devices.Silence(bad);
  }
  EXPECT_EQ(value, 0x55);
  EXPECT_EQ(set.Created[0]->Log.size() + second.Log.size(), 1u);
}

TEST(Devices, ResetAllKeepsOnlyTheChosenChipAndWaitsThreeHundredMilliseconds) {
  const struct {
    int32_t Keep;
    int32_t FirstKeeps;
    int32_t SecondKeeps;
  } cases[] = {{2, -1, 1}, {0, 0, -1}, {-1, -1, -1}, {7, -1, -1}};
  for (const auto& c : cases) {
    TRecordingHost host;
    TDriverSet set;
    TDevices devices(set.Kinds({{1, "A"}, {2, "B"}}));
    TRecordingHost::Events.clear();
    devices.ResetAll(0, c.Keep);
    EXPECT_EQ(set.Created[0]->Log,
              (std::vector<TDeviceCall>{{"ResetAll", c.FirstKeeps, -1, 0, 0}}));
    EXPECT_EQ(set.Created[1]->Log,
              (std::vector<TDeviceCall>{{"ResetAll", c.SecondKeeps, -1, 0, 0}}));
    EXPECT_EQ(SleptMs(), 300u) << c.Keep;
    EXPECT_EQ(TRecordingHost::Events.front(), "messages") << "the window keeps answering";
  }
}

TEST(Devices, DestructionResetsKeepingTheFirstChipThenSilencesEveryChip) {
  TRecordingHost host;
  TDriverSet set;
  {
    TDevices devices(set.Kinds({{1, "A"}, {2, "B"}}));
    for (TRecordingDevice* driver : set.Created) driver->Log.clear();
    TRecordingHost::Events.clear();
  }
  EXPECT_EQ(TRecordingDevice::Alive, 0);
  EXPECT_EQ(set.FinalLogs["A"],
            (std::vector<TDeviceCall>{{"ResetAll", 0, -1, 0, 1}, {"Silence", 0}}));
  EXPECT_EQ(set.FinalLogs["B"],
            (std::vector<TDeviceCall>{{"ResetAll", -1, -1, 0, 1}, {"Silence", 0}, {"Silence", 1}}));
  EXPECT_EQ(SleptMs(), 300u);
}

}  // namespace
