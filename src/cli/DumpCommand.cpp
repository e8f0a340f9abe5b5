#include "cli/DumpCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "cli/AudioRender.h"
#include "cli/DumpSession.h"
#include "cli/KnowledgeReport.h"
#include "cli/OutputBuffer.h"
#include "cli/RawRun.h"
#include "cli/TextScreen.h"
#include "cli/TuneFacts.h"
#include "knowledge/SidId.h"
#include "tune/TuneTexts.h"

namespace {

// Without --seconds a raw program gets this much C64 time to reach its end.
constexpr double RawDefaultSeconds = 1000;

int ReportLoadFailure(const TDumpOptions& options, TLoadResult result, std::FILE* err) {
  const std::string_view message = LoadMessage(result);
  if (!message.empty()) {
    std::fprintf(err, "%.*s\n", int(message.size()), message.data());
  } else if (result == TLoadResult::SidplayerMusic) {
    std::fprintf(err, "%s: Sidplayer music files are not played\n", options.File.c_str());
  } else {
    std::fprintf(err, "%s: cannot read the file\n", options.File.c_str());
  }
  return ExitNotLoaded;
}

int ReportBasicRom(std::FILE* err) {
  std::fprintf(err,
               "This tune needs a real BASIC ROM: the built-in BASIC cannot run it, so it would play "
               "nothing. Put a BASIC ROM image (8192 bytes, named basic...) into %s.\n",
               RomFolderPath().c_str());
  return ExitNeedsBasicRom;
}

int RunRaw(const TDumpOptions& options, std::FILE* out, std::FILE* err) {
  std::ifstream file(options.File, std::ios::binary);
  const std::vector<uint8_t> program{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (!file.is_open() || program.empty()) {
    std::fprintf(err, "%s: cannot read the file\n", options.File.c_str());
    return ExitNotLoaded;
  }
  TRawSetup setup;
  setup.LoadAddress = *options.RawAddress;
  setup.StartAddress = options.StartAddress.value_or(setup.LoadAddress);
  setup.StopAddress = options.StopAddress;
  setup.CycleLimit = uint64_t((options.SecondsGiven ? options.Seconds : RawDefaultSeconds) * MachineClockHz(true));
  const TRawResult result = RunRawProgram(program, setup);
  const std::string report = RawReport(result, options.PeekAddress);
  std::fputs(report.c_str(), out);
  return result.Reason == TRawStop::CycleLimit ? ExitRawLimit : ExitDone;
}

void PrintKnowledge(const TDumpOptions& options, const TDumpSession& session, TOutputBuffer& out,
                    const TSignatureList& signatures) {
  if (!options.HvscDirectory.empty()) {
    out.Text(SongLengthLines(options.HvscDirectory, options.File, session.Tune()));
    out.Text(StilLines(options.HvscDirectory, options.File));
  }
  if (!options.SidIdFile.empty()) out.Text(PlayerLine("Players (file scan)", TSidId(signatures).ScanFile(options.File)));
}

// One line per write the card receives: "cycle register value".
class TWritePrinter : public TSidWriteListener {
 public:
  explicit TWritePrinter(TOutputBuffer& out) : Out(out) {}
  void SidWrite(const TCardWrite& write) override {
    Out.Decimal(write.StreamCycle).Char(' ').Hex(write.Reg, 2).Char(' ').Hex(write.Value, 2).EndLine();
  }

 private:
  TOutputBuffer& Out;
};

void RunOutput(const TDumpOptions& options, TDumpSession& session, TOutputBuffer& out) {
  switch (options.Output) {
    case TDumpOutput::Writes:
      session.Run(options.Seconds);
      break;
    case TDumpOutput::Frames:
      session.RunFrames(options.Seconds, out);
      break;
    case TDumpOutput::Screen:
      session.Run(options.Seconds);
      if (!session.NeedsBasicRom()) out.Text(TextScreen(session.Emulator()));
      break;
    case TDumpOutput::Audio:
      break;
  }
}

// --seconds, else the song's length when the database knows it, else the default.
double AudioSeconds(const TDumpOptions& options, const TDumpSession& session) {
  if (options.SecondsGiven || options.HvscDirectory.empty()) return options.Seconds;
  return SongSeconds(options.HvscDirectory, options.File, session.Tune(), session.Song()).value_or(options.Seconds);
}

TSidConfig AudioConfig(const TDumpOptions& options, const TDumpSession& session) {
  TSidConfig config;
  config.ClockHz = MachineClockHz(session.RunsPal(options.Ntsc));
  config.SampleRate = options.Rate;
  return config;
}

// Each of the tune's chips of its own model, or all of the model --model names.
std::vector<TSidModel> AudioModels(const TDumpOptions& options, const TTuneRecord& tune) {
  std::vector<TSidModel> models;
  for (int32_t chip = 0; chip < tune.SidChips(); ++chip) {
    const int32_t bits = tune.SidModelBits(chip);
    models.push_back(options.Model ? (*options.Model == 8580 ? TSidModel::Mos8580 : TSidModel::Mos6581)
                                   : TuneModel((bits & 1) != 0, (bits & 2) != 0));
  }
  return models;
}

// Runs the song second by second of C64 time, its init routine's included, into the sound file,
// with a progress line on a terminal.
int RenderAudio(const TDumpOptions& options, TDumpSession& session, std::FILE* err) {
  const TSidConfig config = AudioConfig(options, session);
  const double seconds = AudioSeconds(options, session);
  const uint64_t endCycle = uint64_t(std::llround(seconds * config.ClockHz));
  const std::vector<TSidModel> models = AudioModels(options, session.Tune());
  // One chip makes a mono file.
  const TSidMixLayout layout = options.Mono || models.size() == 1 ? TSidMixLayout::Mono : TSidMixLayout::Stereo;
  TAudioRender render(config, models, layout, endCycle);
  std::string error;
  if (!render.Open(options.AudioFile, error)) {
    std::fprintf(err, "%s\n", error.c_str());
    return ExitNotLoaded;
  }
  const bool progress = isatty(fileno(err));
  session.SetListener(&render);
  // A tune that reads a chip (oscillator 3, its model test) hears the model it is rendered on.
  session.Emulator().Writer->SetReadbackModel(models.front());
  session.Start(options.Ntsc);
  while (session.SongCycles() < endCycle && !session.NeedsBasicRom()) {
    const double done = double(session.SongCycles()) / config.ClockHz;
    session.Run(std::clamp(seconds - done, 0.001, 1.0));
    if (progress) std::fprintf(err, "\rRendering %.0f of %.0f s", std::min(done + 1, seconds), seconds);
  }
  if (progress) std::fprintf(err, "\n");
  session.SetListener(nullptr);
  if (session.NeedsBasicRom()) return ReportBasicRom(err);
  if (!render.Finish(error)) {
    std::fprintf(err, "%s\n", error.c_str());
    return ExitNotLoaded;
  }
  return ExitDone;
}

// Starts the song and prints the chosen output; false when the tune needs a real BASIC ROM.
// The write printer listens from the start, so the stream begins with the init's writes.
bool RunTune(const TDumpOptions& options, TDumpSession& session, TOutputBuffer& out) {
  TWritePrinter printer(out);
  if (options.Output == TDumpOutput::Writes) session.SetListener(&printer);
  session.Start(options.Ntsc);
  if (!session.NeedsBasicRom()) RunOutput(options, session, out);
  session.SetListener(nullptr);
  return !session.NeedsBasicRom();
}

}  // namespace

int RunDump(const TDumpOptions& options, std::FILE* out, std::FILE* err) {
  if (options.RawAddress) return RunRaw(options, out, err);

  TSignatureList signatures;
  if (!options.SidIdFile.empty() && !signatures.LoadFromFile(options.SidIdFile)) {
    std::fprintf(err, "%s: cannot read the signature file\n", options.SidIdFile.c_str());
    return ExitUsage;
  }
  std::vector<std::string> romMessages;
  TDumpSession session(&romMessages);
  for (const std::string& message : romMessages) std::fprintf(err, "ROM: %s\n", message.c_str());
  const TLoadResult loaded = session.Load(options.File, options.Song);
  if (loaded != TLoadResult::Loaded) return ReportLoadFailure(options, loaded, err);
  if (const std::string refused = RefusedSidText(session.Tune()); !refused.empty())
    std::fprintf(err, "%s\n", refused.c_str());
  if (options.Song > session.Tune().songs) {
    std::fprintf(err, "--song %d: the tune has %d song(s)\n", options.Song, session.Tune().songs);
    return ExitUsage;
  }

  TOutputBuffer buffer(out);
  buffer.Text(TuneFacts(options.File, session.Tune(), session.Song(), session.RunsPal(options.Ntsc)));
  PrintKnowledge(options, session, buffer, signatures);
  if (options.Output == TDumpOutput::Audio) {
    buffer.Flush();
    return RenderAudio(options, session, err);
  }
  if (!RunTune(options, session, buffer)) {
    buffer.Flush();
    return ReportBasicRom(err);
  }
  if (!options.SidIdFile.empty())
    buffer.Text(PlayerLine("Players (memory scan)",
                           TSidId(signatures).ScanMemory(session.Emulator().TakeMemorySnapshot().data())));
  return ExitDone;
}
