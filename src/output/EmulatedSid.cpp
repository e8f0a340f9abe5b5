#include "output/EmulatedSid.h"

#include <algorithm>

#include "output/DeviceHost.h"
#include "output/SidWriter.h"
#include "settings/Preferences.h"

namespace {

constexpr int kMono = 1;
// Fast forward queues at least this much sound at a time (a millisecond at the rate): smaller
// pieces would cost more in calls than they play.
constexpr int kForwardPiecesPerSecond = 1000;
// Before the output closes, the fade of the last clear must have reached the speaker: this many
// device buffers, waited for in steps of a millisecond up to the bound.
constexpr int64_t kFadeBuffers = 2;
constexpr int kCloseWaitLimitMs = 250;

constexpr TSidModel kModels[TEmulatedSid::ChipCount] = {TSidModel::Mos6581, TSidModel::Mos8580};

const char* ModelText(TSidModel model) { return model == TSidModel::Mos8580 ? "8580" : "6581"; }

}  // namespace

TEmulatedSid::TEmulatedSid(TCounterRead counter) : TSidDevice(counter) {
  for (int32_t chip = 0; chip < ChipCount; ++chip) {
    Chips[chip].Model = kModels[chip];
    BuildChip(Chips[chip], WantedBuild());
  }
}

TEmulatedSid::~TEmulatedSid() { Output.Close(); }

TEmulatedSid::TBuild TEmulatedSid::WantedBuild() const {
  return {SecondsPerCycle(0), SampleRate, FilterCurve, DigiBoost};
}

// A chip built again starts from the registers the tune wrote; its envelopes start from zero.
void TEmulatedSid::BuildChip(TChip& chip, const TBuild& build) {
  TSidConfig config;
  config.Model = chip.Model;
  config.ClockHz = 1.0 / build.ClockSeconds;
  config.SampleRate = build.SampleRate;
  config.FilterCurve = build.FilterCurve;
  config.DigiBoost = build.DigiBoost && chip.Model == TSidModel::Mos8580;
  chip.Sid = std::make_unique<TSidChip>(config);
  chip.Build = build;
  for (uint8_t reg = 0; reg < TSidChip::Registers; ++reg) chip.Sid->Write(reg, chip.Registers[reg]);
  const size_t room = chip.Sid->MaxSamples(StepCycles);
  if (Samples.size() < room) {
    Samples.resize(room);
    Pcm.resize(room);
  }
}

bool TEmulatedSid::StartOutput(int32_t, std::string& error) {
  const TPreferences settings;
  FilterCurve = static_cast<TFilterCurve6581>(settings.Sid6581FilterCurve());
  DigiBoost = settings.Sid8580DigiBoost() == 1;
  const TRequest request{settings.SidOutputRate(), settings.SidLatency()};
  if (Heard() && !Output.DeviceLost() && request == Requested) return true;
  CloseOutput();
  if (!Output.Open(request.Rate, kMono, request.LatencyMs, error)) return false;
  Requested = request;
  SampleRate = Output.Rate();
  Ready.store(true, std::memory_order_release);
  return true;
}

// The fade of the clear before must be heard, or the sound would stop with a click.
void TEmulatedSid::CloseOutput() {
  if (Heard()) {
    Output.Clear();
    const int64_t faded = Output.DeliveredFrames() + kFadeBuffers * Output.DeviceBufferFrames();
    for (int waited = 0; waited < kCloseWaitLimitMs && Output.DeliveredFrames() < faded && !Output.DeviceLost();
         ++waited)
      DeviceHost().SleepMs(1);
  }
  Ready.store(false, std::memory_order_release);
  Output.Close();
}

void TEmulatedSid::SetFastForward(int32_t, bool fastForward) {
  FastForward.store(fastForward, std::memory_order_relaxed);
}

bool TEmulatedSid::EmulatedModel(int32_t chip, TSidModel& model) const {
  if (!Valid(chip)) return false;
  model = Chips[chip].Model;
  return true;
}

void TEmulatedSid::SetPal(int32_t chip, bool pal) { SetClock(chip, pal ? TClockMode::Pal : TClockMode::Ntsc); }

std::string TEmulatedSid::GetName(int32_t chip) const {
  return Valid(chip) ? std::string("Emulated SID ") + ModelText(Chips[chip].Model) : std::string();
}

std::string TEmulatedSid::DetectModel(int32_t chip) {
  return Valid(chip) ? ModelText(Chips[chip].Model) : std::string();
}

int64_t TEmulatedSid::GetLatency(int32_t) const {
  if (!Heard()) return 0;
  return Output.QueuedFrames() * Frequency / std::max(Output.Rate(), 1);
}

// The dummy register only carries time, which the delay before it has played already.
bool TEmulatedSid::Write(int32_t chip, uint8_t reg, uint32_t, uint8_t value) {
  if (!Valid(chip)) return false;
  if (reg == TSidWriter::DummyRegister) return true;
  TChip& entry = Chips[chip];
  entry.Registers[reg & (TSidChip::Registers - 1)] = value;
  entry.Sid->Write(reg, value);
  return true;
}

bool TEmulatedSid::Read(int32_t chip, uint8_t reg, uint32_t, uint8_t& value) {
  if (!Valid(chip)) return false;
  value = Chips[chip].Sid->Read(reg);
  return true;
}

void TEmulatedSid::Silence(int32_t chip) {
  for (uint8_t reg : {24, 0, 1, 7, 8, 14, 15, 4, 11, 18, 5, 6, 12, 13, 19, 20}) Write(chip, reg, 0, 0);
}

bool TEmulatedSid::ResetDevice(int32_t chip, uint8_t) {
  if (!Valid(chip)) return false;
  TChip& entry = Chips[chip];
  entry.Sid->Reset();
  entry.Registers.fill(0);
  return true;
}

// Flag 1 ends the playing (Stop, or the program's end): the sound output closes with it.
void TEmulatedSid::ResetAll(uint8_t flag, int32_t) {
  for (int32_t chip = 0; chip < ChipCount; ++chip) ResetDevice(chip, flag);
  if (flag == 1) CloseOutput();
}

// What is queued has not been heard yet and is dropped; the output fades it out.
void TEmulatedSid::ClearBuffer(int32_t) {
  if (Heard()) Output.Clear();
}

void TEmulatedSid::Commit(int32_t chip) {
  if (Valid(chip)) Chips[chip].Settling = true;
}

int32_t TEmulatedSid::Delay(int32_t chip, int32_t cycles) {
  if (!Valid(chip) || !Heard()) return 0;
  TChip& entry = Chips[chip];
  if (const TBuild wanted = WantedBuild(); !(entry.Build == wanted)) BuildChip(entry, wanted);
  if (entry.Settling) Settle(entry);
  if (FastForward.load(std::memory_order_relaxed)) {
    PlayInRealTime(entry);
  } else if (cycles > 0) {
    Play(entry, uint32_t(cycles), true);
  }
  return 1;
}

void TEmulatedSid::Play(TChip& chip, uint32_t cycles, bool wait) {
  while (cycles > 0) {
    const uint32_t step = std::min(cycles, StepCycles);
    Queue(chip.Sid->Clock(step, Samples.data()), wait);
    cycles -= step;
  }
}

// A replay changes registers at once; the step of a 6581's volume turned up, or of a filter
// switched over, would click. The chip plays that moment unheard, and the output, cleared
// before the replay, fades in after it.
void TEmulatedSid::Settle(TChip& chip) {
  for (uint32_t done = 0; done < SettleCycles; done += StepCycles) chip.Sid->Clock(StepCycles, Samples.data());
  chip.Settling = false;
}

// The few samples the resampler gives beyond the room are dropped rather than waited for.
void TEmulatedSid::PlayInRealTime(TChip& chip) {
  const int rate = Output.Rate();
  const int64_t room = Room();
  if (room < rate / kForwardPiecesPerSecond) return;
  Play(chip, uint32_t(double(room) / double(rate) / chip.Build.ClockSeconds), false);
}

int64_t TEmulatedSid::Room() const { return Output.LatencyFrames() - Output.QueuedFrames(); }

// A device lost while playing leaves the output open but unheard until the next start.
void TEmulatedSid::Queue(size_t count, bool wait) {
  if (!Heard()) return;
  if (!wait) count = size_t(std::clamp<int64_t>(Room(), 0, int64_t(count)));
  ToPcm16(Samples.data(), count, Pcm.data());
  if (Output.Write(Pcm.data(), count) < count && Output.DeviceLost())
    Ready.store(false, std::memory_order_release);
}
