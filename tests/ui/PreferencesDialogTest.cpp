// The preferences dialog over a settings store of the test's own: what it shows for stored
// values, what Save writes (the ".sid" association included), the entries it refuses and its
// folder pickers.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <memory>

#include "TestFiles.h"
#include "knowledge/SongLength.h"
#include "knowledge/Stil.h"
#include "platform/ScratchRegistry.h"
#include "settings/Preferences.h"
#include "ui/PreferenceChoices.h"
#include "ui/SidFileAssociation.h"
#include "ui/WindowRig.h"
#include "ui/frmPreference.h"

namespace {

const QStringList Devices{"HardSID 4U 0 (6581)", "Catweasel3 0 (8580)"};

class PreferencesDialog : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv("SIDIDCFG");
    LoadStil("");
    LoadSongLengths("");
  }

  TfrmPreferences& Open(const QStringList& devices = Devices) {
    const TSidFileAssociation association{[this] { return Registered; },
                                          [this] {
                                            Registered = true;
                                            return true;
                                          },
                                          [this] {
                                            Registered = false;
                                            return true;
                                          }};
    Dialog = std::make_unique<TfrmPreferences>(nullptr, Settings, QString::fromStdString(Folder.Path.string()), devices,
                                               association);
    Dialog->show();
    return *Dialog;
  }
  template <typename T>
  T* Find(const char* name) {
    return Dialog->findChild<T*>(name);
  }
  void Type(const char* edit, const std::string& text) { Find<QLineEdit>(edit)->setText(QString::fromStdString(text)); }
  // Presses Save and answers the error box it shows; empty when none showed.
  QString SaveRefused() {
    QString shown;
    WhenModalOpens([&shown](QWidget* modal) {
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        shown = box->text();
        box->accept();
      }
    });
    Dialog->Save();
    return shown;
  }

  TScratchRegistry Registry;
  TScratchFolder Folder;
  TPreferences Settings;
  // The desktop's association as the dialog reaches it.
  bool Registered = false;
  std::unique_ptr<TfrmPreferences> Dialog;
};

TEST_F(PreferencesDialog, AFreshStoreShowsTheDefaultsAndThePagesOfTheListedCards) {
  setenv("SIDIDCFG", "/opt/c64/sidid.cfg", 1);
  TfrmPreferences& dialog = Open();
  EXPECT_EQ(dialog.windowTitle(), "Preferences");
  const std::pair<const char*, const char*> lists[] = {
      {"MaxForwardSpeed", "Unlimited!"},          {"Mk4StereoOutput", "False"},
      {"ClockFrequency", "HardSID (1Mhz clock)"}, {"DefaultUnknownDevice", "<Current Device>"},
      {"Default6581Device", "<Current Device>"},  {"Default8580Device", "<Current Device>"},
      {"StartupDirectory", "Last Accessed"},      {"FrequencySetting", "PAL Default"},
      {"DefaultDevice", "HardSID 4U 0 (6581)"},   {"SidOutputRate", "48000 Hz"},
      {"Sid6581FilterCurve", "Average"},
  };
  for (const auto& [name, text] : lists) EXPECT_EQ(Find<QComboBox>(name)->currentText(), text) << name;
  EXPECT_EQ(Find<QComboBox>("MaxForwardSpeed")->count(), 19) << "2 to 19 and Unlimited!";
  EXPECT_TRUE(Find<QCheckBox>("DefaultSize")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("Sid8580DigiBoost")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("RegisterAsDefault")->isChecked());
  EXPECT_EQ(Find<QCheckBox>("RegisterAsDefault")->toolTip(), "Only .sid files will be registered");
  EXPECT_EQ(Find<QSpinBox>("SidLatency")->value(), 50);
  EXPECT_EQ(Find<QLineEdit>("SidIdConfigFile")->text(), "/opt/c64/sidid.cfg") << "the variable stands in";

  struct TCase {
    QStringList Names;
    bool HardSid, Catweasel;
  };
  for (const TCase& check : {TCase{{}, false, false}, TCase{{"HardSID 0 (6581)"}, true, false},
                             TCase{{"Catweasel3 0 (6581)"}, false, false}, TCase{{"Catweasel4 1 (8580)"}, false, true}}) {
    QTabWidget* pages = Open(check.Names).findChild<QTabWidget*>("Pages");
    ASSERT_EQ(pages->count(), 4);
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(pages->tabText(0), "General");
    EXPECT_EQ(pages->isTabVisible(1), check.HardSid) << check.Names.join(",").toStdString();
    EXPECT_EQ(pages->isTabVisible(2), check.Catweasel) << check.Names.join(",").toStdString();
    EXPECT_TRUE(pages->isTabVisible(3)) << "the emulated SID is always there";
  }
}

TEST_F(PreferencesDialog, SaveStoresEveryChoiceAndTheNextOpeningShowsIt) {
  Folder.Write("HVSC/C64Music/DOCUMENTS/STIL.txt", "/MUSICIANS/A/Artist/Zed.sid\n  TITLE: Zed\n");
  Open();
  Type("HomeDirectory", Folder.Path.string());
  Type("HvscDirectory", Folder / "HVSC");
  const std::pair<const char*, int> lists[] = {
      {"StartupDirectory", 1},   {"DefaultDevice", 1},   {"DefaultUnknownDevice", 1}, {"Default6581Device", 0},
      {"Default8580Device", 2},  {"FrequencySetting", 4}, {"MaxForwardSpeed", 5},     {"ClockFrequency", 0},
      {"Mk4StereoOutput", 1},    {"SidOutputRate", 2},    {"Sid6581FilterCurve", 2},
  };
  for (const auto& [name, index] : lists) Find<QComboBox>(name)->setCurrentIndex(index);
  Find<QSpinBox>("SidLatency")->setValue(120);
  Find<QCheckBox>("DefaultSize")->setChecked(false);
  Find<QCheckBox>("Sid8580DigiBoost")->setChecked(true);
  Find<QCheckBox>("RegisterAsDefault")->setChecked(true);
  EXPECT_EQ(SaveRefused(), "");
  EXPECT_EQ(Dialog->result(), QDialog::Accepted);

  const TPreferences stored;
  EXPECT_EQ(stored.HomeDirectory(), Folder.Path.string());
  EXPECT_EQ(stored.HVSCDirectory(), Folder / "HVSC");
  const std::pair<int32_t, int32_t> values[] = {
      {stored.StartupDirectory(), 1},   {stored.DefaultDevice(), 1},       {stored.DefaultUnknownDevice(), 0},
      {stored.Default6581Device(), -1}, {stored.Default8580Device(), 1},   {stored.FrequencySetting(), 4},
      {stored.MaxForwardSpeed(), 7},    {stored.HSClockAdjustment(), 1},   {stored.ForceDualPlayback(), 1},
      {stored.SidOutputRate(), 96000},  {stored.Sid6581FilterCurve(), 2},  {stored.SidLatency(), 120},
      {stored.DefaultSize(), 0},        {stored.Sid8580DigiBoost(), 1},
  };
  for (size_t value = 0; value < std::size(values); ++value) EXPECT_EQ(values[value].first, values[value].second) << value;
  EXPECT_TRUE(Registered);
  EXPECT_EQ(Stil().Count(), 1) << "STIL is read again from the new folder";

  Open();
  EXPECT_FALSE(Find<QCheckBox>("DefaultSize")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>("RegisterAsDefault")->isChecked());
  for (const auto& [name, index] : lists) EXPECT_EQ(Find<QComboBox>(name)->currentIndex(), index) << name;
  Find<QComboBox>("MaxForwardSpeed")->setCurrentIndex(18);
  Find<QCheckBox>("RegisterAsDefault")->setChecked(false);
  EXPECT_EQ(SaveRefused(), "");
  EXPECT_EQ(TPreferences().MaxForwardSpeed(), 20);
  EXPECT_FALSE(Registered);

  // A window without the desktop's association offers no box to tick.
  Dialog = std::make_unique<TfrmPreferences>(nullptr, Settings, QString(), Devices, TSidFileAssociation{});
  EXPECT_FALSE(Find<QCheckBox>("RegisterAsDefault")->isEnabled());
}

TEST_F(PreferencesDialog, EachRefusalKeepsTheDialogOpenOnItsEdit) {
  Folder.Write("plain/readme.txt", "not a collection");
  struct TCase {
    const char* Edit;
    std::string Text;
    QString Message;
  };
  const TCase cases[] = {
      {"HomeDirectory", Folder / "missing", "Home Directory doesn't exist."},
      {"HvscDirectory", Folder / "plain", "HVSC Directory doesn't exist."},
      {"SidIdConfigFile", Folder / "missing.cfg",
       "Sid ID Config File doesn't exist. Enter a config file or leave the entry blank."},
  };
  for (const TCase& check : cases) {
    SCOPED_TRACE(check.Edit);
    Open();
    Type(check.Edit, check.Text);
    Find<QTabWidget>("Pages")->setCurrentIndex(3);
    EXPECT_EQ(SaveRefused(), check.Message);
    EXPECT_TRUE(Dialog->isVisible());
    EXPECT_NE(Dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Find<QTabWidget>("Pages")->currentIndex(), 0);
    EXPECT_EQ(Dialog->focusWidget(), Find<QLineEdit>(check.Edit));
  }

  // The folders written before the signature file was refused stay written.
  Open();
  Type("HomeDirectory", Folder.Path.string());
  Type("SidIdConfigFile", Folder / "missing.cfg");
  EXPECT_NE(SaveRefused(), "");
  EXPECT_EQ(TPreferences().HomeDirectory(), Folder.Path.string());
  EXPECT_EQ(TPreferences().MaxForwardSpeed(), 20) << "nothing after the refusal";

  // A file name that repeats $SIDIDCFG is neither checked nor stored.
  setenv("SIDIDCFG", (Folder / "missing.cfg").c_str(), 1);
  Open();
  EXPECT_EQ(SaveRefused(), "");
  EXPECT_EQ(TPreferences().SidIDConfigFile(), "");
}

TEST_F(PreferencesDialog, FolderPickersStartWhereTheyShouldAndRefuseAFolderThatIsNoCollection) {
  Folder.Write("plain/readme.txt", "not a collection");
  Folder.Write("HVSC/DOCUMENTS/Songlengths.txt", "[Database]\n");
  Open();
  QString title, start, refusal;
  // Picks the folder in the next picker; then answers the error box that follows, if asked to.
  const auto choose = [&](const std::string& folder, bool refused = false) {
    WhenModalOpens([&, folder, refused](QWidget* modal) {
      auto* picker = qobject_cast<QFileDialog*>(modal);
      ASSERT_NE(picker, nullptr);
      title = picker->windowTitle();
      start = picker->directory().absolutePath();
      picker->selectFile(QString::fromStdString(folder));
      if (refused) WhenModalOpens([&](QWidget* box) {
          refusal = static_cast<QMessageBox*>(box)->text();
          static_cast<QMessageBox*>(box)->accept();
        });
      static_cast<QDialog*>(picker)->accept();
    });
  };
  choose(Folder / "plain");
  Dialog->BrowseHomeDirectory();
  EXPECT_EQ(title, "Select Home Directory...");
  EXPECT_EQ(start.toStdString(), Folder.Path.string()) << "an empty edit starts at the window's folder";
  EXPECT_EQ(Find<QLineEdit>("HomeDirectory")->text().toStdString(), Folder / "plain");

  choose(Folder / "plain", true);
  Dialog->BrowseHvscDirectory();
  EXPECT_EQ(refusal, "Invalid HVSC Directory.");
  EXPECT_EQ(Find<QLineEdit>("HvscDirectory")->text(), "");
  EXPECT_EQ(Dialog->focusWidget(), Find<QLineEdit>("HvscDirectory"));
  choose(Folder / "HVSC");
  Dialog->BrowseHvscDirectory();
  EXPECT_EQ(Find<QLineEdit>("HvscDirectory")->text().toStdString(), Folder / "HVSC");
}

TEST(PreferenceChoices, HvscFoldersPassWithTheCollectionsMarks) {
  TScratchFolder folder;
  folder.Write("marked/hv_sids.txt", "");
  folder.Write("root/DOCUMENTS/STIL.txt", "");
  folder.Write("parent/C64Music/DOCUMENTS/STIL.txt", "");
  folder.Write("plain/readme.txt", "");
  const std::pair<std::string, bool> cases[] = {
      {"", true},           {"  ", true},          {folder / "marked", true}, {folder / "root", true},
      {folder / "parent", true}, {folder / "plain", false}, {folder / "missing", false},
      {folder / "marked/hv_sids.txt", false},
  };
  for (const auto& [path, valid] : cases) EXPECT_EQ(TPreferenceChoices::ValidHvscDirectory(path), valid) << path;
}

}  // namespace
