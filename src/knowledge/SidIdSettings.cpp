// The signature loader is the one part of the knowledge bases that reads a setting.
#include "knowledge/SidId.h"
#include "settings/Preferences.h"

void LoadSignatures() {
  Signatures().LoadFromFile(ResolveSidIdConfigFile(TPreferences().SidIDConfigFile()));
}
