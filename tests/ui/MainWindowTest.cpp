// The main window on real tunes: its texts, the file list, the song information panel, the
// transport buttons and the messages it shows.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QMenuBar>
#include <QSlider>
#include <QToolButton>
#include <fstream>

#include "knowledge/KnowledgeTestFiles.h"
#include "knowledge/Stil.h"
#include "ui/WindowRig.h"
#include "ui/frmAbout.h"
#include "ui/frmSTIL.h"

namespace {

using namespace std::chrono_literals;

const std::filesystem::path Corpus = std::filesystem::path(VEXLOR_TESTDATA) / "tunes/C64Music";
const std::filesystem::path Hvsc = std::filesystem::path(VEXLOR_TESTDATA) / "hvsc/hvsc69";

QStringList Captions(const QList<QAction*>& actions) {
  QStringList captions;
  for (const QAction* action : actions) captions << (action->isSeparator() ? "-" : action->text());
  return captions;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(Corpus)) GTEST_SKIP() << "test tunes missing: " << Corpus;
  }
};

TEST_F(MainWindowTest, OpensWithTheCaptionsOfItsControls) {
  TWindowRig rig(1);
  EXPECT_EQ(rig.Window->windowTitle(), "Vexlor Player - Commodore 64 Music Player");
  const std::pair<const char*, const char*> groups[] = {
      {"SongInformation", " Song Information "}, {"Settings", " Settings "}, {"Devices", " Devices "}};
  for (const auto& [name, title] : groups) EXPECT_EQ(rig.Find<QGroupBox>(name)->title(), title);
  const std::pair<const char*, const char*> boxes[] = {
      {"Voice1", "Voice 1"}, {"Voice2", "Voice 2"}, {"Voice3", "Voice 3"}, {"Voice4", "Voice 4"},
      {"MuteAll", "Mute All"}, {"Filter", "Filter"}};
  for (const auto& [name, caption] : boxes) EXPECT_EQ(rig.Find<QCheckBox>(name)->text(), caption);
  for (const char* voice : {"Voice1", "Voice2", "Voice3", "Voice4", "Filter"}) EXPECT_TRUE(rig.Find<QCheckBox>(voice)->isChecked());
  EXPECT_FALSE(rig.Find<QCheckBox>("MuteAll")->isChecked());
  const char* panels[] = {" Select a song...", "PAL", "Speed - 001", " 6510 CPU 000%", "00:00:00     "};
  for (int panel = 0; panel < 5; ++panel)
    EXPECT_EQ(rig.Text(QString("StatusPanel%1").arg(panel).toUtf8().constData()), panels[panel]);
  const std::pair<const char*, const char*> hints[] = {{"HistoryBackButton", "Get previous song from history"},
                                                       {"HistoryForwardButton", "Get next song from history"},
                                                       {"UpButton", "Up one level"},
                                                       {"HomeButton", "Home"}};
  for (const auto& [name, hint] : hints) EXPECT_EQ(rig.Find<QToolButton>(name)->toolTip(), hint);
  EXPECT_FALSE(rig.Find<QToolButton>("HistoryBackButton")->isEnabled());
  EXPECT_FALSE(rig.Find<QToolButton>("HistoryForwardButton")->isEnabled());
  EXPECT_FALSE(rig.Find<QToolButton>("StopButton")->isEnabled());
  QComboBox* devices = rig.Find<QComboBox>("DeviceBox");
  ASSERT_EQ(devices->count(), 1);
  EXPECT_EQ(devices->currentText(), "Paced 0");
  EXPECT_EQ(rig.Window->Preferences().DefaultDevice(), 0);

  TWindowRig none(0);
  ASSERT_EQ(none.Find<QComboBox>("DeviceBox")->count(), 1);
  EXPECT_EQ(none.Find<QComboBox>("DeviceBox")->currentText(), "No Device Available");
}

TEST_F(MainWindowTest, ADoubleClickedTuneFillsTheSongPanelAndItsWritesReachTheChip) {
  TWindowRig rig(1);
  rig.DoubleClick(Corpus / "MUSICIANS/H/Hubbard_Rob/Commando.sid");
  ASSERT_TRUE(rig.WaitForMusic());
  EXPECT_EQ(rig.Text("NameValue"), "Commando (3:56)");
  EXPECT_EQ(rig.Text("AuthorValue"), "Rob Hubbard");
  EXPECT_EQ(rig.Text("ReleasedValue"), "1985 Elite");
  EXPECT_EQ(rig.Text("SongLabel"), "Song 1");
  EXPECT_EQ(rig.Find<QSlider>("TrackBar")->maximum(), 11);
  EXPECT_TRUE(rig.Find<QToolButton>("PlayButton")->isChecked());
  EXPECT_TRUE(rig.Find<QToolButton>("StopButton")->isEnabled());
  EXPECT_EQ(rig.Window->CurrentDirectory().toStdString(), (Corpus / "MUSICIANS/H/Hubbard_Rob").string());
  // The bars thread writes the status bar through the window's own thread.
  EXPECT_TRUE(WaitFor([&] { return rig.Text("StatusPanel0").startsWith(" Playing tune 001 of 011 / 00050 Hz"); }));
  EXPECT_TRUE(rig.Messages.empty());

  QTest::mouseClick(rig.Find<QToolButton>("StopButton"), Qt::LeftButton);
  EXPECT_FALSE(rig.Window->Control().Playing());
  EXPECT_EQ(rig.Text("StatusPanel0"), " Stopped...");
  EXPECT_FALSE(rig.Find<QToolButton>("PlayButton")->isChecked());
}

TEST_F(MainWindowTest, CreditsAreShownAsTheirLatin1TextsWithOneAmpersand) {
  TWindowRig rig(1);
  struct TCase {
    const char* Tune;
    QString Author;
    QString Released;
  };
  const TCase cases[] = {
      {"MUSICIANS/H/Huelsbeck_Chris/Shades.sid", QString::fromUtf8("Chris H\u00fclsbeck"), "1986 64'er/Markt & Technik"},
      {"MUSICIANS/D/Daglish_Ben/Last_Ninja.sid", "Ben Daglish & Anthony Lees", "1987 System 3"},
  };
  for (const TCase& check : cases) {
    SCOPED_TRACE(check.Tune);
    rig.DoubleClick(Corpus / check.Tune);
    ASSERT_TRUE(rig.WaitForMusic());
    EXPECT_EQ(rig.Text("AuthorValue"), check.Author);
    EXPECT_EQ(rig.Text("ReleasedValue"), check.Released);
  }
}

TEST_F(MainWindowTest, NextAndPreviousSongButtonsMoveTheSongAndRestartIt) {
  TWindowRig rig(1);
  rig.DoubleClick(Corpus / "MUSICIANS/H/Hubbard_Rob/Commando.sid");
  ASSERT_TRUE(rig.WaitForMusic());
  QToolButton* previous = rig.Find<QToolButton>("PreviousButton");
  EXPECT_FALSE(previous->isEnabled());
  QTest::mouseClick(rig.Find<QToolButton>("NextButton"), Qt::LeftButton);
  EXPECT_EQ(rig.Text("SongLabel"), "Song 2");
  ASSERT_TRUE(WaitFor([&] { return rig.Window->Control().CurrentSong() == 2; }));
  EXPECT_EQ(rig.Text("NameValue"), "Commando (1:02)");
  ASSERT_TRUE(rig.WaitForMusic());
  ASSERT_TRUE(WaitFor([&] { return previous->isEnabled() && rig.Find<QSlider>("TrackBar")->isEnabled(); }));

  QTest::mouseClick(previous, Qt::LeftButton);
  EXPECT_EQ(rig.Text("SongLabel"), "Song 1");
  ASSERT_TRUE(WaitFor([&] { return rig.Window->Control().CurrentSong() == 1; }));
  EXPECT_EQ(rig.Text("NameValue"), "Commando (3:56)");
  EXPECT_FALSE(previous->isEnabled());
  EXPECT_TRUE(rig.WaitForMusic());
}

TEST_F(MainWindowTest, WithoutADeviceTheHardwareMessageShowsAndNothingPlays) {
  TWindowRig rig(0);
  rig.DoubleClick(Corpus / "MUSICIANS/H/Hubbard_Rob/Commando.sid");
  ASSERT_EQ(rig.Messages.size(), 1u);
  EXPECT_EQ(rig.Messages[0].first, TMessageStyle::Plain);
  EXPECT_EQ(rig.Messages[0].second, "Hardware not available to play SID tune or device driver not installed.");
  EXPECT_FALSE(rig.Window->Control().Playing());
  EXPECT_EQ(rig.Text("StatusPanel0"), " Stopped...");
}

TEST_F(MainWindowTest, ABadFileSaysUnknownFileFormatAndTheHistoryStillLeadsBack) {
  TWindowRig rig(1);
  const std::filesystem::path commando = Corpus / "MUSICIANS/H/Hubbard_Rob/Commando.sid";
  const std::filesystem::path junk = rig.Folder / "junk.sid";
  std::ofstream(junk) << "not a tune at all";
  rig.DoubleClick(commando);
  ASSERT_TRUE(rig.WaitForMusic());
  rig.DoubleClick(junk);
  ASSERT_EQ(rig.Messages.size(), 1u);
  EXPECT_EQ(rig.Messages[0], std::make_pair(TMessageStyle::Information, QString("Unknown file format")));
  EXPECT_FALSE(rig.Window->Control().Playing());
  EXPECT_FALSE(rig.Find<QToolButton>("StopButton")->isEnabled());

  QToolButton* back = rig.Find<QToolButton>("HistoryBackButton");
  ASSERT_TRUE(back->isEnabled());
  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_TRUE(rig.WaitForMusic());
  EXPECT_EQ(rig.Text("NameValue"), "Commando (3:56)");
  EXPECT_EQ(rig.Find<QListWidget>("FileList")->currentItem()->text(), "Commando.sid");
  EXPECT_FALSE(back->isEnabled());
  EXPECT_TRUE(rig.Find<QToolButton>("HistoryForwardButton")->isEnabled());
}

TEST_F(MainWindowTest, TheFileListShowsOnlyTuneFilesAndBackspaceGoesUpALevel) {
  TWindowRig rig(0);
  std::ofstream(rig.Folder / "notes.txt") << "x";
  std::ofstream(rig.Folder / "tune.sid") << "x";
  std::ofstream(rig.Folder / "program") << "x";
  ASSERT_TRUE(rig.Window->OpenDirectory(QString::fromStdString(rig.Folder.string())));
  QListWidget* files = rig.Find<QListWidget>("FileList");
  QStringList shown;
  for (int row = 0; row < files->count(); ++row) shown << files->item(row)->text();
  EXPECT_EQ(shown, QStringList({"program", "tune.sid"}));
  QListWidget* folders = rig.Find<QListWidget>("DirectoryList");
  EXPECT_EQ(folders->item(0)->text(), "/");
  EXPECT_EQ(folders->currentItem()->text().trimmed(), QString::fromStdString(rig.Folder.filename().string()));
  EXPECT_EQ(folders->item(folders->count() - 1)->text().trimmed(), "roms");

  QTest::keyClick(files, Qt::Key_Backspace);
  EXPECT_EQ(rig.Window->CurrentDirectory().toStdString(), rig.Folder.parent_path().string());
  EXPECT_EQ(folders->currentItem()->data(Qt::UserRole).toString().toStdString(), rig.Folder.string());
  ASSERT_TRUE(rig.Window->OpenDirectory("/"));
  rig.Window->UpOneLevel();
  EXPECT_EQ(rig.Window->CurrentDirectory(), "/");
}

TEST_F(MainWindowTest, MenusHoldTheCommandsTheWindowHas) {
  TWindowRig rig(0);
  const QMenuBar* menus = rig.Find<QMenuBar>("Menu");
  ASSERT_EQ(Captions(menus->actions()), QStringList({"&File", "&Help"}));
  EXPECT_EQ(Captions(menus->actions()[0]->menu()->actions()),
            QStringList({"&Open...", "-", "P&roperties...", "STIL info...", "-", "&Preferences...", "-",
                         "&Minimize to system tray", "-", "E&xit"}));
  EXPECT_EQ(menus->actions()[0]->menu()->actions()[0]->shortcut(), QKeySequence("Ctrl+O"));
  EXPECT_EQ(menus->actions()[0]->menu()->actions()[2]->shortcut(), QKeySequence("F1"));
  EXPECT_EQ(menus->actions()[0]->menu()->actions()[5]->shortcut(), QKeySequence("F12"));
  EXPECT_EQ(menus->actions()[0]->menu()->actions()[7]->shortcut(), QKeySequence("F10"));
  EXPECT_FALSE(menus->actions()[0]->menu()->actions()[7]->isEnabled()) << "no tray has taken it";
  EXPECT_EQ(Captions(menus->actions()[1]->menu()->actions()), QStringList({"&About"}));
  EXPECT_EQ(TFormAbout::ProductLine(""), "Vexlor Player v1.0.0 - Commodore 64 Music Player");
  EXPECT_EQ(TFormAbout::ProductLine("0.1.0"), "Vexlor Player v0.1.0 - Commodore 64 Music Player");

  QString shownLine;
  WhenModalOpens([&](QWidget* about) {
    shownLine = about->findChild<QLabel*>("ProductLine")->text();
    static_cast<QDialog*>(about)->accept();
  });
  QTest::mouseClick(rig.Find<QLabel>("Logo"), Qt::LeftButton);
  EXPECT_TRUE(shownLine.startsWith("Vexlor Player v")) << shownLine.toStdString();

  // The open dialog starts the chosen file as a double click would.
  const QString commando = QString::fromStdString((Corpus / "MUSICIANS/H/Hubbard_Rob/Commando.sid").string());
  WhenModalOpens([&](QWidget* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(files, nullptr);
    files->selectFile(commando);
    static_cast<QDialog*>(files)->accept();
  });
  rig.Window->OpenFile();
  EXPECT_EQ(rig.Window->History().Current(), commando.toStdString());
  EXPECT_EQ(rig.Find<QListWidget>("FileList")->currentItem()->text(), "Commando.sid");
  ASSERT_EQ(rig.Messages.size(), 1u) << "no device: the hardware message";
}

TEST_F(MainWindowTest, PopupItemsActOnTheSelectedEntryOnly) {
  TWindowRig rig(1);
  const std::filesystem::path folder = Corpus / "MUSICIANS/H/Hubbard_Rob";
  ASSERT_TRUE(rig.Window->OpenDirectory(QString::fromStdString(folder.string())));
  QListWidget* files = rig.Find<QListWidget>("FileList");
  files->setCurrentItem(nullptr);
  rig.Window->PrepareFilePopup();
  for (const char* item : {"&Load", "&Play", "&Copy filename"}) EXPECT_FALSE(rig.Window->findChild<QAction*>(item)->isEnabled()) << item;

  ASSERT_TRUE(rig.Window->SelectFile(QString::fromStdString((folder / "Lightforce.sid").string())));
  rig.Window->PrepareFilePopup();
  for (const char* item : {"&Load", "&Play", "&Copy filename"}) EXPECT_TRUE(rig.Window->findChild<QAction*>(item)->isEnabled()) << item;
  rig.Window->findChild<QAction*>("&Copy filename")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), (folder / "Lightforce.sid").string());

  // Load fills the panel and readies Play without starting.
  rig.Window->findChild<QAction*>("&Load")->trigger();
  EXPECT_EQ(rig.Text("NameValue"), "Lightforce (7:15)");
  EXPECT_FALSE(rig.Window->Control().Playing());
  EXPECT_TRUE(rig.Find<QToolButton>("PlayButton")->isEnabled());
  QTest::mouseClick(rig.Find<QToolButton>("PlayButton"), Qt::LeftButton);
  EXPECT_TRUE(rig.WaitForMusic());

  QListWidget* folders = rig.Find<QListWidget>("DirectoryList");
  folders->setCurrentRow(1);
  const QString chosen = folders->currentItem()->data(Qt::UserRole).toString();
  rig.Window->findChild<QAction*>("Set as Home Directory")->trigger();
  EXPECT_EQ(rig.Window->CurrentDirectory(), chosen);
  EXPECT_EQ(rig.Window->Preferences().HomeDirectory(), chosen.toStdString());
}

TEST_F(MainWindowTest, ClosingStoresTheWindowBoundsForTheNextStart) {
  TWindowRig rig(0);
  rig.Window->setGeometry(40, 50, 600, 420);
  rig.Window->close();
  const TPreferences stored;
  EXPECT_EQ(stored.Maximized(), 0);
  EXPECT_EQ(stored.Width(), 600);
  EXPECT_EQ(stored.Height(), 420);
  EXPECT_GT(stored.Split(), 0);
  EXPECT_FALSE(rig.Window->isVisible());
}

// A tune with STIL text enables "STIL info..." and the window shows its text; a tune without
// any hides the open window.
TEST_F(MainWindowTest, StilInfoFollowsTheLoadedTune) {
  SKIP_WITHOUT_TESTDATA("hvsc/hvsc69/DOCUMENTS/STIL.txt");
  TScratchFolder collection;
  collection.Link("C64Music/DOCUMENTS", (Hvsc / "DOCUMENTS").string());
  collection.Link("C64Music/MUSICIANS", (Corpus / "MUSICIANS").string());
  TWindowRig rig(1);
  LoadStil(collection / "");
  TfrmSTILInfo& stil = rig.Window->StilWindow();
  rig.Window->ShowStilInfo();
  EXPECT_FALSE(stil.isVisible()) << "nothing loaded, nothing to show";

  rig.DoubleClick(collection.Path / "C64Music/MUSICIANS/H/Hubbard_Rob/Commando.sid");
  ASSERT_TRUE(rig.WaitForMusic());
  EXPECT_TRUE(rig.Find<QLabel>("StilIndicator")->isVisible());
  QTest::keyClick(rig.Window.get(), Qt::Key_I, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([&] { return stil.isVisible(); }, 5s));
  EXPECT_TRUE(stil.ShownText().contains("There is an interesting story behind Commando."));

  rig.DoubleClick(collection.Path / "C64Music/MUSICIANS/H/Hubbard_Rob/Lightforce.sid");
  ASSERT_TRUE(WaitFor([&] { return stil.LastStilPath().ends_with("Lightforce.sid"); }, 10s)) << "the open window follows";
  EXPECT_FALSE(stil.ShownText().contains("Commando"));

  rig.DoubleClick(Corpus / "MUSICIANS/H/Hubbard_Rob/Commando.sid");
  EXPECT_TRUE(WaitFor([&] { return !stil.isVisible(); }, 10s)) << "a tune outside the collection has no STIL text";
  EXPECT_FALSE(rig.Find<QLabel>("StilIndicator")->isVisible());
  LoadStil("");
}

// A computer without a card, on a fresh settings store: the software chips are listed, the
// tune's model picks one of them, and the music reaches the sound card (SDL's disk driver,
// writing what it plays into a file).
TEST_F(MainWindowTest, WithoutACardTheTunesModelPlaysOnTheSoftwareChip) {
  TScratchFolder sound;
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", (sound / "heard.raw").c_str(), 1);
  unsetenv("VEXLOR_HARDSID_LIBRARY");
  {
    TWindowRig rig(TWindowRig::InstalledDrivers);
    auto* box = rig.Find<QComboBox>("DeviceBox");
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0), "Emulated SID 6581");
    EXPECT_EQ(box->itemText(1), "Emulated SID 8580");
    const std::pair<const char*, const char*> tunes[] = {{"MUSICIANS/M/Mr_SID/Prince_of_Persia.sid", "Emulated SID 8580"},
                                                         {"MUSICIANS/H/Hubbard_Rob/Commando.sid", "Emulated SID 6581"}};
    for (const auto& [tune, chip] : tunes) {
      SCOPED_TRACE(tune);
      rig.DoubleClick(Corpus / tune);
      ASSERT_TRUE(WaitFor([&rig] {
        return !rig.Window->Control().StartPending() && rig.Window->Machine().Writer->SoundStarted;
      }));
      EXPECT_EQ(box->currentText(), chip);
    }
    const auto heard = [&sound] {
      const std::vector<uint8_t> bytes = ReadFileBytes(sound / "heard.raw");
      return std::any_of(bytes.begin(), bytes.end(), [](uint8_t byte) { return byte != 0; });
    };
    EXPECT_TRUE(WaitFor(heard)) << "the music reaches the sound card";
    EXPECT_TRUE(rig.Messages.empty());
  }
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");
}

}  // namespace
