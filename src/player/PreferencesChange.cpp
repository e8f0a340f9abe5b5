#include "player/PreferencesChange.h"

#include "c64/T6510.h"
#include "output/DeviceHost.h"
#include "output/HardSID.h"
#include "player/PlaybackControl.h"
#include "player/dmSidPlayer.h"
#include "settings/Preferences.h"

namespace {

// Only HardSID chips have a clock setting: every one of them follows it, and no other chip is
// held at 1 MHz by it.
void ApplyHardSidClock(TDevices& devices, bool c64Clock) {
  HardSidC64Clock.store(c64Clock, std::memory_order_relaxed);
  for (int32_t device = 0; device < devices.Count(); ++device) {
    if (devices.GetName(device).find("HardSID") == std::string::npos) continue;
    if (c64Clock) {
      devices.UnlockClock(device);
    } else {
      devices.LockClock(device, TClockMode::OneMhz);
    }
  }
}

}  // namespace

void ApplyPreferencesChange(TPlaybackControl& control, TdmTimer& timer, const TPreferences& before,
                            TPreferences& after, bool saved) {
  control.UsePreferences(after);
  timer.MaxForwardSpeed = after.MaxForwardSpeed();
  Mk4StereoPlayback.store(after.ForceDualPlayback() == 1, std::memory_order_relaxed);
  const bool stereoChanged = after.ForceDualPlayback() != before.ForceDualPlayback();
  ApplyHardSidClock(*timer.Machine->Devices, after.HSClockAdjustment() == 1);
  if (!saved) return;
  control.KnowledgeReloaded();
  const bool clockChanged = after.FrequencySetting() != before.FrequencySetting();
  if (clockChanged) control.FrequencySettingChanged();
  if (clockChanged || stereoChanged) control.RestartPlayback();
}
