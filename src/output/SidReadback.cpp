#include "output/SidReadback.h"

#include <algorithm>

namespace {

constexpr uint8_t Oscillator3 = 27;
constexpr uint8_t Envelope3 = 28;
constexpr uint8_t FirstPaddle = 25;
constexpr uint8_t SecondPaddle = 26;
constexpr uint8_t NoPaddle = 0xFF;
// Nobody listens to this chip: the lowest rate and the cheapest resampling will do.
constexpr int UnheardRate = 8000;
constexpr uint32_t StepCycles = 20000;

}  // namespace

TSidReadback::TSidReadback(TSidModel model) { Build(model); }

void TSidReadback::Build(TSidModel model) {
  TSidConfig config;
  config.Model = model;
  config.SampleRate = UnheardRate;
  config.Quality = TResampleQuality::Fast;
  Chip = std::make_unique<TSidChip>(config);
  BusFadeCycles = SidModelData(model).BusFadeCycles;
  Samples.resize(Chip->MaxSamples(StepCycles));
}

void TSidReadback::SetModel(TSidModel model) {
  if (model == Model()) return;
  Build(model);
  if (IsAwake)
    for (uint8_t reg = 0; reg < TSidChip::Registers; ++reg) Chip->Write(reg, Registers[reg]);
}

void TSidReadback::Reset() {
  Chip->Reset();
  IsAwake = false;
  Logged = 0;
  LogDropped = false;
  Waiting = LogSpan = 0;
  Registers.fill(0);
  Bus = 0;
  BusAge = BusFadeCycles;
}

void TSidReadback::Pass(uint32_t cycles) {
  BusAge += cycles;
  if (IsAwake) {
    Run(cycles);
    return;
  }
  Waiting += cycles;
  LogSpan += cycles;
  if (LogSpan > LogCycleLimit) DropLog();
}

void TSidReadback::Write(uint32_t cycles, uint8_t reg, uint8_t value) {
  Pass(cycles);
  reg &= TSidChip::Registers - 1;
  Registers[reg] = value;
  Bus = value;
  BusAge = 0;
  if (IsAwake) {
    Chip->Write(reg, value);
  } else {
    Log(reg, value);
  }
}

uint8_t TSidReadback::Read(uint32_t cycles, uint8_t reg) {
  Pass(cycles);
  reg &= TSidChip::Registers - 1;
  if (reg == Oscillator3 || reg == Envelope3) {
    if (!IsAwake) Wake();
    return Chip->Read(reg);
  }
  if (reg == FirstPaddle || reg == SecondPaddle) return NoPaddle;
  return BusAge < BusFadeCycles ? Bus : 0;
}

void TSidReadback::Log(uint8_t reg, uint8_t value) {
  if (LogDropped) return;
  if (Logged == LogSize) {
    DropLog();
    return;
  }
  Entries[Logged++] = {Waiting, reg, value};
  Waiting = 0;
}

void TSidReadback::DropLog() {
  LogDropped = true;
  Logged = 0;
}

void TSidReadback::Wake() {
  Chip->Reset();
  if (LogDropped) {
    for (uint8_t reg = 0; reg < TSidChip::Registers; ++reg) Chip->Write(reg, Registers[reg]);
  } else {
    for (size_t entry = 0; entry < Logged; ++entry) {
      Run(Entries[entry].Cycles);
      Chip->Write(Entries[entry].Reg, Entries[entry].Value);
    }
    Run(Waiting);
  }
  Logged = 0;
  Waiting = LogSpan = 0;
  IsAwake = true;
}

void TSidReadback::Run(uint64_t cycles) {
  while (cycles > 0) {
    const uint32_t step = uint32_t(std::min<uint64_t>(cycles, StepCycles));
    Chip->Clock(step, Samples.data());
    cycles -= step;
  }
}
