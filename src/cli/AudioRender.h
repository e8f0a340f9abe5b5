#pragma once
// The writes a card would receive, played on the software SID at the C64 cycles the tune made them
// and written to a sound file: a listener hears the song's silent lead-in, which a card is spared.
// A tune for several SIDs plays each on a chip of its own, in stereo or mono.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "audio/AudioFile.h"
#include "cli/RecordingSidDevice.h"
#include "sid/SidMix.h"

class TAudioRender : public TSidWriteListener {
 public:
  // One chip per model, each as config says otherwise. The file holds the song's first endCycle
  // C64 cycles; later writes are left out.
  TAudioRender(const TSidConfig& config, std::span<const TSidModel> models, TSidMixLayout layout,
               uint64_t endCycle);

  bool Open(const std::string& path, std::string& error);
  void SidWrite(const TCardWrite& write) override;
  // Plays the chips on to the end cycle, writes exactly that much sound and completes the file.
  bool Finish(std::string& error);

 private:
  // Runs the chips up to the C64 cycle, sending their mix to the file.
  void AdvanceTo(uint64_t cycle);
  void WriteFrames(size_t count);

  TSidMix Mix;
  TAudioFile File;
  std::vector<float> Samples;
  std::vector<int16_t> Pcm;
  uint64_t EndCycle;
  uint64_t Cycle = 0;
  uint64_t Written = 0;
  std::string Error;
};

// The chip model a header's flags ask for: the 8580 only when they name the 8580 alone.
TSidModel TuneModel(bool sid6581, bool sid8580);
