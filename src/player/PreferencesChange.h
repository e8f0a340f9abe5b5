#pragma once
// What changes for the running program once the preferences dialog has closed and the settings
// were read again: the fast-forward limit, the MK4 stereo and HardSID clock flags the devices
// share, the clock mode, and the song lengths and STIL texts of the tune in memory.
class TPlaybackControl;
class TPreferences;
class TdmTimer;

// before: the settings as they were when the dialog opened; after: the fresh object that playback
// control uses from now on. saved: the dialog closed with Save.
void ApplyPreferencesChange(TPlaybackControl& control, TdmTimer& timer, const TPreferences& before,
                            TPreferences& after, bool saved);
