#pragma once
// TdmTimer: the shared playback state, the current player and bars threads, and the hand-off
// through which the window has the player thread carry out its stream and device requests.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

class T6510;
class TPlayer;
class TBars;

enum class TPlayerCommand : int32_t {
  Flush = 1,
  MuteAll = 2,
  MuteVoice = 3,
  UnmuteVoices = 4,
  FilterOn = 6,
  FilterOff = 7,
  ResetDevices = 8,
};

class TdmTimer {
 public:
  static constexpr double PalClock = 985248.4444;
  static constexpr double NtscClock = 1022727.2143;
  // MaxForwardSpeed from this value on lets fast forward run as fast as the machine allows.
  static constexpr int32_t UnlimitedForwardSpeed = 20;

  TdmTimer();
  ~TdmTimer();
  TdmTimer(const TdmTimer&) = delete;
  TdmTimer& operator=(const TdmTimer&) = delete;

  // The machine whose stream and devices the commands reach; set by the window that creates it
  // and cleared when it frees it.
  T6510* Machine = nullptr;
  // Owned; set by playback control when it starts a playback, freed by StopPlayerThread.
  std::unique_ptr<TPlayer> Player;
  // The level display's thread for the whole run; the window creates and ends it.
  std::unique_ptr<TBars> Bars;

  // 1 normal, 2 fast forward.
  std::atomic<int32_t> PlaySpeed{1};
  std::atomic<bool> FastForward{false};
  // Milliseconds of C64 time emulated in the last real millisecond of fast forward; 1 otherwise.
  std::atomic<int32_t> ForwardRate{1};
  // The rate of the tune's play interrupt in Hz, for the status bar.
  std::atomic<float> PlayFrequency{0};
  // The window mirrors the MaxForwardSpeed setting here whenever it reads or changes it.
  std::atomic<int32_t> MaxForwardSpeed{UnlimitedForwardSpeed};

  // The player thread publishes the machine's frame period after every slice, so the bars thread
  // can show the interrupt rate without reading the machine while it runs.
  void PublishFramePeriod(uint16_t period, bool pal);
  // Clock rate over the published frame period; 0 before any song started or for a zero period.
  float FrameRate() const;

  // Each returns once the command has been carried out: by the player thread while one runs,
  // otherwise right here.
  void PostFlush();
  void PostMuteAll();
  // voice 1..3, or 4 for the digi channel.
  void PostMuteVoice(int32_t voice);
  // true = unmute: voice 1, voice 2, voice 3, digi.
  void PostUnmuteVoices(const std::array<bool, 4>& unmute);
  void PostFilterOn();
  void PostFilterOff();
  void PostResetDevices(uint8_t flag);

  // Makes the running player pause 20 ms before its next pass.
  void RestPlayer();
  // Ends the playback, if any, and clears the SID registers as the C64 sees them.
  void StopPlayerThread();

  // The player thread's side of the hand-off, once per pass.
  void ExecutePendingCommand();
  // A new playback starts without a command from before it.
  void DiscardPendingCommand() { CommandPending.store(false, std::memory_order_release); }

 private:
  void Post(TPlayerCommand code, int32_t arg, uint8_t flag);
  bool PlayerTakesCommands() const;
  void WaitUntilTaken();
  void CarryOut();

  // Held by the posting thread for the whole hand-off; recursive because the window answers its
  // events while it waits, and one of them may post again.
  std::recursive_mutex CommandLock;
  std::atomic<bool> CommandPending{false};
  // Written before CommandPending is raised and read after it is seen.
  TPlayerCommand CommandCode = TPlayerCommand::Flush;
  int32_t CommandDevice = 0;
  int32_t CommandArg = 0;
  uint8_t CommandFlag = 0;
  std::atomic<uint32_t> FrameSource{0};
};
