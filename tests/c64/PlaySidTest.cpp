// PlaySID sample channels: register handling and the $D418 stream they produce.
#include <gtest/gtest.h>

#include "MachineFixture.h"

namespace {

constexpr uint16_t Channel1 = 0xD41D;
constexpr uint16_t Channel2 = 0xD51D;

struct TSample {
  uint16_t Start, End, Repeat;
  uint16_t Period;
  uint8_t RepeatCount;
  uint8_t NibbleOrder;
};

// The PlaySID environment with an idle CPU and the I/O area banked in for writes.
std::unique_ptr<T6510> MakePlaySidMachine(TRecordingSink& sink) {
  auto machine = MakeMachine(0x37);
  machine->SetPlaySidMode(true);
  machine->SetSidSink(&sink);
  machine->PC = 0xFFFF;
  return machine;
}

void Program(T6510& machine, uint16_t base, const TSample& s) {
  machine.WriteMemory(base + 0x01, s.Start & 0xFF);
  machine.WriteMemory(base + 0x02, s.Start >> 8);
  machine.WriteMemory(base + 0x20, s.End & 0xFF);
  machine.WriteMemory(base + 0x21, s.End >> 8);
  machine.WriteMemory(base + 0x22, s.RepeatCount);
  machine.WriteMemory(base + 0x40, s.Period & 0xFF);
  machine.WriteMemory(base + 0x41, s.Period >> 8);
  machine.WriteMemory(base + 0x42, 0);
  machine.WriteMemory(base + 0x60, s.NibbleOrder);
  machine.WriteMemory(base + 0x61, s.Repeat & 0xFF);
  machine.WriteMemory(base + 0x62, s.Repeat >> 8);
}

std::vector<uint8_t> VolumeNibbles(const TRecordingSink& sink) {
  std::vector<uint8_t> nibbles;
  for (const TSidAccess& write : sink.Writes) {
    if (write.Reg == 24) nibbles.push_back(write.Value & 0x0F);
  }
  return nibbles;
}

}  // namespace

TEST(PlaySid, SampleRegistersNeverReachTheSid) {
  TRecordingSink sink;
  auto machine = MakePlaySidMachine(sink);
  Program(*machine, Channel1, {0x2000, 0x2010, 0x2000, 100, 1, 0});
  Program(*machine, Channel2, {0x3000, 0x3010, 0x3000, 100, 1, 0});
  EXPECT_TRUE(sink.Writes.empty());
  EXPECT_EQ(machine->SampleChannels[0].SampleEnd, 0x2010);
  EXPECT_EQ(machine->SampleChannels[1].SampleEnd, 0x3010);
  machine->WriteMemory(0xD41C, 0x11);
  machine->WriteMemory(0xD61E, 0x22);  // a mirror of the SID, not a sample register
  const std::vector<TSidAccess> through = {{28, 0x11, 1}, {30, 0x22, 1}};
  EXPECT_EQ(sink.Writes, through);
  machine->SetPlaySidMode(false);
  machine->WriteMemory(0xD41E, 0x00);
  EXPECT_EQ(sink.Writes.size(), 3u) << "outside the PlaySID environment they are ordinary SID writes";
}

TEST(PlaySid, StartIsIgnoredWhenTheSampleEndsBeforeItStarts) {
  TRecordingSink sink;
  auto machine = MakePlaySidMachine(sink);
  Program(*machine, Channel1, {0x2010, 0x2000, 0x2000, 100, 1, 0});
  machine->WriteMemory(Channel1, 0xFF);
  machine->ExecuteCycles(5000);
  EXPECT_EQ(machine->SampleChannels[0].Stopped, 1);
  EXPECT_TRUE(sink.Writes.empty());
}

TEST(PlaySid, NibbleOrderPicksWhichHalfPlaysFirst) {
  struct TCase {
    uint8_t Order;
    std::vector<uint8_t> Expected;
  };
  for (const TCase& c : {TCase{0, {2, 1, 4, 3}}, TCase{1, {1, 2, 3, 4}}}) {
    TRecordingSink sink;
    auto machine = MakePlaySidMachine(sink);
    machine->Ram[0x2000] = 0x12;
    machine->Ram[0x2001] = 0x34;
    Program(*machine, Channel1, {0x2000, 0x2002, 0x2000, 50, 1, c.Order});
    machine->WriteMemory(Channel1, 0xFF);
    machine->ExecuteCycles(1000);
    EXPECT_EQ(VolumeNibbles(sink), c.Expected) << int(c.Order);
    EXPECT_EQ(machine->SampleChannels[0].Stopped, 1);
  }
}

TEST(PlaySid, RepeatCountFFLoopsForever) {
  TRecordingSink sink;
  auto machine = MakePlaySidMachine(sink);
  machine->Ram[0x2000] = 0x21;
  machine->Ram[0x2001] = 0x43;
  machine->Ram[0x2002] = 0x65;
  // Plays $2000-$2002 once, then repeats from $2001.
  Program(*machine, Channel1, {0x2000, 0x2003, 0x2001, 40, 0xFF, 0});
  machine->WriteMemory(Channel1, 0xFF);
  machine->ExecuteCycles(41 * 200.0);
  EXPECT_EQ(machine->SampleChannels[0].Stopped, 0);
  const std::vector<uint8_t> nibbles = VolumeNibbles(sink);
  ASSERT_GE(nibbles.size(), 150u);
  const std::vector<uint8_t> start(nibbles.begin(), nibbles.begin() + 10);
  EXPECT_EQ(start, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 3, 4, 5, 6}));
}

TEST(PlaySid, NibblesKeepTheirPeriodWithoutDrift) {
  TRecordingSink sink;
  auto machine = MakePlaySidMachine(sink);
  Program(*machine, Channel1, {0x2000, 0x2100, 0x2000, 200, 1, 0});
  machine->WriteMemory(Channel1, 0xFF);
  machine->ExecuteCycles(201 * 101.0);
  ASSERT_GE(sink.Writes.size(), 100u);
  uint64_t span = 0;
  for (size_t i = 1; i < 101; ++i) span += sink.Writes[i].Cycles;
  EXPECT_NEAR(static_cast<double>(span), 201.0 * 100, 3.0);
}

TEST(PlaySid, VolumeIsRestoredWhenTheSecondChannelStops) {
  TRecordingSink sink;
  auto machine = MakePlaySidMachine(sink);
  machine->WriteMemory(0xD418, 0x1F);
  Program(*machine, Channel1, {0x2000, 0x2100, 0x2000, 100, 1, 0});
  Program(*machine, Channel2, {0x2000, 0x2100, 0x2000, 100, 1, 0});
  machine->WriteMemory(Channel1, 0xFF);
  machine->WriteMemory(Channel2, 0xFF);
  machine->ExecuteCycles(500);
  sink.Writes.clear();
  machine->WriteMemory(Channel1, 0xFD);
  EXPECT_TRUE(sink.Writes.empty()) << "channel 2 still plays";
  machine->WriteMemory(Channel2, 0xFD);
  ASSERT_EQ(sink.Writes.size(), 1u);
  EXPECT_EQ(sink.Writes[0].Reg, 24);
  EXPECT_EQ(sink.Writes[0].Value, 0x1F);
  machine->WriteMemory(Channel2, 0xFD);
  EXPECT_EQ(sink.Writes.size(), 1u) << "stopping a silent channel does nothing";
}

TEST(PlaySid, ShiftedSampleAloneIsLifted) {
  TRecordingSink sink;
  auto machine = MakePlaySidMachine(sink);
  machine->WriteMemory(0xD418, 0x15);
  machine->Ram[0x2000] = 0x08;
  Program(*machine, Channel1, {0x2000, 0x2001, 0x2000, 50, 1, 0});
  machine->WriteMemory(Channel1, 0xFE);  // shift 1: 8 >> 1 = 4, plus 6 for volume 5
  machine->ExecuteCycles(100);
  ASSERT_FALSE(sink.Writes.empty());
  EXPECT_EQ(sink.Writes[1].Value, 0x10 + 4 + 6);
}
