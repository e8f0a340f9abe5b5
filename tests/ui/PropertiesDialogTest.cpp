// The properties dialog on real tunes: the header facts and fingerprints against the corpus
// index, the timing texts of the songs, and the players that the SID ID signatures find.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScrollBar>
#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "knowledge/SidId.h"
#include "tune/SidLoader.h"
#include "tune/TuneTexts.h"
#include "ui/frmProperties.h"

namespace {

const std::filesystem::path Tunes = std::filesystem::path(VEXLOR_TESTDATA) / "tunes";
const std::filesystem::path SidIdConfig = std::filesystem::path(VEXLOR_TESTDATA) / "sidid/sidid.cfg";

// A C64 memory that takes the tune's bytes where the loader places them.
class TImageMachine : public TTuneMachine {
 public:
  void SetPlaySidMode(bool) override {}
  void LoadTune(const TTuneImage& image) override {
    Memory.fill(0);
    std::copy(image.data.begin(), image.data.end(), Memory.begin() + image.loadAddress);
  }
  void RestoreTune(uint8_t, uint16_t, bool) override {}

  std::array<uint8_t, 0x10000> Memory{};
};

// The dialog as the main window shows it, over a tune loaded from the corpus or a record of the
// test's own.
class TDialogRig {
 public:
  TDialogRig() = default;
  explicit TDialogRig(const TTuneRecord& tune) { Loader.Tune = tune; }

  bool Load(const std::filesystem::path& file) {
    Path = file;
    return Loader.LoadTuneFile(file.string(), 0) == TLoadResult::Loaded;
  }

  TFormProperties& Open(int songIndex, bool withFile = true) {
    Dialog = std::make_unique<TFormProperties>(nullptr, Loader.Tune, [this]() -> const auto& { return Machine.Memory; });
    if (withFile) Dialog->SetFileName(QString::fromStdString(Path.string()));
    Dialog->SetCurrentSongIndex(songIndex);
    Dialog->show();
    return *Dialog;
  }

  QString Text(const char* name) const {
    if (const auto* label = Dialog->findChild<QLabel*>(name)) return label->text();
    return Dialog->findChild<QLineEdit*>(name)->text();
  }

  QStringList Players() const {
    QStringList names;
    const auto* list = Dialog->findChild<QListWidget*>("PlayerList");
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
  }

  bool Checked(const char* name) const { return Dialog->findChild<QRadioButton*>(name)->isChecked(); }
  QScrollBar* SongScroll() const { return Dialog->findChild<QScrollBar*>("SongScroll"); }

  TImageMachine Machine;
  TSidLoader Loader{Machine};
  std::filesystem::path Path;
  std::unique_ptr<TFormProperties> Dialog;
};

using TRow = std::vector<std::string>;

std::vector<TRow> ReadIndex(TRow& columns) {
  std::ifstream in(Tunes / "INDEX.tsv");
  std::vector<TRow> rows;
  std::string line;
  while (std::getline(in, line)) {
    TRow cells;
    std::stringstream cellStream(line);
    for (std::string cell; std::getline(cellStream, cell, '\t');) cells.push_back(cell);
    if (columns.empty()) {
      columns = cells;
    } else {
      rows.push_back(cells);
    }
  }
  return rows;
}

uint32_t Hex(const std::string& text) { return uint32_t(std::stoul(text.substr(1), nullptr, 16)); }

QString Expected(const std::map<std::string, std::string>& row, const std::string& column) {
  return QString::fromUtf8(row.at(column));
}

// The index writes "6581", "8580", "6581+8580", "unknown" and "PAL", "NTSC", "PAL+NTSC".
QString DeclaredText(const std::string& declared, const std::string& first, const std::string& second,
                     const QString& firstText, const QString& secondText, const QString& bothText) {
  if (declared == first + "+" + second) return bothText;
  if (declared == first) return firstText;
  if (declared == second) return secondText;
  return "Unknown";
}

TEST(PropertiesDialog, ShowsTheHeaderFactsAndFingerprintOfEveryIndexedTune) {
  if (!std::filesystem::exists(Tunes / "INDEX.tsv")) GTEST_SKIP() << "no tune corpus in " << Tunes;
  TRow columns;
  int checked = 0;
  for (const TRow& cells : ReadIndex(columns)) {
    std::map<std::string, std::string> row;
    for (size_t i = 0; i < columns.size() && i < cells.size(); ++i) row[columns[i]] = cells[i];
    if (row["magic"] != "PSID" && row["magic"] != "RSID") continue;
    TDialogRig rig;
    ASSERT_TRUE(rig.Load(Tunes / row["file"])) << row["file"];
    const int start = std::stoi(row["startSong"]);
    rig.Open(start - 1);
    SCOPED_TRACE(row["file"]);
    const uint32_t load = Hex(row["loadAddr_real"]);
    const uint32_t init = Hex(row["initAddr"]);
    const uint32_t play = Hex(row["playAddr"]);
    const uint32_t startPage = Hex(row["startPage"]);
    EXPECT_EQ(rig.Text("FileNameValue").toStdString(), (Tunes / row["file"]).string());
    EXPECT_EQ(rig.Text("NameValue"), Expected(row, "name"));
    EXPECT_EQ(rig.Text("AuthorValue"), Expected(row, "author"));
    EXPECT_EQ(rig.Text("ReleasedValue"), Expected(row, "released"));
    EXPECT_EQ(rig.Text("LoadValue").toStdString(),
              DollarHex(load, 4) + " - " + DollarHex(load + std::stoul(row["c64DataLen"]) - 1, 4));
    const std::string initText = row["basic_rsid"] == "yes" ? "BASIC" : DollarHex(init != 0 ? init : load, 4);
    EXPECT_EQ(rig.Text("InitValue").toStdString(), initText);
    EXPECT_EQ(rig.Text("PlayValue").toStdString(), play != 0 ? DollarHex(play, 4) : "INIT");
    EXPECT_EQ(rig.Text("SongsValue"), Expected(row, "songs"));
    EXPECT_EQ(rig.Text("StartSongValue"), Expected(row, "startSong"));
    // A tune for several SIDs lists each chip's address and model.
    if (row["sid2Addr"] == "-") {
      EXPECT_EQ(rig.Text("SidModelValue"), DeclaredText(row["sidModel"], "6581", "8580", "MOS 6581", "MOS 8580", "MOS 6581/8580"));
    } else {
      const QString chips = rig.Text("SidModelValue");
      const QString firstModel = DeclaredText(row["sidModel"], "6581", "8580", "6581", "8580", "6581/8580");
      EXPECT_TRUE(chips.startsWith("$D400 " + firstModel + ", " + QString::fromStdString(row["sid2Addr"]) + " ")) << chips.toStdString();
      EXPECT_EQ(chips.contains(QString::fromStdString(", " + row["sid3Addr"] + " ")), row["sid3Addr"] != "-");
    }
    EXPECT_EQ(rig.Text("ClockValue"), DeclaredText(row["clock"], "PAL", "NTSC", "PAL", "NTSC", "PAL and NTSC"));
    const std::string relocation =
        startPage == 0 || startPage == 255
            ? "Auto"
            : DollarHex(startPage, 2) + "00 - " + DollarHex((startPage + Hex(row["pageLength"])) * 256 - 1, 4);
    EXPECT_EQ(rig.Text("RelocationValue").toStdString(), relocation);
    EXPECT_EQ(rig.Text("Md5Value"), Expected(row, "md5_old_fingerprint"));
    const bool cia = row["magic"] == "RSID" || ((Hex(row["speed"]) >> std::min(start - 1, 31)) & 1);
    EXPECT_EQ(rig.Text("TimingValue"), QString::number(start) + (cia ? " CIA IRQ" : " Raster IRQ"));
    EXPECT_EQ(rig.SongScroll()->value(), start);
    EXPECT_EQ(rig.SongScroll()->maximum(), std::stoi(row["songs"]));
    ++checked;
  }
  EXPECT_GT(checked, 20);
}

TEST(PropertiesDialog, SongScrollBarShowsEachSongsTiming) {
  TTuneRecord tune;
  tune.songs = 3;
  tune.speed = 0x2;
  TDialogRig rig(tune);
  rig.Open(1, false);
  EXPECT_EQ(rig.SongScroll()->value(), 2);
  EXPECT_EQ(rig.Text("TimingValue"), "2 CIA IRQ");
  rig.SongScroll()->setValue(1);
  EXPECT_EQ(rig.Text("TimingValue"), "1 Raster IRQ");
  rig.SongScroll()->setValue(3);
  EXPECT_EQ(rig.Text("TimingValue"), "3 Raster IRQ");
}

TEST(PropertiesDialog, ValueTextsOfUnusualRecords) {
  auto with = [](auto change) {
    TTuneRecord tune;
    change(tune);
    return tune;
  };
  // Songs past the 32nd: PlaySID-specific tunes start the speed bits over, others keep bit 31.
  const TTuneRecord playSid = with([](TTuneRecord& t) { t.speed = 0x1; t.playSidSpecific = true; });
  const TTuneRecord plain = with([](TTuneRecord& t) { t.speed = 0x80000000; });
  EXPECT_EQ(TFormProperties::TimingText(playSid, 32), "33 CIA IRQ");
  EXPECT_EQ(TFormProperties::TimingText(playSid, 31), "32 Raster IRQ");
  EXPECT_EQ(TFormProperties::TimingText(plain, 40), "41 CIA IRQ");
  EXPECT_EQ(TFormProperties::TimingText(plain, 30), "31 Raster IRQ");

  EXPECT_EQ(InitText(with([](TTuneRecord& t) { t.programFile = true; })), "RUN");
  EXPECT_EQ(InitText(with([](TTuneRecord& t) { t.initAddress = 0x1000; t.programFile = true; })),
            "$1000");
  EXPECT_EQ(InitText(with([](TTuneRecord&) {})), "$0000");
  EXPECT_EQ(RelocationText(with([](TTuneRecord& t) { t.relocStartPage = 255; t.relocPages = 1; })),
            "Auto");
  EXPECT_EQ(RelocationText(with([](TTuneRecord& t) { t.relocStartPage = 0x10; t.relocPages = 0x20; })),
            "$1000 - $2FFF");
  EXPECT_EQ(SidModelText(with([](TTuneRecord&) {})), "Unknown");
  EXPECT_EQ(ClockText(false, true), "NTSC");
}

TEST(PropertiesDialog, CreditsShowAmpersandsOnceAndLatin1Letters) {
  TTuneRecord tune;
  tune.name = "Tom & Jerry";
  tune.author = "J\xE9r\xF4me";
  TDialogRig rig(tune);
  rig.Open(0, false);
  EXPECT_EQ(rig.Text("NameValue"), "Tom & Jerry");
  EXPECT_EQ(rig.Text("AuthorValue"), QString::fromUtf8("Jérôme"));
}

// Loads the signatures for one test and leaves the process-wide list empty again.
class PropertiesPlayers : public testing::Test {
 protected:
  void SetUp() override {
    if (!Signatures().LoadFromFile(SidIdConfig.string())) GTEST_SKIP() << "no signature file " << SidIdConfig;
  }
  void TearDown() override { Signatures().Clear(); }
};

TEST_F(PropertiesPlayers, FileScanListsThePlayersFoundInTheFile) {
  const struct {
    const char* file;
    QStringList players;
  } cases[] = {
      {"C64Music/MUSICIANS/H/Hubbard_Rob/Commando.sid", {"Rob Hubbard"}},
      {"C64Music/GAMES/S-Z/Telengard_BASIC.sid", {"Basic Program"}},
      {"C64Music/GAMES/A-F/Ball.sid", {"(MusicMaster 1)", "Soundmonitor"}},
      {"C64Music/MUSICIANS/D/Daglish_Ben/Last_Ninja.sid", {"Anthony Lees", "Antony Crowther V3"}},
  };
  for (const auto& c : cases) {
    TDialogRig rig;
    ASSERT_TRUE(rig.Load(Tunes / c.file)) << c.file;
    rig.Open(0);
    EXPECT_EQ(rig.Players(), c.players) << c.file;
    EXPECT_TRUE(rig.Checked("FileScan")) << c.file;
  }
}

TEST_F(PropertiesPlayers, EmptyFileScanTurnsToTheMemoryScan) {
  TDialogRig rig;
  ASSERT_TRUE(rig.Load(Tunes / "C64Music/DEMOS/A-F/Digital_II.sid"));
  // Commando's player in C64 memory where nothing in the file matches.
  TDialogRig commando;
  ASSERT_TRUE(commando.Load(Tunes / "C64Music/MUSICIANS/H/Hubbard_Rob/Commando.sid"));
  rig.Machine.Memory = commando.Machine.Memory;
  TFormProperties& dialog = rig.Open(0);
  EXPECT_TRUE(rig.Checked("MemoryScan"));
  EXPECT_EQ(rig.Players(), QStringList{"Rob Hubbard"});

  dialog.findChild<QRadioButton*>("FileScan")->click();
  EXPECT_EQ(rig.Players(), QStringList{}) << "a click scans the file again";
}

TEST_F(PropertiesPlayers, WithoutAFileOnlyMemoryIsScanned) {
  TDialogRig rig;
  ASSERT_TRUE(rig.Load(Tunes / "C64Music/MUSICIANS/H/Hubbard_Rob/Commando.sid"));
  rig.Open(0, false);
  EXPECT_TRUE(rig.Checked("MemoryScan"));
  EXPECT_EQ(rig.Players(), QStringList{"Rob Hubbard"});
}

}  // namespace
