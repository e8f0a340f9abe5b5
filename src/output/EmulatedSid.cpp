#include "output/EmulatedSid.h"

#include <algorithm>

#include "output/DeviceHost.h"
#include "output/SidWriter.h"
#include "settings/Preferences.h"

namespace {

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
  return {SecondsPerCycle(0), SampleRate, FilterCurve, DigiBoost, Layout};
}

// A chip built again starts from the registers the tune wrote; its envelopes start from zero.
// The digi boost is a modification of 8580 boards; a 6581 has nothing for it to change.
void TEmulatedSid::BuildChip(TChip& chip, const TBuild& build) {
  TSidConfig config;
  config.ClockHz = 1.0 / build.ClockSeconds;
  config.SampleRate = build.SampleRate;
  config.FilterCurve = build.FilterCurve;
  config.DigiBoost = build.DigiBoost;
  std::vector<TSidModel> models;
  for (int32_t sid = 0; sid < chip.Sids.Count; ++sid) models.push_back(chip.Sids.ChipModel(sid, chip.Model));
  chip.Mix = std::make_unique<TSidMix>(config, models, build.Layout);
  chip.Build = build;
  for (size_t reg = 0; reg < size_t(chip.Sids.Count) * TSidChip::Registers; ++reg)
    chip.Mix->Write(uint8_t(reg), chip.Registers[reg]);
  const size_t room = chip.Mix->MaxFrames(StepCycles) * size_t(chip.Mix->Channels());
  if (Samples.size() < room) {
    Samples.resize(room);
    Pcm.resize(room);
  }
}

// A new tune: its SIDs, of their models, from their power-on state.
void TEmulatedSid::UseChips(int32_t chip, const TTuneSids& sids) {
  if (!Valid(chip) || sids == Chips[chip].Sids) return;
  Chips[chip].Sids = sids;
  Chips[chip].Registers.fill(0);
  BuildChip(Chips[chip], Chips[chip].Build);
}

bool TEmulatedSid::StartOutput(int32_t, std::string& error) {
  const TPreferences settings;
  FilterCurve = static_cast<TFilterCurve6581>(settings.Sid6581FilterCurve());
  DigiBoost = settings.Sid8580DigiBoost() == 1;
  Layout = settings.SidMonoMix() == 1 ? TSidMixLayout::Mono : TSidMixLayout::Stereo;
  const TRequest request{settings.SidOutputRate(), settings.SidLatency(), Layout == TSidMixLayout::Mono ? 1 : 2};
  if (Heard() && !Output.DeviceLost() && request == Requested) return true;
  CloseOutput();
  if (!Output.Open(request.Rate, request.Channels, request.LatencyMs, error)) return false;
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
  entry.Registers[reg % entry.Registers.size()] = value;
  entry.Mix->Write(reg, value);
  return true;
}

bool TEmulatedSid::Read(int32_t chip, uint8_t reg, uint32_t, uint8_t& value) {
  if (!Valid(chip)) return false;
  value = Chips[chip].Mix->Read(reg);
  return true;
}

void TEmulatedSid::Silence(int32_t chip) {
  if (!Valid(chip)) return;
  for (int32_t sid = 0; sid < Chips[chip].Sids.Count; ++sid)
    for (uint8_t reg : {24, 0, 1, 7, 8, 14, 15, 4, 11, 18, 5, 6, 12, 13, 19, 20})
      Write(chip, uint8_t(sid * TSidChip::Registers + reg), 0, 0);
}

bool TEmulatedSid::ResetDevice(int32_t chip, uint8_t) {
  if (!Valid(chip)) return false;
  TChip& entry = Chips[chip];
  entry.Mix->Reset();
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
    Queue(chip.Mix->Clock(step, Samples.data()), wait);
    cycles -= step;
  }
}

// A replay changes registers at once; the step of a 6581's volume turned up, or of a filter
// switched over, would click. The chip plays that moment unheard and fades in after it (an
// output that has played nothing since it opened would not fade in by itself).
void TEmulatedSid::Settle(TChip& chip) {
  for (uint32_t done = 0; done < SettleCycles; done += StepCycles) chip.Mix->Clock(StepCycles, Samples.data());
  chip.Settling = false;
  FadeInLength = FadeInLeft = std::max(1, Output.Rate() * FadeInMs / 1000);
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
  const size_t channels = size_t(Output.Channels());
  for (size_t frame = 0; frame < count && FadeInLeft > 0; ++frame, --FadeInLeft)
    for (size_t channel = 0; channel < channels; ++channel)
      Samples[frame * channels + channel] *= 1.0f - float(FadeInLeft) / float(FadeInLength);
  ToPcm16(Samples.data(), count * channels, Pcm.data());
  if (Output.Write(Pcm.data(), count) < count && Output.DeviceLost())
    Ready.store(false, std::memory_order_release);
}
