#pragma once
// Seats the emulated C64 where the loader expects its machine: the loader's calls go straight
// through to T6510, which itself has no virtual operations.
#include "c64/T6510.h"
#include "tune/TuneMachine.h"

class TMachineLoaderSeat : public TTuneMachine {
 public:
  explicit TMachineLoaderSeat(T6510& machine) : Machine(machine) {}

  void SetPlaySidMode(bool playSid) override { Machine.SetPlaySidMode(playSid); }
  void LoadTune(const TTuneImage& image) override {
    Machine.LoadTune(image.fileName, image.data, image.songByte, image.realC64, image.loadAddress);
    Machine.SetSidChips(image.otherSids, image.sidModels);
  }
  void RestoreTune(uint8_t songByte, uint16_t loadAddress, bool realC64) override {
    Machine.RestoreTune(songByte, loadAddress, realC64);
  }

 private:
  T6510& Machine;
};
