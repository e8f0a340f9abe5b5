// Feeds arbitrary bytes to the tune loader under every file name it tells apart. The first input
// byte picks the name and the song index; the rest is the file.
#include <cstdlib>

#include "tune/SidLoader.h"

namespace {

// Reads every byte it is handed, so the sanitizer sees any span reaching past the input.
class TCheckingMachine : public TTuneMachine {
 public:
  void SetPlaySidMode(bool) override {}
  void LoadTune(const TTuneImage& image) override {
    if (image.loadAddress + image.data.size() > 0x10000) std::abort();
    for (uint8_t byte : image.data) Sum += byte;
  }
  void RestoreTune(uint8_t, uint16_t, bool) override {}

  unsigned Sum = 0;
};

constexpr const char* kFileNames[] = {"tune.sid", "tune.prg", "TUNE.DAT", "dir.x/tune",
                                      "tune.mus", "tune.p00", "tune.psid"};
constexpr size_t kFileNameCount = sizeof(kFileNames) / sizeof(kFileNames[0]);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  TCheckingMachine machine;
  TSidLoader loader(machine);
  const TLoadResult result =
      loader.LoadTuneData(kFileNames[data[0] % kFileNameCount], {data + 1, size - 1}, data[0] / kFileNameCount);
  if (result == TLoadResult::Loaded && loader.Tune.md5.size() != 32) std::abort();
  if (result == TLoadResult::Loaded) loader.RestartAtSong(data[0]);
  return 0;
}
