#pragma once
// One tune on the emulated C64 with a recording SID card: loads the file, starts a song the way
// the player thread does, and runs the machine as fast as the host allows.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "c64/T6510.h"
#include "cli/RecordingSidDevice.h"
#include "tune/MachineLoaderSeat.h"
#include "tune/SidLoader.h"

class TIrqSnapshot;
class TOutputBuffer;

class TDumpSession {
 public:
  // The machine takes the ROM images found in the user's ROM folder; messages about refused
  // files end up in romMessages.
  explicit TDumpSession(std::vector<std::string>* romMessages = nullptr);
  ~TDumpSession();
  TDumpSession(const TDumpSession&) = delete;
  TDumpSession& operator=(const TDumpSession&) = delete;

  // song counted from 1, 0 for the tune's start song.
  TLoadResult Load(const std::string& fileName, int song);
  // The clock Start(forceNtsc) runs the loaded tune at.
  bool RunsPal(bool forceNtsc) const;
  // Every write the card receives goes to listener (none: nullptr). Attached before Start, it
  // sees the whole stream, the init routine's writes included.
  void SetListener(TSidWriteListener* listener) { Recorder->SetListener(listener); }
  // Sets the clock, presets the CIA timers and runs the init routine.
  void Start(bool forceNtsc);

  // Runs whole milliseconds of C64 time.
  void Run(double seconds);
  // Runs whole video frames (each ends as the raster leaves the frame's last line) and prints
  // 25 registers of each of the tune's SIDs once per frame: as they stand just before the frame's first IRQ,
  // or at the frame's end when no IRQ came. A snapshot thus never falls inside a play call.
  void RunFrames(double seconds, TOutputBuffer& out);

  // The run stopped because the tune ran into code only a real BASIC ROM has.
  bool NeedsBasicRom() const { return Machine->NeedsBasicRom(); }

  const TTuneRecord& Tune() const { return Loader.Tune; }
  int Song() const { return CurrentSong; }
  bool Pal() const { return Machine->IsPal != 0; }
  uint32_t FrameCycles() const;
  // C64 cycles since Start began the song, the init routine's included.
  uint64_t SongCycles() const { return Machine->SongCycles(); }
  T6510& Emulator() { return *Machine; }
  const TRecordingSidDevice& Card() const { return *Recorder; }

 private:
  bool RunMilliseconds(uint64_t count);

  TRecordingSidDevice* Recorder = nullptr;
  std::unique_ptr<T6510> Machine;
  TMachineLoaderSeat Seat;
  TSidLoader Loader;
  int CurrentSong = 1;
  // Nothing stops an init routine early: a tool run simply waits for it.
  std::atomic<bool> StopRequested{false};
  uint64_t Cycles = 0;
  std::unique_ptr<TIrqSnapshot> Snapshot;
};

// The C64's clock in Hz.
double MachineClockHz(bool pal);
// Frames of the given clock that fit in that much C64 time.
uint64_t FramesIn(double seconds, bool pal);
