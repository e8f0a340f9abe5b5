#pragma once
// Playback control as the window drives it, with a view that records what the window would show
// and a machine whose chips are paced devices. The settings live in a registry file of the test's
// own; the window's timers fire only when a test fires them.
#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TestFiles.h"
#include "player/PlaybackControl.h"
#include "player/PlayerRig.h"
#include "settings/Preferences.h"

class TRecordingView : public TPlaybackView {
 public:
  void ControlsChanged() override {}
  void ShowStatus(TStatusPanel panel, const std::string& text) override {
    std::lock_guard<std::mutex> hold(Lock);
    Panels[static_cast<size_t>(panel)] = text;
  }
  void ShowMessage(TMessageStyle style, const std::string& text) override {
    {
      std::lock_guard<std::mutex> hold(Lock);
      Messages.emplace_back(style, text);
    }
    if (WhileMessageOpen) WhileMessageOpen();
  }
  void StilEntryChanged(bool available) override { Stil = available; }
  void StartTimer(TWindowTimer timer) override { Running.insert(timer); }
  void StopTimer(TWindowTimer timer) override { Running.erase(timer); }
  void WaitProcessingMessages(uint32_t ms) override { Waited += ms; }
  void ProcessMessages() override {}
  std::string ShownDirectory() override { return Directory; }
  void ResetHover() override {}

  std::string Panel(TStatusPanel panel) {
    std::lock_guard<std::mutex> hold(Lock);
    return Panels[static_cast<size_t>(panel)];
  }
  std::vector<std::pair<TMessageStyle, std::string>> TakeMessages() {
    std::lock_guard<std::mutex> hold(Lock);
    return std::exchange(Messages, {});
  }
  bool TimerRunning(TWindowTimer timer) const { return Running.count(timer) != 0; }

  // Runs while a message box would be open, as the bars thread goes on meanwhile.
  std::function<void()> WhileMessageOpen;
  bool Stil = false;
  uint32_t Waited = 0;
  std::string Directory = "/music/C64Music";

 private:
  std::mutex Lock;
  std::array<std::string, 5> Panels{" Select a song...", "PAL", "Speed - 001", " 6510 CPU 000%", "00:00:00     "};
  std::vector<std::pair<TMessageStyle, std::string>> Messages;
  std::set<TWindowTimer> Running;
};

// A registry file and a ROM folder of the test's own, gone when it ends.
struct TScratchSettings : TScratchFolder {
  TScratchSettings() {
    std::filesystem::create_directories(Path / "roms");
    setenv("VEXLOR_REGISTRY", (Path / "registry.ini").c_str(), 1);
    setenv("VEXLOR_ROMS", (Path / "roms").c_str(), 1);
  }
};

struct TControlRig {
  explicit TControlRig(int deviceCount = 1)
      : Machine(std::make_unique<T6510>(DriverKinds(deviceCount))), Seat(*Machine), Loader(Seat) {
    Timer.Machine = Machine.get();
  }

  std::vector<TDriverKind> DriverKinds(int deviceCount) {
    std::vector<TDriverKind> kinds;
    for (int device = 0; device < deviceCount; ++device)
      kinds.push_back({[this] {
        auto chip = std::make_unique<TPacedDevice>();
        Devices.push_back(chip.get());
        return std::unique_ptr<TSidDevice>(std::move(chip));
      }});
    return kinds;
  }

  // Plays the file and waits until the song runs and its music reaches the chip.
  bool PlayUntilMusic(const std::filesystem::path& file) {
    Control.PlayFile(file.string());
    return WaitForWrites(0);
  }
  // Waits until the song runs and the chip in use has taken more writes than given.
  bool WaitForWrites(uint64_t count) {
    return WaitUntil(
        [&] {
          return !Control.StartPending() && Machine->Writer->SoundStarted &&
                 Devices[Machine->Writer->CurrentDevice]->Writes > count + 100;
        },
        std::chrono::seconds(20));
  }
  TPacedDevice& Chip() { return *Devices[Machine->Writer->CurrentDevice]; }

  TScratchSettings Scratch;
  std::vector<TPacedDevice*> Devices;
  std::unique_ptr<T6510> Machine;
  TMachineLoaderSeat Seat;
  TSidLoader Loader;
  TPreferences Preferences;
  TRecordingView View;
  // After the machine, so that it ends the player thread before the machine goes.
  TdmTimer Timer;
  TPlaybackControl Control{Timer, *Machine, Loader, Preferences, View};
};
