// Sound output through SDL2's audio subsystem alone, in callback mode. Every open output holds
// one reference to the subsystem and gives it back on Close or a failed Open, so that when
// none is open SDL shuts its driver down and the next Open looks for a sound server afresh.
#include "audio/SoundOutput.h"

#include <SDL.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

// The fades of pause, clear and underrun: long enough not to click, short enough to feel
// immediate.
constexpr int kFadeMs = 5;
// SDL's device buffer is about this part of the latency; the ring holds the rest.
constexpr int kDeviceShareOfLatency = 4;
constexpr int kMinDeviceFrames = 256;
constexpr int kMaxDeviceFrames = 8192;
// A device whose callback has not run for this long is taken as lost.
constexpr std::chrono::milliseconds kStallLimit{1000};

// SDL's initialisation and device list are not thread-safe.
std::mutex& SdlLock() {
  static std::mutex lock;
  return lock;
}

std::string Refusal(const char* reason) {
  return std::string("The sound output cannot start: ") + (*reason ? reason : "no reason given");
}

int DeviceFramesFor(int rate, int latencyMs) {
  const int share = int(int64_t(rate) * latencyMs / 1000 / kDeviceShareOfLatency);
  return int(std::bit_floor(unsigned(std::clamp(share, kMinDeviceFrames, kMaxDeviceFrames))));
}

int16_t Clamped(float value) {
  return int16_t(std::clamp(std::lrint(value), -32768L, 32767L));
}

}  // namespace

TSoundOutput::~TSoundOutput() { Close(); }

bool TSoundOutput::Open(int rate, int channels, int latencyMs, std::string& error) {
  Close();
  if (rate <= 0 || channels < 1 || channels > 2 || latencyMs <= 0) {
    error = Refusal("only mono or stereo at a positive rate and latency can be played");
    return false;
  }
  std::lock_guard lock(SdlLock());
  // Audio brings up SDL's event subsystem, which would otherwise take over Ctrl+C.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Vexlor Player");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    error = Refusal(SDL_GetError());
    return false;
  }
  SDL_AudioSpec wanted{};
  wanted.freq = rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = Uint8(channels);
  wanted.samples = Uint16(DeviceFramesFor(rate, latencyMs));
  wanted.callback = &TSoundOutput::Feed;
  wanted.userdata = this;
  SDL_AudioSpec granted{};
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(
      nullptr, 0, &wanted, &granted, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
  if (device == 0) {
    error = Refusal(SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  // The device opens paused: the callback cannot run before the ring is ready.
  Reset(granted.freq, channels, granted.samples, latencyMs);
  Device = device;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void TSoundOutput::Reset(int rate, int channels, int deviceFrames, int latencyMs) {
  GrantedRate = rate;
  ChannelCount = channels;
  DeviceFrames = deviceFrames;
  RingLimit = std::max(int64_t(rate) * latencyMs / 1000 - DeviceFrames, DeviceFrames);
  SleepStep = std::clamp(std::chrono::microseconds(DeviceFrames * 1'000'000 / rate / 4),
                         std::chrono::microseconds(500), std::chrono::microseconds(5000));
  const int64_t ringFrames = int64_t(std::bit_ceil(uint64_t(2 * RingLimit)));
  Ring.assign(size_t(ringFrames * channels), 0);
  RingMask = ringFrames - 1;
  WritePos = 0;
  ReadPos = 0;
  ClearTo = 0;
  Paused = false;
  Delivered = 0;
  UnderrunCount = 0;
  Lost = false;
  FadeFrames = std::max(1, rate * kFadeMs / 1000);
  Gain = 1;
  Feeding = false;
  TailLeft = 0;
  std::fill(std::begin(Last), std::end(Last), 0);
}

void TSoundOutput::Close() {
  if (Device == 0) return;
  std::lock_guard lock(SdlLock());
  SDL_CloseAudioDevice(Device);  // waits for the callback to return
  Device = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

size_t TSoundOutput::Write(const int16_t* frames, size_t count, const std::atomic<bool>* abort) {
  size_t done = 0;
  int64_t seen = DeliveredFrames();
  auto lastProgress = std::chrono::steady_clock::now();
  while (done < count && IsOpen() && !DeviceLost()) {
    if (abort && abort->load(std::memory_order_relaxed)) break;
    if (const size_t room = Room(); room > 0) {
      const size_t taken = std::min(room, count - done);
      Push(frames + done * size_t(ChannelCount), taken);
      done += taken;
      continue;
    }
    if (SDL_GetAudioDeviceStatus(Device) == SDL_AUDIO_STOPPED) {
      Lost = true;  // SDL saw the device go
      break;
    }
    std::this_thread::sleep_for(SleepStep);
    const auto now = std::chrono::steady_clock::now();
    if (const int64_t delivered = DeliveredFrames(); delivered != seen) {
      seen = delivered;
      lastProgress = now;
    } else if (now - lastProgress > kStallLimit) {
      Lost = true;  // the callback stopped coming
    }
  }
  return done;
}

int64_t TSoundOutput::QueuedFrames() const {
  if (!IsOpen()) return 0;
  const int64_t heard = std::max(ReadPos.load(std::memory_order_acquire),
                                 ClearTo.load(std::memory_order_acquire));
  return std::max<int64_t>(WritePos.load(std::memory_order_acquire) - heard, 0) + DeviceFrames;
}

// Free slots within the latency's worth, counting a requested clear as done; yet never a slot
// the callback has not passed, which it may still be reading.
size_t TSoundOutput::Room() const {
  const int64_t write = WritePos.load(std::memory_order_relaxed);
  const int64_t read = ReadPos.load(std::memory_order_acquire);
  const int64_t heard = std::max(read, ClearTo.load(std::memory_order_acquire));
  const int64_t room = std::min(RingLimit - (write - heard), RingMask + 1 - (write - read));
  return size_t(std::max<int64_t>(room, 0));
}

void TSoundOutput::Push(const int16_t* frames, size_t count) {
  const int64_t write = WritePos.load(std::memory_order_relaxed);
  const size_t channels = size_t(ChannelCount);
  const size_t slot = size_t(write & RingMask);
  const size_t first = std::min(count, size_t(RingMask + 1) - slot);
  std::memcpy(&Ring[slot * channels], frames, first * channels * sizeof(int16_t));
  std::memcpy(Ring.data(), frames + first * channels, (count - first) * channels * sizeof(int16_t));
  WritePos.store(write + int64_t(count), std::memory_order_release);
}

void TSoundOutput::Feed(void* self, uint8_t* stream, int bytes) {
  auto* output = static_cast<TSoundOutput*>(self);
  output->Fill(reinterpret_cast<int16_t*>(stream),
               size_t(bytes) / sizeof(int16_t) / size_t(output->ChannelCount));
}

// Each frame is the ring's frame times the fade gain, plus what is left of the fade-out from
// the last sample heard when the ring stopped feeding (ran dry or was cleared).
void TSoundOutput::Fill(int16_t* out, size_t frames) {
  int64_t read = ReadPos.load(std::memory_order_relaxed);
  if (const int64_t clearTo = ClearTo.load(std::memory_order_acquire); clearTo > read) {
    read = clearTo;
    StopFeeding(false);
  }
  // A stream that is not playing starts only once a whole buffer is queued: begun on the
  // producer's first few frames, it would run dry again at once.
  const int64_t written = WritePos.load(std::memory_order_acquire);
  const bool waiting = !Feeding && written - read < int64_t(frames);
  const bool paused = Paused.load(std::memory_order_relaxed);
  const float step = 1.0f / float(FadeFrames);
  for (size_t frame = 0; frame < frames; ++frame, out += ChannelCount) {
    if (paused) Gain = std::max(Gain - step, 0.0f);
    const bool take = !waiting && read < written && (!paused || Gain > 0);
    if (take) {
      if (!paused) Gain = std::min(Gain + step, 1.0f);
      Feeding = true;
    } else if (Feeding) {
      StopFeeding(!paused);
    }
    const int16_t* in = &Ring[size_t(read & RingMask) * size_t(ChannelCount)];
    const float tail = TailLeft > 0 ? float(TailLeft--) / float(FadeFrames) : 0.0f;
    for (int channel = 0; channel < ChannelCount; ++channel) {
      const float sound = take ? float(in[channel]) * Gain : 0.0f;
      out[channel] = Last[channel] = Clamped(sound + TailStart[channel] * tail);
    }
    read += take;
  }
  ReadPos.store(read, std::memory_order_release);
  Delivered.fetch_add(int64_t(frames), std::memory_order_relaxed);
}

void TSoundOutput::StopFeeding(bool ranDry) {
  if (ranDry) UnderrunCount.fetch_add(1, std::memory_order_relaxed);
  Feeding = false;
  Gain = 0;
  TailLeft = FadeFrames;
  std::copy(std::begin(Last), std::end(Last), std::begin(TailStart));
}
