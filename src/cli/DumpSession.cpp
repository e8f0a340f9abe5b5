#include "cli/DumpSession.h"

#include <array>
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

std::vector<TDriverKind> RecorderOnly(TRecordingSidDevice*& recorder) {
  return {{[&recorder] {
             auto device = std::make_unique<TRecordingSidDevice>();
             recorder = device.get();
             return std::unique_ptr<TSidDevice>(std::move(device));
           },
           false}};
}

}  // namespace

// The card's registers just before the first IRQ since the last Arm: the state between two
// play calls.
class TIrqSnapshot : public TIrqObserver {
 public:
  explicit TIrqSnapshot(const TRecordingSidDevice& card) : Card(card) {}
  void Arm() { Taken = false; }
  void IrqTaken() override {
    if (Taken) return;
    for (uint8_t reg = 0; reg < Registers.size(); ++reg) Registers[reg] = Card.Register(reg);
    Taken = true;
  }
  // The snapshot, or the card's registers now when no IRQ came.
  uint8_t Register(uint8_t reg) const { return Taken ? Registers[reg] : Card.Register(reg); }

 private:
  const TRecordingSidDevice& Card;
  std::array<uint8_t, 32 * TRecordingSidDevice::MaxSids> Registers{};
  bool Taken = false;
};

double MachineClockHz(bool pal) { return pal ? PalClock : NtscClock; }

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
  Recorder->SetC64Clock([machine = Machine.get()] { return machine->SongCycles(); });
}

TDumpSession::~TDumpSession() = default;

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
bool TDumpSession::RunsPal(bool forceNtsc) const {
  return !forceNtsc && (Loader.Tune.clockPal || !Loader.Tune.clockNtsc);
}

void TDumpSession::Start(bool forceNtsc) {
  const TTuneRecord& tune = Loader.Tune;
  Cycles = 0;
  Machine->SetPlaySidMode(tune.playSidSpecific);
  Machine->SetVideoStandard(RunsPal(forceNtsc) ? 1 : 0);
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

// The first frame is the one in progress when the song starts.
void TDumpSession::RunFrames(double seconds, TOutputBuffer& out) {
  const uint64_t frames = FramesIn(seconds, Pal());
  const T6510& machine = *Machine;
  double slice = double(machine.LinesPerFrame - machine.RasterLine) * machine.CyclesPerLine - machine.LineCycle;
  Snapshot = std::make_unique<TIrqSnapshot>(*Recorder);
  Machine->IrqObserver = Snapshot.get();
  for (uint64_t frame = 1; frame <= frames && !Machine->NeedsBasicRom(); ++frame) {
    Snapshot->Arm();
    const double overshoot = Machine->RunCycles(slice);
    Cycles += Machine->CyclesExecuted;
    slice = FrameCycles() - overshoot;
    out.Decimal(frame).Char(' ').Decimal(Cycles);
    for (int32_t sid = 0; sid < Recorder->Sids(); ++sid) {
      for (int32_t reg = 0; reg < TRecordingSidDevice::SidRegisters; ++reg)
        out.Char(' ').Hex(Snapshot->Register(uint8_t(sid * 32 + reg)), 2);
    }
    out.EndLine();
  }
  Machine->IrqObserver = nullptr;
}
