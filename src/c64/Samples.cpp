// The PlaySID sample channels: registers that no real SID has, played here the way a C64 would
// play 4-bit samples, as timed writes to the volume register $D418.
#include "c64/T6510.h"

namespace {

constexpr uint8_t VolumeRegister = 0x18;
constexpr uint32_t ChannelOf(uint16_t address) { return (address >> 8) & 1; }

}  // namespace

// The channels answer at their exact addresses only, not at the mirrors of the SID.
bool T6510::WriteSampleRegister(uint16_t address, uint8_t value) {
  if ((address & 0xFE00) != 0xD400) return false;
  const uint32_t index = ChannelOf(address);
  TSampleChannel& channel = SampleChannels[index];
  switch (address & 0xFF) {
    case 0x1D:
      SampleCommand(index, value);
      break;
    case 0x1E:
      channel.SampleStart = static_cast<uint16_t>((channel.SampleStart & 0xFF00) | value);
      break;
    case 0x1F:
      channel.SampleStart = static_cast<uint16_t>((channel.SampleStart & 0x00FF) | value << 8);
      break;
    case 0x3D:
      channel.SampleEnd = static_cast<uint16_t>((channel.SampleEnd & 0xFF00) | value);
      channel.ToneLength = value;
      break;
    case 0x3E:
      channel.SampleEnd = static_cast<uint16_t>((channel.SampleEnd & 0x00FF) | value << 8);
      channel.VolumeStep = value;
      break;
    case 0x3F:
      channel.RepeatCount = value;
      channel.RepeatForever = value == 0xFF;
      channel.ToneMultiplier = value;
      break;
    case 0x5D:
      channel.SamplePeriod = static_cast<uint16_t>((channel.SamplePeriod & 0xFF00) | value);
      channel.ToneAdd = value;
      break;
    case 0x5E:
      channel.SamplePeriod = static_cast<uint16_t>((channel.SamplePeriod & 0x00FF) | value << 8);
      break;
    case 0x5F:
      channel.Octave = value;
      break;
    case 0x7D:
      channel.NibbleOrder = value & 1;
      break;
    case 0x7E:
      channel.RepeatAddress = static_cast<uint16_t>((channel.RepeatAddress & 0xFF00) | value);
      break;
    case 0x7F:
      channel.RepeatAddress = static_cast<uint16_t>((channel.RepeatAddress & 0x00FF) | value << 8);
      break;
    default:
      return false;
  }
  return true;
}

void T6510::SampleCommand(uint32_t index, uint8_t value) {
  TSampleChannel& channel = SampleChannels[index];
  switch (value) {
    case 0x00:
      return;
    case 0xFF:
    case 0xFE:
    case 0xFC:
      channel.Shift = value == 0xFF ? 0 : value == 0xFE ? 1 : 2;
      if (channel.SampleEnd < channel.SampleStart) return;
      channel.SamplePeriod = channel.Octave < 16 ? static_cast<uint16_t>(channel.SamplePeriod >> channel.Octave) : 0;
      channel.Stopped = 0;
      channel.Countdown = -1;
      channel.Address = channel.SampleStart;
      channel.NibbleToggle = channel.NibbleOrder;
      return;
    case 0xFD:
      if (channel.Stopped) return;
      channel.Stopped = 1;
      channel.Output = 0;
      // With both channels silent the tune's own volume comes back.
      if (SampleChannels[index ^ 1].Stopped) SendSidWrite(VolumeRegister, SidVolume);
      return;
    default:
      if (!channel.ToneLength || !channel.ToneMultiplier || !channel.ToneAdd) return;
      channel.ToneCount = static_cast<uint8_t>(value - 1);
      channel.TonesStopped = 0;
      channel.TonesVolume = SidVolume & 0x0F;
      channel.TonesLeft = value - 1;
      channel.ToneCyclesLeft = channel.ToneLength;
      channel.Address = static_cast<uint16_t>(channel.SampleStart + channel.TonesLeft);
      channel.SampleEnd = static_cast<uint16_t>(channel.SampleStart + channel.ToneCount);
      channel.TonesPeriod = (channel.ToneMultiplier + 1) * MapRead(channel.Address) + channel.ToneAdd;
      channel.TonesCountdown = -1;
      return;
  }
}

void T6510::AdvanceSamples(uint32_t cycles) {
  AdvanceToneSequence(cycles);
  AdvanceSampleChannel(0, cycles);
  AdvanceSampleChannel(1, cycles);
}

// Only the first channel's tone sequence sounds; the second one's is set up and stays silent.
void T6510::AdvanceToneSequence(uint32_t cycles) {
  TSampleChannel& channel = SampleChannels[0];
  if (channel.TonesStopped) return;
  channel.TonesCountdown -= static_cast<int32_t>(cycles);
  if (channel.TonesCountdown >= 0) return;
  const int32_t overrun = (-channel.TonesCountdown - 1) % (channel.TonesPeriod + 1);
  channel.TonesCountdown = channel.TonesPeriod;
  channel.Address = static_cast<uint16_t>(channel.SampleStart + channel.TonesLeft);
  channel.TonesPeriod = MapRead(channel.Address) * (channel.ToneMultiplier + 1) + channel.ToneAdd;
  channel.TonesCountdown = channel.TonesPeriod - overrun;
  if (--channel.ToneCyclesLeft < 0) {
    channel.ToneCyclesLeft = channel.ToneLength;
    if (--channel.TonesLeft < 0) channel.TonesStopped = 1;
  }
  channel.TonesVolume =
      (channel.TonesStopped ? SidVolume : channel.TonesVolume + channel.VolumeStep) & 0x0F;
  SendSidWrite(VolumeRegister, static_cast<uint8_t>((SidVolume & 0xF0) + channel.TonesVolume));
}

void T6510::AdvanceSampleChannel(uint32_t index, uint32_t cycles) {
  TSampleChannel& channel = SampleChannels[index];
  const TSampleChannel& other = SampleChannels[index ^ 1];
  if (channel.Stopped) return;
  channel.Countdown -= static_cast<int32_t>(cycles);
  if (channel.Countdown >= 0) return;
  const int32_t overrun = (-channel.Countdown - 1) % (channel.SamplePeriod + 1);
  channel.Countdown = channel.SamplePeriod;
  const uint8_t byte = MapRead(channel.Address);
  const bool low = channel.Octave == 0 ? channel.NibbleToggle == 0 : channel.NibbleOrder == 0;
  const uint8_t nibble = low ? byte & 0x0F : byte >> 4;
  channel.NibbleToggle ^= 1;
  if (channel.NibbleToggle == channel.NibbleOrder) ++channel.Address;
  if (channel.Address >= channel.SampleEnd) {
    if (!channel.RepeatForever) {
      if (channel.RepeatCount) --channel.RepeatCount;
      channel.Stopped = channel.RepeatCount == 0;
    }
    if (!channel.Stopped) {
      channel.Address = channel.RepeatAddress;
      channel.NibbleToggle = channel.NibbleOrder;
    }
  }
  if (!channel.Stopped) channel.Countdown -= overrun;
  const uint8_t value = nibble >> channel.Shift;
  channel.Output = channel.Stopped ? 0 : value;
  uint8_t mix = static_cast<uint8_t>(other.Output + value);
  // A shifted sample alone would play too quietly: it is lifted towards the middle.
  const uint8_t volume = SidVolume & 0x0F;
  if (volume < 9 && channel.Shift != 0 && other.Stopped) mix = static_cast<uint8_t>(mix + (volume < 7 ? 6 : volume));
  SendSidWrite(VolumeRegister, static_cast<uint8_t>((SidVolume & 0xF0) + (mix & 0x0F)));
}
