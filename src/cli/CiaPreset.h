#pragma once
// The CIA timers as the player sets them before a song starts: every counter back at its latch,
// and CIA 1 timer A's latch at the rate the tune expects to be called at.
#include <cstdint>

#include "tune/TuneRecord.h"

class T6510;

// CIA 1 timer A's latch for the song (counted from 1) and whether its counter starts there too.
struct TTimerPreset {
  uint16_t Latch = 0;
  bool SetsCounter = false;
};

TTimerPreset TimerPresetFor(const TTuneRecord& tune, int song, bool pal);
void PresetCiaTimers(T6510& machine, const TTuneRecord& tune, int song, bool pal);
