// How many times faster than a real C64 the driver runs the corpus tunes: each tune is loaded,
// started and stepped through 20 seconds of C64 time, one millisecond at a time, as the player
// thread does (without its pacing). Reports the median over the PSID tunes, the median over all
// tunes and the slowest tune, in C64 seconds per wall-clock second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "c64/T6510.h"
#include "tune/MachineLoaderSeat.h"
#include "tune/SidLoader.h"

namespace {

namespace fs = std::filesystem;

constexpr int SecondsPerTune = 20;

std::vector<fs::path> CorpusTunes() {
  const fs::path folder = fs::path(VEXLOR_TESTDATA) / "tunes";
  std::vector<fs::path> tunes;
  std::ifstream index(folder / "INDEX.tsv");
  std::string line;
  std::getline(index, line);
  while (std::getline(index, line)) tunes.push_back(folder / line.substr(0, line.find('\t')));
  return tunes;
}

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct TSpeed {
  double Wall = 0;  // C64 seconds per wall-clock second
  double Cpu = 0;   // C64 seconds per second of this thread's processor time
};

// How fast one tune runs; zero when it does not load.
TSpeed SpeedOf(T6510& machine, const fs::path& tune, bool& psid) {
  TMachineLoaderSeat seat(machine);
  TSidLoader loader(seat);
  if (loader.LoadTuneFile(tune.string(), 0) != TLoadResult::Loaded) return {};
  const TTuneRecord& record = loader.Tune;
  const bool rsid = record.magicId == "RSID";
  psid = !rsid;
  machine.SetPlaySidMode(record.playSidSpecific);
  machine.SetVideoStandard(record.clockPal ? 1 : 0);
  machine.Writer->Reset();
  const auto song = static_cast<uint8_t>(record.startSong);
  machine.PresetCiaTimers(song, rsid, record.speed);
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = ThreadSeconds();
  machine.StartSong(nullptr, song, rsid, record.speed, static_cast<uint16_t>(record.playAddress),
                    static_cast<uint16_t>(record.initAddress));
  for (int ms = 0; ms < SecondsPerTune * 1000; ++ms) machine.Step();
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
  return {SecondsPerTune / wall.count(), SecondsPerTune / (ThreadSeconds() - cpuStart)};
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void CorpusRealTimeFactor(benchmark::State& state) {
  const std::vector<fs::path> tunes = CorpusTunes();
  if (tunes.empty()) {
    state.SkipWithError("tune corpus not found");
    return;
  }
  T6510 machine;
  std::vector<TSpeed> all;
  std::vector<TSpeed> psids;
  for (auto _ : state) {
    all.clear();
    psids.clear();
    for (const fs::path& tune : tunes) {
      bool psid = false;
      const TSpeed speed = SpeedOf(machine, tune, psid);
      if (speed.Wall <= 0) continue;
      all.push_back(speed);
      if (psid) psids.push_back(speed);
    }
  }
  auto report = [&state](const std::string& name, const std::vector<TSpeed>& speeds) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (const TSpeed& speed : speeds) {
      wall.push_back(speed.Wall);
      cpu.push_back(speed.Cpu);
    }
    state.counters["median_" + name + "_x"] = Median(wall);
    state.counters["median_" + name + "_cpu_x"] = Median(cpu);
    state.counters["slowest_" + name + "_x"] = wall.empty() ? 0 : *std::min_element(wall.begin(), wall.end());
  };
  report("psid", psids);
  report("all", all);
  state.counters["tunes"] = static_cast<double>(all.size());
}

BENCHMARK(CorpusRealTimeFactor)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
