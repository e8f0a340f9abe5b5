// The chip's three voices, filter and output stage clocked together: each cycle the
// envelopes and accumulators advance, hard sync and ring modulation take their source voice
// (voice 3 for voice 1, voice 1 for voice 2, voice 2 for voice 3), each voice's waveform DAC
// and envelope DAC multiply, the routed voices pass the filter, and the volume sets the sum.
#include "sid/SidChip.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t SourceOf(size_t voice) { return (voice + 2) % 3; }

}  // namespace

TSidChip::TSidChip(const TSidConfig& config)
    : Settings(config),
      Model(&SidModelData(config.Model)),
      Resampler(std::make_unique<TSidResampler>(config.ClockHz, config.SampleRate, config.Quality)) {
  Filter.Configure(config.Model, config.FilterCurve, config.ClockHz);
  BoardLowPass.Configure(config.ClockHz);
  CouplingHighPass.Configure(config.SampleRate);
  for (TVoice& voice : Voices) {
    voice.Oscillator.FadeCycles = Model->WaveFadeCycles;
    voice.Oscillator.NoiseFillCycles = Model->NoiseFillCycles;
  }
  Reset();
}

void TSidChip::Reset() {
  for (TVoice& voice : Voices) {
    voice.Oscillator.Reset();
    voice.Envelope.Reset();
  }
  Filter.Reset();
  BusValue = 0;
  BusAge = 0;
}

void TSidChip::Write(uint8_t reg, uint8_t value) {
  BusValue = value;
  BusAge = 0;
  reg &= Registers - 1;
  if (reg < 21) {
    TVoice& voice = Voices[reg / 7];
    switch (reg % 7) {
      case 0:
        voice.Oscillator.WriteFrequencyLow(value);
        break;
      case 1:
        voice.Oscillator.WriteFrequencyHigh(value);
        break;
      case 2:
        voice.Oscillator.WritePulseLow(value);
        break;
      case 3:
        voice.Oscillator.WritePulseHigh(value);
        break;
      case 4:
        voice.Oscillator.WriteControl(value);
        voice.Envelope.WriteControl(value);
        break;
      case 5:
        voice.Envelope.WriteAttackDecay(value);
        break;
      case 6:
        voice.Envelope.WriteSustainRelease(value);
        break;
    }
    return;
  }
  switch (reg) {
    case 21:
      Filter.WriteCutoffLow(value);
      break;
    case 22:
      Filter.WriteCutoffHigh(value);
      break;
    case 23:
      Filter.WriteResonanceRouting(value);
      break;
    case 24:
      Filter.WriteModeVolume(value);
      break;
    default:
      break;
  }
}

uint8_t TSidChip::Read(uint8_t reg) {
  switch (reg & (Registers - 1)) {
    case 25:
    case 26:
      return 0xFF;  // no paddles connected
    case 27:
      return uint8_t(Voices[2].Oscillator.Held >> 4);
    case 28:
      return Voices[2].Envelope.Counter;
    default:
      return BusValue;
  }
}

size_t TSidChip::MaxSamples(uint32_t cycles) const {
  const uint32_t blocks = (cycles + BlockCycles - 1) / BlockCycles;
  return Resampler->MaxOutput(cycles) + blocks * Resampler->MaxOutput(0);
}

size_t TSidChip::Clock(uint32_t cycles, float* out) {
  size_t produced = 0;
  while (cycles > 0) {
    const uint32_t count = std::min(cycles, BlockCycles);
    RunBlock(count, Block.data());
    AgeAnalogue(count);
    const size_t made = Resampler->Process(Block.data(), count, out + produced);
    for (size_t i = produced; i < produced + made; ++i) out[i] = CouplingHighPass.Filter(out[i]);
    produced += made;
    cycles -= count;
  }
  return produced;
}

void TSidChip::AgeAnalogue(uint32_t cycles) {
  for (TVoice& voice : Voices) voice.Oscillator.Age(cycles);
  if (BusAge < Model->BusFadeCycles) {
    BusAge += cycles;
    if (BusAge >= Model->BusFadeCycles) BusValue = 0;
  }
}

void TSidChip::RunBlock(uint32_t cycles, float* block) {
  const TSidModelData& model = *Model;
  std::array<float, 3> routed{}, direct{};
  for (size_t v = 0; v < 3; ++v) {
    const bool filtered = (Filter.Routing >> v) & 1;
    routed[v] = filtered ? 1.0f : 0.0f;
    direct[v] = !filtered && !(v == 2 && Filter.Voice3Off) ? 1.0f : 0.0f;
  }
  const float external = Settings.DigiBoost ? model.DigiBoostLevel : 0.0f;
  const float externalRouted = (Filter.Routing & 8) ? external : 0.0f;
  const float externalDirect = external - externalRouted;
  const float volume = float(Filter.Volume) / 15.0f * model.OutputScale / 32768.0f;
  const float zero = model.WaveZero;
  const float offset = model.VoiceOffset;

  for (uint32_t i = 0; i < cycles; ++i) {
    for (TVoice& voice : Voices) {
      voice.Envelope.Clock();
      voice.Oscillator.Clock();
    }
    for (size_t v = 0; v < 3; ++v) Voices[v].Oscillator.Synchronize(Voices[SourceOf(v)].Oscillator);
    float filterInput = externalRouted;
    float directSum = externalDirect;
    for (size_t v = 0; v < 3; ++v) {
      const uint32_t wave = Voices[v].Oscillator.Output(Voices[SourceOf(v)].Oscillator, model);
      const float level = (model.WaveDac[wave] - zero) * model.EnvelopeDac[Voices[v].Envelope.Counter] + offset;
      filterInput += level * routed[v];
      directSum += level * direct[v];
    }
    block[i] = BoardLowPass.Clock((directSum + Filter.Clock(filterInput)) * volume);
  }
}

void ToPcm16(const float* in, size_t count, int16_t* out) {
  for (size_t i = 0; i < count; ++i) {
    const float scaled = std::nearbyint(in[i] * 32768.0f);
    out[i] = int16_t(std::clamp(scaled, -32768.0f, 32767.0f));
  }
}
