#pragma once
// The player module as the window uses it, around a machine whose only chip is a paced device.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "c64/T6510.h"
#include "player/PacedDevice.h"
#include "player/PlaybackFields.h"
#include "player/Player.h"
#include "player/dmSidPlayer.h"
#include "tune/MachineLoaderSeat.h"
#include "tune/SidLoader.h"

inline const std::filesystem::path CommandoTune =
    std::filesystem::path(VEXLOR_TESTDATA) / "tunes/C64Music/MUSICIANS/H/Hubbard_Rob/Commando.sid";

// Polls until the condition holds; false when it did not within the time.
inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

struct TPlayerRig {
  explicit TPlayerRig(bool paced = true)
      : Machine(std::make_unique<T6510>(std::vector<TDriverKind>{{[this, paced] {
          auto device = std::make_unique<TPacedDevice>(paced);
          Device = device.get();
          return std::unique_ptr<TSidDevice>(std::move(device));
        }}})),
        Seat(*Machine),
        Loader(Seat) {
    Timer.Machine = Machine.get();
  }

  bool Load(const std::filesystem::path& file) {
    if (Loader.LoadTuneFile(file.string(), 0) != TLoadResult::Loaded) return false;
    Window.CurrentSong = Loader.Tune.startSong;
    return true;
  }

  // What playback control does to start a playback.
  void Play() {
    Timer.Player = std::make_unique<TPlayer>(Timer, *Machine, Loader.Tune, Window);
    Timer.Player->Start();
  }

  uint64_t EmulatedMs() const { return Timer.Player ? Timer.Player->EmulatedMs() : 0; }

  TPacedDevice* Device = nullptr;
  std::unique_ptr<T6510> Machine;
  TMachineLoaderSeat Seat;
  TSidLoader Loader;
  TPlaybackFields Window;
  // Last, so that it ends the threads before the machine goes.
  TdmTimer Timer;
};
