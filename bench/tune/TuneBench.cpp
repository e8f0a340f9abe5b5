// How long a load takes from bytes in memory (detection, header, placement hand-off and the MD5
// fingerprint), for a small tune and for the largest tune of the corpus.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tune/SidLoader.h"

namespace {

class TDiscardingMachine : public TTuneMachine {
 public:
  void SetPlaySidMode(bool) override {}
  void LoadTune(const TTuneImage& image) override { benchmark::DoNotOptimize(image.data.data()); }
  void RestoreTune(uint8_t, uint16_t, bool) override {}
};

void LoadFromMemory(benchmark::State& state, const std::string& relativePath) {
  const std::string path = std::string(VEXLOR_TESTDATA) + "/tunes/" + relativePath;
  std::ifstream stream(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(stream), {}};
  if (bytes.empty()) {
    state.SkipWithError(("missing " + path).c_str());
    return;
  }
  TDiscardingMachine machine;
  TSidLoader loader(machine);
  for (auto _ : state) {
    if (loader.LoadTuneData(path, bytes, 0) != TLoadResult::Loaded) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(loader.Tune.md5.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

BENCHMARK_CAPTURE(LoadFromMemory, Commando, std::string("C64Music/MUSICIANS/H/Hubbard_Rob/Commando.sid"));
BENCHMARK_CAPTURE(LoadFromMemory, BorderlineJitterbug63K,
                  std::string("C64Music/MUSICIANS/M/Mindcooler/Borderline_Jitterbug.sid"));
BENCHMARK_CAPTURE(LoadFromMemory, ReelFishing57Songs, std::string("C64Music/MUSICIANS/B/Blues_Muz/Reel_Fishing_preview.sid"));
BENCHMARK_CAPTURE(LoadFromMemory, Program, std::string("prg/Grillende_Zirpe.prg"));

}  // namespace
