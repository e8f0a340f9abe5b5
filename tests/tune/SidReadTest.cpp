// What a tune reads from the SID, on two small tunes of the test's own. One plays a sawtooth,
// waits, then turns its gate off the common way (LDA $D404 / AND #$FE / STA $D404): a
// write-only register reads as the data bus, which holds the last byte written until it fades
// (about 7,000 cycles on the 6581, 660,000 on the 8580). The other tells the 6581 from the 8580
// by the highest oscillator 3 value of a combined triangle-sawtooth wave (the 6581's stays
// below $80) and writes $65 or $85 to $D416. The answers come from the selected chip: a card
// that reads back, the software chip itself while it is heard, or else a software chip of the
// selected model beside the stream.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "output/EmulatedSid.h"
#include "platform/ScratchRegistry.h"
#include "tune/TuneRig.h"
#include "tune/TuneTestSupport.h"

namespace {

// Init at $1006 behind a JMP, play an RTS at $1003.
TBytes TuneAt1000(const TBytes& init) {
  TSidFile file;
  file.data = Concat({0x00, 0x10, 0x4C, 0x06, 0x10, 0x60, 0xEA, 0xEA}, init);
  return file.Bytes();
}

// Waits outer × middle × 1,286 cycles between the sawtooth and the gate-off.
TBytes GateOffTune(uint8_t outer, uint8_t middle) {
  return TuneAt1000({0xA9, 0x21, 0x8D, 0x04, 0xD4,  // LDA #$21, STA $D404
                     0xA9, outer, 0x85, 0x02,       // LDA #outer, STA $02
                     0xA0, middle,                  // LDY #middle
                     0xA2, 0x00, 0xCA, 0xD0, 0xFD,  // LDX #0, DEX, BNE -3
                     0x88, 0xD0, 0xF8,              // DEY, BNE -8
                     0xC6, 0x02, 0xD0, 0xF2,        // DEC $02, BNE -14
                     0xAD, 0x04, 0xD4, 0x29, 0xFE, 0x8D, 0x04, 0xD4, 0x60});
}

TBytes ModelTestTune() {
  return TuneAt1000({0xA9, 0x20, 0x8D, 0x0E, 0xD4, 0x8D, 0x0F, 0xD4,  // voice 3 frequency $2020
                     0xA9, 0x31, 0x8D, 0x12, 0xD4,                    // triangle + sawtooth, gate
                     0xA2, 0x00, 0x86, 0x02,                          // 256 reads, highest in $02
                     0xAD, 0x1B, 0xD4, 0xC5, 0x02, 0x90, 0x02, 0x85, 0x02, 0xCA, 0xD0, 0xF4,
                     0xA5, 0x02, 0x30, 0x06,                          // $80 or more: 8580
                     0xA9, 0x65, 0x8D, 0x16, 0xD4, 0x60, 0xA9, 0x85, 0x8D, 0x16, 0xD4, 0x60});
}

enum class TChosen { Mos6581, Mos8580, CardAnswering5A, SilentCard, SilentCardSet8580 };

struct TCase {
  const char* Name;
  TChosen Chip;
  bool Heard;  // the software chip plays through SDL's dummy driver
  TBytes Tune;
  uint8_t Reg;
  uint8_t Expected;
};

class SidReadTest : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("SDL_AUDIODRIVER"); }

  // Runs the tune's init on the chosen chip and returns the last value it wrote to reg.
  uint8_t Run(const TCase& c) {
    const bool software = c.Chip == TChosen::Mos6581 || c.Chip == TChosen::Mos8580;
    auto rigPointer = software ? std::make_unique<TTuneRig>([] { return std::make_unique<TEmulatedSid>(); })
                               : std::make_unique<TTuneRig>();
    TTuneRig& rig = *rigPointer;
    if (!software) {
      rig.Recorder->AnswersReads = c.Chip == TChosen::CardAnswering5A;
      rig.Recorder->ReadValue = [](int) { return uint8_t(0x5A); };
      if (c.Chip == TChosen::SilentCardSet8580) rig.Machine->Writer->SetReadbackModel(TSidModel::Mos8580);
    }
    const int32_t device = c.Chip == TChosen::Mos8580 ? 1 : 0;
    rig.Machine->Writer->PendingDevice = device;
    if (c.Heard) {
      setenv("SDL_AUDIODRIVER", "dummy", 1);
      std::string error;
      EXPECT_TRUE(rig.Machine->Devices->StartOutput(device, error)) << error;
    }
    EXPECT_EQ(rig.Loader.LoadTuneFile(Registry.Write("tune.sid", c.Tune), 0), TLoadResult::Loaded);
    rig.Start();
    return rig.Machine->Writer->Shadow[c.Reg];
  }

  TScratchRegistry Registry;
};

TEST_F(SidReadTest, AWriteOnlyRegisterReadsTheFadingBusOfTheSelectedChip) {
  const TBytes medium = GateOffTune(1, 32);  // about 41,000 cycles: the 6581's bus has faded
  const TBytes longer = GateOffTune(3, 0);   // about 987,000 cycles: the 8580's too
  const TCase cases[] = {
      {"6581", TChosen::Mos6581, false, medium, 4, 0x00},
      {"8580", TChosen::Mos8580, false, medium, 4, 0x20},
      {"8580 after its fade", TChosen::Mos8580, false, longer, 4, 0x00},
      {"6581 heard", TChosen::Mos6581, true, medium, 4, 0x00},
      {"8580 heard", TChosen::Mos8580, true, medium, 4, 0x20},
      {"a card answers itself", TChosen::CardAnswering5A, false, medium, 4, 0x5A},
      {"a silent card: a 6581 answers", TChosen::SilentCard, false, medium, 4, 0x00},
      {"a silent card, 8580 chosen", TChosen::SilentCardSet8580, false, medium, 4, 0x20},
  };
  for (const TCase& c : cases) EXPECT_EQ(Run(c), c.Expected) << c.Name;
}

TEST_F(SidReadTest, TheModelTestTakesTheBranchOfTheSelectedChip) {
  const TBytes tune = ModelTestTune();
  const TCase cases[] = {
      {"6581", TChosen::Mos6581, false, tune, 22, 0x65},
      {"8580", TChosen::Mos8580, false, tune, 22, 0x85},
      {"6581 heard", TChosen::Mos6581, true, tune, 22, 0x65},
      {"8580 heard", TChosen::Mos8580, true, tune, 22, 0x85},
      {"a silent card: a 6581 answers", TChosen::SilentCard, false, tune, 22, 0x65},
      {"a silent card, 8580 chosen", TChosen::SilentCardSet8580, false, tune, 22, 0x85},
  };
  for (const TCase& c : cases) EXPECT_EQ(Run(c), c.Expected) << c.Name;
}

}  // namespace
