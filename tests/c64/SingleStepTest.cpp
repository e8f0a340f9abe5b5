// Tom Harte's single-step cases: 200 per opcode, each one instruction from a known state.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "MachineFixture.h"

namespace {

// Just enough JSON for the case files: objects, arrays, numbers and strings without escapes.
struct TJson {
  std::vector<TJson> Items;
  std::vector<std::pair<std::string, TJson>> Fields;
  std::string Text;
  long Number = 0;

  const TJson& operator[](const std::string& key) const {
    for (const auto& [name, value] : Fields) {
      if (name == key) return value;
    }
    static const TJson Missing;
    return Missing;
  }
};

class TJsonReader {
 public:
  explicit TJsonReader(const std::string& text) : Text(text) {}
  bool Read(TJson& value) {
    SkipSpace();
    if (At >= Text.size()) return false;
    const char c = Text[At];
    if (c == '{') return ReadList(value, '}', true);
    if (c == '[') return ReadList(value, ']', false);
    if (c == '"') return ReadString(value.Text);
    return ReadNumber(value.Number);
  }

 private:
  void SkipSpace() {
    while (At < Text.size() && (Text[At] == ' ' || Text[At] == '\n' || Text[At] == '\r' || Text[At] == '\t')) ++At;
  }
  bool Expect(char c) {
    SkipSpace();
    if (At >= Text.size() || Text[At] != c) return false;
    ++At;
    return true;
  }
  bool ReadString(std::string& out) {
    if (!Expect('"')) return false;
    const size_t end = Text.find('"', At);
    if (end == std::string::npos) return false;
    out = Text.substr(At, end - At);
    At = end + 1;
    return true;
  }
  bool ReadNumber(long& out) {
    size_t used = 0;
    try {
      out = std::stol(Text.substr(At, 24), &used);
    } catch (...) {
      return false;
    }
    At += used;
    return true;
  }
  bool ReadList(TJson& value, char close, bool object) {
    ++At;
    if (Expect(close)) return true;
    do {
      std::string key;
      if (object && (!ReadString(key) || !Expect(':'))) return false;
      TJson item;
      if (!Read(item)) return false;
      if (object) {
        value.Fields.emplace_back(std::move(key), std::move(item));
      } else {
        value.Items.push_back(std::move(item));
      }
    } while (Expect(','));
    return Expect(close);
  }

  const std::string& Text;
  size_t At = 0;
};

class TWriteLog : public TBusWriteObserver {
 public:
  void BusWrite(uint16_t address, uint8_t value) override { Writes.emplace_back(address, value); }
  std::vector<std::pair<uint16_t, uint8_t>> Writes;
};

// Jam: the machine spends one cycle per JAM so that interrupts still come through; the chip
// hangs. NopAbsolute: the recorded cases of NOP abs/abs,X lack the final read cycle (the chip
// takes 4 and 4+p cycles). Neither has its cycle count compared with the recording.
enum class TKind { Checked, Jam, NopAbsolute, Unstable };

TKind KindOf(uint8_t op) {
  static const std::set<uint8_t> Jams = {0x02, 0x12, 0x22, 0x32, 0x42, 0x52,
                                         0x62, 0x72, 0x92, 0xB2, 0xD2, 0xF2};
  static const std::set<uint8_t> Unstable = {0x8B, 0xAB, 0x93, 0x9F, 0x9E, 0x9C, 0x9B};
  static const std::set<uint8_t> NopAbsolute = {0x0C, 0x1C, 0x3C, 0x5C, 0x7C, 0xDC, 0xFC};
  if (Jams.count(op)) return TKind::Jam;
  if (NopAbsolute.count(op)) return TKind::NopAbsolute;
  if (Unstable.count(op)) return TKind::Unstable;
  return TKind::Checked;
}

// Zero-page read-modify-write instructions write their result once; the chip's first write of
// the unmodified byte is only visible on the bus, and the machine leaves it out.
bool IsZeroPageModify(uint8_t op) {
  const uint8_t mode = op & 0x1F;
  const uint8_t group = op & 0xE0;
  const bool modifyGroup = (op & 0x03) == 0x03 || (op & 0x03) == 0x02;
  return modifyGroup && (mode == 0x06 || mode == 0x07 || mode == 0x16 || mode == 0x17) &&
         group != 0x80 && group != 0xA0;
}


// Runs one case; returns an empty string when it passes, else what differed.
std::string RunCase(T6510& machine, const TJson& test, uint8_t op, bool checkCycles) {
  const TJson& initial = test["initial"];
  const TJson& expected = test["final"];
  for (const TJson& pair : initial["ram"].Items) {
    machine.Ram[static_cast<uint16_t>(pair.Items[0].Number)] = static_cast<uint8_t>(pair.Items[1].Number);
  }
  machine.PC = static_cast<uint16_t>(initial["pc"].Number);
  machine.SP = static_cast<uint8_t>(initial["s"].Number);
  machine.A = static_cast<uint8_t>(initial["a"].Number);
  machine.X = static_cast<uint8_t>(initial["x"].Number);
  machine.Y = static_cast<uint8_t>(initial["y"].Number);
  machine.SetStatusByte(static_cast<uint8_t>(initial["p"].Number));
  TWriteLog log;
  machine.WriteObserver = &log;
  machine.ExecuteInstruction();
  machine.WriteObserver = nullptr;

  std::ostringstream diff;
  auto check = [&diff](const char* what, long got, long want) {
    if (got != want) diff << what << " " << got << " want " << want << "; ";
  };
  check("pc", machine.PC, expected["pc"].Number);
  check("s", machine.SP, expected["s"].Number);
  check("a", machine.A, expected["a"].Number);
  check("x", machine.X, expected["x"].Number);
  check("y", machine.Y, expected["y"].Number);
  // B and bit 5 are no flags of the chip: they exist only in pushed status bytes.
  check("p", machine.StatusByte() & 0xCF, expected["p"].Number & 0xCF);
  for (const TJson& pair : expected["ram"].Items) {
    check("ram", machine.Ram[static_cast<uint16_t>(pair.Items[0].Number)], pair.Items[1].Number);
  }
  std::vector<std::pair<uint16_t, uint8_t>> writes;
  for (const TJson& cycle : test["cycles"].Items) {
    if (cycle.Items[2].Text == "write") {
      writes.emplace_back(static_cast<uint16_t>(cycle.Items[0].Number), static_cast<uint8_t>(cycle.Items[1].Number));
    }
  }
  if (IsZeroPageModify(op) && writes.size() == 2) writes.erase(writes.begin());
  if (log.Writes != writes) diff << "bus writes differ; ";
  if (checkCycles) check("cycles", machine.InstructionCycles, static_cast<long>(test["cycles"].Items.size()));
  for (const TJson& pair : initial["ram"].Items) machine.Ram[static_cast<uint16_t>(pair.Items[0].Number)] = 0;
  return diff.str();
}

bool TouchesProcessorPort(const TJson& test) {
  for (const TJson& cycle : test["cycles"].Items) {
    if (cycle.Items[0].Number < 2 && cycle.Items[2].Text == "write") return true;
  }
  return false;
}

}  // namespace

TEST(SingleStep, EveryOpcodeMatchesTheRecordedCases) {
  const std::filesystem::path dir = VEXLOR_SINGLESTEP_DIR;
  if (!std::filesystem::exists(dir / "ff.json")) {
    GTEST_SKIP() << "single-step cases not unpacked into " << dir << " (archive missing from " VEXLOR_TESTDATA ")";
  }
  auto machine = MakeMachine();
  std::map<TKind, std::pair<long, long>> totals;
  long portCases = 0;
  std::string table;
  for (int op = 0; op < 256; ++op) {
    char name[8];
    std::snprintf(name, sizeof name, "%02x", op);
    std::ifstream in(dir / (std::string(name) + ".json"));
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    TJson cases;
    ASSERT_TRUE(TJsonReader(text).Read(cases)) << name << ".json does not parse";
    const TKind kind = KindOf(static_cast<uint8_t>(op));
    long run = 0, passed = 0;
    std::string firstFailure;
    for (const TJson& test : cases.Items) {
      // A write to $00/$01 reaches the processor port, not plain RAM as in the recorded cases.
      if (TouchesProcessorPort(test)) {
        ++portCases;
        continue;
      }
      ++run;
      const std::string diff = RunCase(*machine, test, static_cast<uint8_t>(op),
                                       kind == TKind::Checked || kind == TKind::Unstable);
      if (diff.empty()) {
        ++passed;
      } else if (firstFailure.empty()) {
        firstFailure = test["name"].Text + ": " + diff;
      }
    }
    totals[kind].first += passed;
    totals[kind].second += run;
    char cell[32];
    std::snprintf(cell, sizeof cell, "%s%c%3ld/%-3ld", name, " jnu"[static_cast<int>(kind)],
                  passed, run);
    table += cell;
    table += (op % 8 == 7) ? "\n" : "  ";
    if (kind != TKind::Unstable) {
      EXPECT_EQ(passed, run) << "opcode $" << name << " first failure: " << firstFailure;
    } else if (passed != run) {
      std::printf("unstable $%s differs: %s\n", name, firstFailure.c_str());
    }
  }
  std::printf("Single-step cases passed/run per opcode (j: JAM, n: NOP abs, cycles not compared; u: unstable, not asserted)\n%s",
              table.c_str());
  std::printf("checked %ld/%ld, JAM %ld/%ld, NOP abs %ld/%ld, unstable %ld/%ld, skipped for port writes %ld\n",
              totals[TKind::Checked].first, totals[TKind::Checked].second, totals[TKind::Jam].first,
              totals[TKind::Jam].second, totals[TKind::NopAbsolute].first, totals[TKind::NopAbsolute].second,
              totals[TKind::Unstable].first, totals[TKind::Unstable].second, portCases);
}
