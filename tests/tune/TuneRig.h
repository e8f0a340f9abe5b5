#pragma once
// The end-to-end tests' rig: the loader places a tune in an emulated C64 and the song starts the
// way the player thread starts it.
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "c64/T6510.h"
#include "output/RecordingDevice.h"
#include "tune/MachineLoaderSeat.h"
#include "tune/SidLoader.h"

struct TTimedWrite {
  int64_t Cycle;  // in the stream's own time
  int32_t Reg;
  int Ms;  // the step of C64 time in which it was made
};

// A machine whose only output chip records what reaches it, or whose chips the given driver
// provides.
struct TTuneRig {
  TTuneRig()
      : TTuneRig([this] {
          auto device = std::make_unique<TRecordingDevice>();
          Recorder = device.get();
          return std::unique_ptr<TSidDevice>(std::move(device));
        }) {}
  explicit TTuneRig(std::function<std::unique_ptr<TSidDevice>()> driver)
      : Machine(std::make_unique<T6510>(std::vector<TDriverKind>{{std::move(driver)}})), Seat(*Machine), Loader(Seat) {}

  // What the player thread does between loading and the first step.
  void Start() {
    const TTuneRecord& tune = Loader.Tune;
    Machine->SetPlaySidMode(tune.playSidSpecific);
    Machine->SetVideoStandard(tune.clockPal ? 1 : 0);
    Machine->Writer->Reset();
    const bool rsid = tune.magicId == "RSID";
    Machine->PresetCiaTimers(static_cast<uint8_t>(tune.startSong), rsid, tune.speed);
    Machine->StartSong(nullptr, static_cast<uint8_t>(tune.startSong), rsid, tune.speed,
                       static_cast<uint16_t>(tune.playAddress), static_cast<uint16_t>(tune.initAddress));
  }

  // The write stream as the chip saw it: each write's time, counted in cycles from the first one
  // that carried its delay (before the tune's first sound the stream drops the delays).
  void TakeWrites(std::vector<TTimedWrite>& writes, int ms) {
    for (const TDeviceCall& call : Recorder->Log) {
      if (call.Op != "Write" && call.Op != "Read") continue;
      if (call.Cycles > 0) Timed = true;
      Now += call.Cycles;
      if (Timed && call.Op == "Write" && call.Reg != TSidWriter::DummyRegister) writes.push_back({Now, call.Reg, ms});
    }
    Recorder->Log.clear();
  }

  bool Timed = false;
  int64_t Now = 0;
  TRecordingDevice* Recorder = nullptr;
  std::unique_ptr<T6510> Machine;
  TMachineLoaderSeat Seat;
  TSidLoader Loader;
};
