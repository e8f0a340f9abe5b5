#pragma once
// The write stream a card would receive, played on the software SID and written to a sound
// file: each write reaches the chip at its cycle, and the chip's samples go to the file.
#include <cstdint>
#include <string>
#include <vector>

#include "audio/AudioFile.h"
#include "cli/RecordingSidDevice.h"
#include "sid/SidChip.h"

class TAudioRender : public TSidWriteListener {
 public:
  explicit TAudioRender(const TSidConfig& config);

  bool Open(const std::string& path, std::string& error);
  void SidWrite(uint64_t cycle, uint8_t reg, uint8_t value) override;
  // Plays the chip on to endCycle, writes exactly that much sound and completes the file.
  bool Finish(uint64_t endCycle, std::string& error);

 private:
  // Runs the chip up to the stream's cycle, sending its samples to the file.
  void AdvanceTo(uint64_t cycle);
  void WriteSamples(size_t count);

  TSidChip Chip;
  TAudioFile File;
  std::vector<float> Samples;
  std::vector<int16_t> Pcm;
  uint64_t Cycle = 0;
  uint64_t Written = 0;
  std::string Error;
};

// The chip model a tune asks for: the 8580 only when its header names the 8580 alone.
TSidModel TuneModel(bool sid6581, bool sid8580);
