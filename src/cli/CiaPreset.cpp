#include "cli/CiaPreset.h"

#include "c64/T6510.h"
#include "cli/TuneFacts.h"

namespace {

// Timer periods in cycles: the PlaySID CIA rate, one video frame, and the KERNAL's own
// keyboard-scan interrupt for tunes that rely on the real machine.
constexpr uint16_t PalCiaPeriod = 16380;
constexpr uint16_t NtscCiaPeriod = 17095;
constexpr uint16_t PalFramePeriod = 19656;
constexpr uint16_t NtscFramePeriod = 17095;
constexpr uint16_t PalKernalPeriod = 16421;
constexpr uint16_t NtscKernalPeriod = 17045;

}  // namespace

// The song's speed bit is the one the machine itself uses to pick the interrupt source, so the
// latch always matches the source that will call the play routine.
TTimerPreset TimerPresetFor(const TTuneRecord& tune, int song, bool pal) {
  if (tune.magicId == "RSID") return {pal ? PalKernalPeriod : NtscKernalPeriod, false};
  if (SongUsesCia(tune, song - 1)) return {pal ? PalCiaPeriod : NtscCiaPeriod, true};
  return {pal ? PalFramePeriod : NtscFramePeriod, false};
}

void PresetCiaTimers(T6510& machine, const TTuneRecord& tune, int song, bool pal) {
  for (size_t timer = 0; timer < machine.TimerCounter.size(); ++timer)
    machine.TimerCounter[timer] = machine.TimerLatch[timer];
  const TTimerPreset preset = TimerPresetFor(tune, song, pal);
  machine.TimerLatch[0] = preset.Latch;
  if (preset.SetsCounter) machine.TimerCounter[0] = preset.Latch;
}
