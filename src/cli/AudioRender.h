#pragma once
// The write stream a card would receive, played on the software SID and written to a sound
// file: each write reaches its chip at its cycle, and the chips' mix goes to the file. A tune
// for several SIDs plays each on a chip of its own, in stereo or mono.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "audio/AudioFile.h"
#include "cli/RecordingSidDevice.h"
#include "sid/SidMix.h"

class TAudioRender : public TSidWriteListener {
 public:
  // One chip per model, each as config says otherwise.
  TAudioRender(const TSidConfig& config, std::span<const TSidModel> models, TSidMixLayout layout);

  bool Open(const std::string& path, std::string& error);
  void SidWrite(uint64_t cycle, uint8_t reg, uint8_t value) override;
  // Plays the chips on to endCycle, writes exactly that much sound and completes the file.
  bool Finish(uint64_t endCycle, std::string& error);

 private:
  // Runs the chips up to the stream's cycle, sending their mix to the file.
  void AdvanceTo(uint64_t cycle);
  void WriteFrames(size_t count);

  TSidMix Mix;
  TAudioFile File;
  std::vector<float> Samples;
  std::vector<int16_t> Pcm;
  uint64_t Cycle = 0;
  uint64_t Written = 0;
  std::string Error;
};

// The chip model a header's flags ask for: the 8580 only when they name the 8580 alone.
TSidModel TuneModel(bool sid6581, bool sid8580);
