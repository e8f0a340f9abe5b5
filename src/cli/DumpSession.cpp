#include "cli/DumpSession.h"

#include <cmath>

#include "c64/RomImages.h"
#include "cli/OutputBuffer.h"
#include "output/DeviceHost.h"

namespace {

constexpr double PalClock = 985248.4444;
constexpr double NtscClock = 1022727.2143;

// The write stream keeps a delay line that the level display plays back against the counter.
// No level display watches a tool run, and the stream sent to the card does not depend on that
// line: a counter that stands still keeps it from playing back and saves a clock read per write.
int64_t StandingCounter() { return 1; }

// Nothing here is paced in real time: device resets need not settle and nothing waits.
void InstallHeadlessHost() {
  DeviceHost() = {[] {}, [] { return false; }, [](platform::TPriorityClass) {}, [] {}, [](uint32_t) {}};
}

class TWritePrinter : public TSidWriteListener {
 public:
  explicit TWritePrinter(TOutputBuffer& out) : Out(out) {}
  void SidWrite(uint64_t cycle, uint8_t reg, uint8_t value) override {
    Out.Decimal(cycle).Char(' ').Hex(reg, 2).Char(' ').Hex(value, 2).EndLine();
  }

 private:
  TOutputBuffer& Out;
};

std::vector<TDriverKind> RecorderOnly(TRecordingSidDevice*& recorder) {
  return {{[&recorder] {
             auto device = std::make_unique<TRecordingSidDevice>();
             recorder = device.get();
             return std::unique_ptr<TSidDevice>(std::move(device));
           },
           false}};
}

}  // namespace

uint64_t FramesIn(double seconds, bool pal) {
  const double frameCycles = pal ? T6510::PalFrameCycles : T6510::NtscFrameCycles;
  return uint64_t(std::floor(seconds * (pal ? PalClock : NtscClock) / frameCycles));
}

TDumpSession::TDumpSession(std::vector<std::string>* romMessages)
    : Machine((InstallHeadlessHost(), std::make_unique<T6510>(RecorderOnly(Recorder)))),
      Seat(*Machine),
      Loader(Seat) {
  TRomImages roms;
  std::vector<std::string> messages = roms.LoadFolder(RomFolderPath());
  if (romMessages) *romMessages = std::move(messages);
  Machine->UseRomImages(roms);
  Machine->Writer = std::make_unique<TSidWriter>(*Machine->Devices, StandingCounter);
  Machine->Writer->FilterEnabled = true;
  Machine->SetSidSink(Machine->Writer.get());
}

TLoadResult TDumpSession::Load(const std::string& fileName, int song) {
  const TLoadResult result = Loader.LoadTuneFile(fileName, song > 0 ? song - 1 : 0);
  if (result != TLoadResult::Loaded) return result;
  // A header may name start song 0 or one past what the machine's song byte holds: song 1 then.
  const int startSong = Loader.Tune.startSong >= 1 && Loader.Tune.startSong <= 255 ? Loader.Tune.startSong : 1;
  CurrentSong = song > 0 ? song : startSong;
  // PSID and RSID files always load at their start song; another one restarts from the image.
  if (!Loader.Tune.programFile && CurrentSong != Loader.Tune.startSong) Loader.RestartAtSong(CurrentSong - 1);
  return result;
}

// A tune that declares no clock runs at PAL, as the player's default clock mode has it.
void TDumpSession::Start(bool forceNtsc) {
  const TTuneRecord& tune = Loader.Tune;
  const bool pal = !forceNtsc && (tune.clockPal || !tune.clockNtsc);
  Cycles = 0;
  Machine->SetPlaySidMode(tune.playSidSpecific);
  Machine->SetVideoStandard(pal ? 1 : 0);
  Machine->Writer->Reset();
  const bool rsid = tune.magicId == "RSID";
  Machine->PresetCiaTimers(uint8_t(CurrentSong), rsid, tune.speed);
  Machine->StartSong(&StopRequested, uint8_t(CurrentSong), rsid, tune.speed,
                     uint16_t(tune.playAddress), uint16_t(tune.initAddress));
}

uint32_t TDumpSession::FrameCycles() const { return Pal() ? T6510::PalFrameCycles : T6510::NtscFrameCycles; }

bool TDumpSession::RunMilliseconds(uint64_t count) {
  for (uint64_t step = 0; step < count; ++step) {
    if (Machine->NeedsBasicRom()) return false;
    Machine->Step();
    Cycles += Machine->CyclesExecuted;
  }
  return true;
}

void TDumpSession::Run(double seconds) { RunMilliseconds(uint64_t(std::llround(seconds * 1000))); }

void TDumpSession::RunWrites(double seconds, TOutputBuffer& out) {
  TWritePrinter printer(out);
  Recorder->SetListener(&printer);
  Run(seconds);
  Recorder->SetListener(nullptr);
}

void TDumpSession::RunFrames(double seconds, TOutputBuffer& out) {
  const uint64_t frames = FramesIn(seconds, Pal());
  double overshoot = 0;
  for (uint64_t frame = 1; frame <= frames && !Machine->NeedsBasicRom(); ++frame) {
    overshoot = Machine->RunCycles(FrameCycles() - overshoot);
    Cycles += Machine->CyclesExecuted;
    out.Decimal(frame).Char(' ').Decimal(Cycles);
    for (uint8_t reg = 0; reg < TRecordingSidDevice::SidRegisters; ++reg) out.Char(' ').Hex(Recorder->Register(reg), 2);
    out.EndLine();
  }
}
