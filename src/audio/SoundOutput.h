#pragma once
// The sound card, fed with interleaved signed 16-bit frames through SDL2 (which reaches
// PipeWire, PulseAudio or ALSA). One producer thread writes frames into a ring; SDL's audio
// thread takes them out in its callback. Neither side locks or allocates once the output is
// open. The producer is held back while the ring holds the latency's worth of frames, so it
// runs on the sound card's clock.
//
// Open, Close and Write belong to the owning (producer) thread; Pause, Clear and the queries
// may be called from any thread while the output is open.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TSoundOutput {
 public:
  TSoundOutput() = default;
  ~TSoundOutput();
  TSoundOutput(const TSoundOutput&) = delete;
  TSoundOutput& operator=(const TSoundOutput&) = delete;

  // Opens the default device for channels (1 or 2) at rate frames per second with about
  // latencyMs of sound queued ahead of the speaker. The device may grant another rate: play
  // at Rate(). False, with a message naming the reason, when no sound server or device can be
  // reached; nothing stays open then, and a later Open finds a device that has appeared since.
  bool Open(int rate, int channels, int latencyMs, std::string& error);
  void Close();
  bool IsOpen() const { return Device != 0; }

  // Queues count frames, sleeping in small steps while the ring is full, and returns how many
  // were queued: all of them, or fewer when *abort turned true or the device is lost. While
  // paused nothing drains, so it waits for the resume or the abort. A stream that is not
  // playing (at the start, after a clear or after running dry) starts once a device buffer's
  // worth is queued.
  size_t Write(const int16_t* frames, size_t count, const std::atomic<bool>* abort = nullptr);

  // Fades out (or back in) over a few milliseconds; what is queued stays queued.
  void Pause(bool paused) { Paused.store(paused, std::memory_order_relaxed); }
  // Drops everything queued so far, fading out what is playing; the next frames fade in.
  void Clear() { ClearTo.store(WritePos.load(std::memory_order_acquire), std::memory_order_release); }

  // What the device granted.
  int Rate() const { return GrantedRate; }
  int Channels() const { return ChannelCount; }
  int64_t DeviceBufferFrames() const { return DeviceFrames; }
  // The most that is queued ahead of the speaker while Write paces the producer.
  int64_t LatencyFrames() const { return RingLimit + DeviceFrames; }
  // Frames a frame written now waits before it is heard: the ring plus SDL's own buffer.
  int64_t QueuedFrames() const;
  // Frames handed to the device since Open, silence included: the device's clock.
  int64_t DeliveredFrames() const { return Delivered.load(std::memory_order_relaxed); }
  // Frames queued since Open, whether heard or dropped by a clear: the producer's clock.
  int64_t WrittenFrames() const { return WritePos.load(std::memory_order_acquire); }
  // Times the ring ran dry while playing (a stream that simply ended counts once too).
  int64_t Underruns() const { return UnderrunCount.load(std::memory_order_relaxed); }
  // True once the device stopped taking frames (unplugged, or stuck for a second); Write
  // then returns at once. Close and Open again to continue.
  bool DeviceLost() const { return Lost.load(std::memory_order_relaxed); }

 private:
  static void Feed(void* self, uint8_t* stream, int bytes);
  void Fill(int16_t* out, size_t frames);
  void StopFeeding(bool ranDry);
  size_t Room() const;
  void Push(const int16_t* frames, size_t count);
  void Reset(int rate, int channels, int deviceFrames, int latencyMs);

  uint32_t Device = 0;
  int GrantedRate = 0;
  int ChannelCount = 0;
  int64_t DeviceFrames = 0;
  int64_t RingLimit = 0;
  std::chrono::microseconds SleepStep{1000};

  // The ring: positions count frames since Open and only grow; a frame's slot is its
  // position modulo the ring's size (a power of two).
  std::vector<int16_t> Ring;
  int64_t RingMask = 0;
  std::atomic<int64_t> WritePos{0};  // stored by the producer
  std::atomic<int64_t> ReadPos{0};   // stored by the callback
  std::atomic<int64_t> ClearTo{0};   // frames before it are dropped
  std::atomic<bool> Paused{false};
  std::atomic<int64_t> Delivered{0};
  std::atomic<int64_t> UnderrunCount{0};
  std::atomic<bool> Lost{false};

  // The callback's own state: the gain of the fades and the fade-out from the last sample.
  int FadeFrames = 1;
  float Gain = 1;
  bool Feeding = false;
  int TailLeft = 0;
  float TailStart[2] = {};
  int16_t Last[2] = {};
};
