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
      Resampler(std::make_unique<TSidResampler>(config.ClockHz / MixDivider, config.SampleRate, config.Quality)) {
  Filter.Configure(config.Model, config.FilterCurve, config.ClockHz / MixDivider);
  BoardLowPass.Configure(config.ClockHz / MixDivider);
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
  Carried = false;
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
  return Resampler->MaxOutput(cycles / MixDivider + 1) + blocks * Resampler->MaxOutput(0);
}

size_t TSidChip::Clock(uint32_t cycles, float* out) {
  size_t produced = 0;
  while (cycles > 0) {
    const uint32_t count = std::min(cycles, BlockCycles);
    const size_t mixed = RunBlock(count, Block.data());
    AgeAnalogue(count);
    const size_t made = Resampler->Process(Block.data(), mixed, out + produced);
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

size_t TSidChip::RunBlock(uint32_t cycles, float* block) {
  bool coupled = false;
  for (const TVoice& voice : Voices) coupled |= voice.Oscillator.Sync || (voice.Oscillator.Ring && (voice.Oscillator.Waveform & 1));
  if (coupled) {
    RenderVoicesTogether(cycles);
  } else {
    RenderVoicesApart(cycles);
  }
  return MixBlock(cycles, block);
}

namespace {

// A single waveform's value at the oscillator's accumulator: triangle (never ring-modulated on
// this path), sawtooth or pulse.
template <int Shape>
uint32_t SingleWaveform(const TSidOscillator& osc) {
  const uint32_t a = osc.Accumulator;
  if constexpr (Shape == 1) return (((a & TSidOscillator::MsbBit) ? ~a : a) >> 11) & 0xFFF;
  if constexpr (Shape == 2) return a >> 12;
  if constexpr (Shape == 4) return osc.Test || (a >> 12) >= osc.PulseWidth ? 0xFFF : 0;
}

// One voice's oscillator over a run of cycles at a constant envelope gain, the waveform
// fixed at compile time for the single waveforms; Shape -1 takes the general path.
template <int Shape>
void RenderRun(TSidOscillator& voice, const TSidOscillator& ringSource, const TSidModelData& model, float gain,
               float offset, uint32_t count, float* level) {
  // A local copy keeps the oscillator in registers while the levels are stored.
  TSidOscillator osc = voice;
  const float* dac = model.WaveDac.data();
  for (uint32_t i = 0; i < count; ++i) {
    osc.Clock();
    uint32_t wave;
    if constexpr (Shape > 0) {
      wave = SingleWaveform<Shape>(osc);
    } else {
      wave = osc.Output(ringSource, model);
    }
    level[i] = dac[wave] * gain + offset;
  }
  if constexpr (Shape > 0) {
    if (count > 0) osc.Held = SingleWaveform<Shape>(osc);
  }
  voice = osc;
}

}  // namespace

void TSidChip::RenderVoicesApart(uint32_t cycles) {
  const TSidModelData& model = *Model;
  for (size_t v = 0; v < 3; ++v) {
    TSidOscillator& osc = Voices[v].Oscillator;
    TSidEnvelope& envelope = Voices[v].Envelope;
    const TSidOscillator& ringSource = Voices[SourceOf(v)].Oscillator;
    float* level = Levels[v].data();
    uint32_t done = 0;
    while (done < cycles) {
      // Cycles before the envelope's next step run at one gain; the step's cycle starts the next
      // run. A holding envelope keeps its gain through the whole block.
      uint32_t run = cycles - done;
      if (envelope.Holding()) {
        envelope.SkipHolding(run);
      } else if (run = std::min(run, envelope.CyclesToStep() - 1); run == 0) {
        envelope.Clock();
        run = 1;
      } else {
        envelope.Skip(run);
      }
      const float gain = model.EnvelopeDac[envelope.Counter];
      // A level of (wave - zero) * gain + offset, folded into one multiply and add.
      const float offset = model.VoiceOffset - model.WaveZero * gain;
      switch (osc.Waveform) {
        case 1:
          RenderRun<1>(osc, ringSource, model, gain, offset, run, level + done);
          break;
        case 2:
          RenderRun<2>(osc, ringSource, model, gain, offset, run, level + done);
          break;
        case 4:
          RenderRun<4>(osc, ringSource, model, gain, offset, run, level + done);
          break;
        default:
          RenderRun<-1>(osc, ringSource, model, gain, offset, run, level + done);
          break;
      }
      done += run;
    }
  }
}

void TSidChip::RenderVoicesTogether(uint32_t cycles) {
  const TSidModelData& model = *Model;
  for (uint32_t i = 0; i < cycles; ++i) {
    for (TVoice& voice : Voices) {
      voice.Envelope.Clock();
      voice.Oscillator.Clock();
    }
    for (size_t v = 0; v < 3; ++v) Voices[v].Oscillator.Synchronize(Voices[SourceOf(v)].Oscillator);
    for (size_t v = 0; v < 3; ++v) {
      const uint32_t wave = Voices[v].Oscillator.Output(Voices[SourceOf(v)].Oscillator, model);
      Levels[v][i] = (model.WaveDac[wave] - model.WaveZero) * model.EnvelopeDac[Voices[v].Envelope.Counter] +
                     model.VoiceOffset;
    }
  }
}

size_t TSidChip::MixBlock(uint32_t cycles, float* block) {
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
  // Pairs of cycles are averaged; a block of odd length leaves its last cycle for the next.
  // Local copies keep the filter's and the board's state in registers through the loop.
  TSidFilter filter = Filter;
  TBoardLowPass board = BoardLowPass;
  const auto mixPair = [&](const TPair& pair) {
    return board.Clock((pair.Direct * 0.5f + filter.Clock(pair.Filtered * 0.5f)) * volume);
  };
  size_t mixed = 0;
  uint32_t i = 0;
  if (Carried) {
    Carry = Carry + CycleMix(0, routed, direct, externalRouted, externalDirect);
    block[mixed++] = mixPair(Carry);
    Carried = false;
    i = 1;
  }
  for (; i + 1 < cycles; i += 2) {
    const TPair pair = CycleMix(i, routed, direct, externalRouted, externalDirect) +
                       CycleMix(i + 1, routed, direct, externalRouted, externalDirect);
    block[mixed++] = mixPair(pair);
  }
  if (i < cycles) {
    Carry = CycleMix(i, routed, direct, externalRouted, externalDirect);
    Carried = true;
  }
  Filter = filter;
  BoardLowPass = board;
  return mixed;
}

void ToPcm16(const float* in, size_t count, int16_t* out) {
  for (size_t i = 0; i < count; ++i) {
    const float scaled = std::nearbyint(in[i] * 32768.0f);
    out[i] = int16_t(std::clamp(scaled, -32768.0f, 32767.0f));
  }
}
