// Start-up loading of the knowledge files and one memory scan against every signature.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "knowledge/SidId.h"
#include "knowledge/SongLength.h"
#include "knowledge/Stil.h"
#include "knowledge/TextFile.h"

namespace {

const std::string kTestData = VEXLOR_TESTDATA;
const std::string kHvsc = kTestData + "/hvsc/hvsc69";
const std::string kSidIdConfig = kTestData + "/sidid/sidid.cfg";

bool Present(benchmark::State& state, const std::string& file) {
  if (FileExists(file)) return true;
  state.SkipWithError(("missing " + file).c_str());
  return false;
}

void LoadSongLengthFile(benchmark::State& state) {
  if (!Present(state, kHvsc + "/DOCUMENTS/Songlengths.txt")) return;
  TSongLengthDatabase database;
  for (auto _ : state) benchmark::DoNotOptimize(database.Load(kHvsc));
  state.counters["entries"] = database.Count();
}
BENCHMARK(LoadSongLengthFile)->Unit(benchmark::kMillisecond);

void LoadStilAndBugList(benchmark::State& state) {
  if (!Present(state, kHvsc + "/DOCUMENTS/STIL.txt")) return;
  TStilDatabase database;
  for (auto _ : state) benchmark::DoNotOptimize(database.Load(kHvsc));
  state.counters["entries"] = database.Count();
}
BENCHMARK(LoadStilAndBugList)->Unit(benchmark::kMillisecond);

void LoadSignatureFile(benchmark::State& state) {
  if (!Present(state, kSidIdConfig)) return;
  TSignatureList list;
  for (auto _ : state) benchmark::DoNotOptimize(list.LoadFromFile(kSidIdConfig));
  state.counters["signatures"] = double(list.Entries().size());
}
BENCHMARK(LoadSignatureFile)->Unit(benchmark::kMillisecond);

// A C64 memory image as a scan meets it: a tune's data at its load address, the rest zero;
// and the worst case for the first-byte search, memory full of the most common first byte ($8D).
void ScanMemoryImage(benchmark::State& state) {
  const std::string tune = kTestData + "/tunes/C64Music/MUSICIANS/D/Daglish_Ben/Last_Ninja.sid";
  if (!Present(state, kSidIdConfig) || !Present(state, tune)) return;
  TSignatureList list;
  list.LoadFromFile(kSidIdConfig);
  std::vector<uint8_t> memory(65536, state.range(0) ? 0x8D : 0x00);
  std::string bytes;
  ReadFileBytes(tune, bytes);
  const size_t data = 0x7C, loadAddress = uint8_t(bytes[data]) | uint8_t(bytes[data + 1]) << 8;
  std::copy(bytes.begin() + data + 2, bytes.end(), memory.begin() + long(loadAddress));
  TSidId scanner(list);
  for (auto _ : state) benchmark::DoNotOptimize(scanner.ScanMemory(memory.data()));
  state.SetLabel(state.range(0) ? "rest filled with $8D" : "rest zero");
}
BENCHMARK(ScanMemoryImage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
