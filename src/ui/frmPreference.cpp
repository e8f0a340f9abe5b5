#include "ui/frmPreference.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "settings/Preferences.h"

namespace {

constexpr int ClientWidth = 448;
constexpr int ClientHeight = 397;
constexpr int BrowseButtonWidth = 28;

const QStringList StartupDirectoryEntries{"Last Accessed", "Home Directory", "Currect Directory"};
const QStringList FrequencyEntries{"PAL Default",  "PAL Frequency Fixed",  "PAL Always",
                                   "NTSC Default", "NTSC Frequency Fixed", "NTSC Always"};
const QStringList ClockFrequencyEntries{"C64 (PAL / NTSC clock)", "HardSID (1Mhz clock)"};
const QStringList StereoEntries{"False", "True"};
const QStringList FilterCurveEntries{"Average", "Bright", "Dark"};
constexpr const char* CurrentDeviceEntry = "<Current Device>";

QStringList ForwardSpeedEntries() {
  QStringList entries;
  for (int limit = TPreferenceChoices::SlowestForwardLimit; limit <= TPreferenceChoices::FastestForwardLimit; ++limit)
    entries << QString::number(limit);
  return entries << "Unlimited!";
}

QStringList OutputRateEntries() {
  QStringList entries;
  for (const int32_t rate : TPreferenceChoices::SidOutputRates) entries << QString("%1 Hz").arg(rate);
  return entries;
}

// Edits and lists fill the width the captions leave; a list is never narrower than its longest entry.
QGroupBox* Group(const char* title, QFormLayout*& rows) {
  auto* group = new QGroupBox(title);
  rows = new QFormLayout(group);
  rows->setContentsMargins(6, 0, 6, 2);
  rows->setVerticalSpacing(2);
  rows->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  return group;
}

// The groups of a page share one column of captions, so that their controls line up.
QWidget* Page(std::initializer_list<QWidget*> groups) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(2);
  int captionWidth = 0;
  for (QWidget* group : groups) {
    layout->addWidget(group);
    for (const QLabel* caption : group->findChildren<QLabel*>()) captionWidth = std::max(captionWidth, caption->sizeHint().width());
  }
  for (QWidget* group : groups)
    for (QLabel* caption : group->findChildren<QLabel*>()) caption->setMinimumWidth(captionWidth);
  layout->addStretch(1);
  return page;
}

bool AnyNameContains(const QStringList& names, const char* part) {
  return std::any_of(names.begin(), names.end(), [part](const QString& name) { return name.contains(part); });
}

std::string FileName(const QString& text) { return QFile::encodeName(text).toStdString(); }
QString ShownName(const std::string& text) { return QFile::decodeName(text.c_str()); }

}  // namespace

TfrmPreferences::TfrmPreferences(QWidget* parent, TPreferences& settings, const QString& startDirectory,
                                 const QStringList& deviceNames, TSidFileAssociation sidFiles)
    : QDialog(parent), Settings(settings), StartDirectory(startDirectory), SidFiles(std::move(sidFiles)) {
  setObjectName("TfrmPreferences");
  setWindowTitle("Preferences");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  Pages = new QTabWidget;
  Pages->setObjectName("Pages");
  Pages->addTab(BuildGeneralPage(deviceNames), "General");
  ClockFrequencyList = List("ClockFrequency", ClockFrequencyEntries);
  StereoList = List("Mk4StereoOutput", StereoEntries);
  Pages->addTab(CardPage("Clock Frequency", ClockFrequencyList), "HardSID");
  Pages->addTab(CardPage("MK4 Stereo Output", StereoList), "Catweasel");
  Pages->addTab(BuildEmulatedSidPage(), "Emulated SID");
  Pages->setTabVisible(1, AnyNameContains(deviceNames, "HardSID"));
  Pages->setTabVisible(2, AnyNameContains(deviceNames, "Catweasel4"));
  layout->addWidget(Pages, 1);
  layout->addWidget(BuildBottomRow());
  Show(TPreferenceChoices::Read(Settings, int32_t(deviceNames.size()), SidFiles));
  // The designed size, or what the controls need where the system's fonts are wider.
  const QSize needed = sizeHint();
  setFixedSize(std::max(ClientWidth, needed.width()), std::max(ClientHeight, needed.height()));
}

QComboBox* TfrmPreferences::List(const char* name, const QStringList& entries) {
  auto* list = new QComboBox;
  list->setObjectName(name);
  list->addItems(entries);
  list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return list;
}

QWidget* TfrmPreferences::BrowseRow(QLineEdit*& edit, const char* name, void (TfrmPreferences::*browse)()) {
  auto* row = new QWidget;
  row->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  edit = new QLineEdit;
  edit->setObjectName(name);
  auto* button = new QToolButton;
  button->setObjectName(QString(name) + "Browse");
  button->setText("...");
  button->setFixedSize(BrowseButtonWidth, edit->sizeHint().height());
  connect(button, &QToolButton::clicked, this, [this, browse] { (this->*browse)(); });
  layout->addWidget(edit, 1);
  layout->addWidget(button);
  return row;
}

QWidget* TfrmPreferences::BuildGeneralPage(const QStringList& deviceNames) {
  QFormLayout* rows = nullptr;
  QGroupBox* application = Group(" Application ", rows);
  DefaultSizeBox = new QCheckBox("Startup with default window size and position");
  DefaultSizeBox->setObjectName("DefaultSize");
  rows->addRow(DefaultSizeBox);

  QGroupBox* directory = Group(" Directory ", rows);
  rows->addRow("Home Directory", BrowseRow(HomeEdit, "HomeDirectory", &TfrmPreferences::BrowseHomeDirectory));
  StartupDirectoryList = List("StartupDirectory", StartupDirectoryEntries);
  rows->addRow("Default Start Directory", StartupDirectoryList);
  rows->addRow("HVSC Directory", BrowseRow(HvscEdit, "HvscDirectory", &TfrmPreferences::BrowseHvscDirectory));
  rows->addRow("SID ID Config File", BrowseRow(SidIdEdit, "SidIdConfigFile", &TfrmPreferences::BrowseSidIdConfigFile));

  QGroupBox* playback = Group(" Playback ", rows);
  const QStringList withCurrent = QStringList(CurrentDeviceEntry) + deviceNames;
  DefaultDeviceList = List("DefaultDevice", deviceNames);
  UnknownDeviceList = List("DefaultUnknownDevice", withCurrent);
  Sid6581DeviceList = List("Default6581Device", withCurrent);
  Sid8580DeviceList = List("Default8580Device", withCurrent);
  FrequencyList = List("FrequencySetting", FrequencyEntries);
  ForwardSpeedList = List("MaxForwardSpeed", ForwardSpeedEntries());
  rows->addRow("Default Output Device on startup", DefaultDeviceList);
  rows->addRow("Default Output Device for unknown SID type", UnknownDeviceList);
  rows->addRow("Default Output Device for 6581 SID tune", Sid6581DeviceList);
  rows->addRow("Default Output Device for 8580 SID tune", Sid8580DeviceList);
  rows->addRow("SID Frequency Setting", FrequencyList);
  rows->addRow("Maximum Forward Speed", ForwardSpeedList);
  return Page({application, directory, playback});
}

// A card's page holds one list in its " Playback " group.
QWidget* TfrmPreferences::CardPage(const char* caption, QComboBox* list) {
  QFormLayout* rows = nullptr;
  QGroupBox* playback = Group(" Playback ", rows);
  rows->addRow(caption, list);
  return Page({playback});
}

QWidget* TfrmPreferences::BuildEmulatedSidPage() {
  QFormLayout* rows = nullptr;
  QGroupBox* output = Group(" Sound Output ", rows);
  OutputRateList = List("SidOutputRate", OutputRateEntries());
  LatencyBox = new QSpinBox;
  LatencyBox->setObjectName("SidLatency");
  LatencyBox->setRange(TPreferenceChoices::ShortestSidLatency, TPreferenceChoices::LongestSidLatency);
  LatencyBox->setSuffix(" ms");
  rows->addRow("Output Rate", OutputRateList);
  rows->addRow("Latency", LatencyBox);

  QGroupBox* chips = Group(" SID Chips ", rows);
  FilterCurveList = List("Sid6581FilterCurve", FilterCurveEntries);
  DigiBoostBox = new QCheckBox("8580 digi boost (louder samples)");
  DigiBoostBox->setObjectName("Sid8580DigiBoost");
  rows->addRow("6581 Filter Curve", FilterCurveList);
  rows->addRow(DigiBoostBox);
  return Page({output, chips});
}

QWidget* TfrmPreferences::BuildBottomRow() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  RegisterBox = new QCheckBox("Register as default application");
  RegisterBox->setObjectName("RegisterAsDefault");
  RegisterBox->setToolTip("Only .sid files will be registered");
  RegisterBox->setEnabled(SidFiles.Available());
  auto* save = new QPushButton("Save");
  save->setObjectName("SaveButton");
  save->setDefault(true);
  auto* cancel = new QPushButton("Cancel");
  cancel->setObjectName("CancelButton");
  connect(save, &QPushButton::clicked, this, [this] { Save(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  layout->addWidget(RegisterBox, 1);
  layout->addWidget(save);
  layout->addWidget(cancel);
  return row;
}

void TfrmPreferences::Show(const TPreferenceChoices& choices) {
  Pages->setCurrentIndex(0);
  DefaultSizeBox->setChecked(choices.DefaultSize);
  HomeEdit->setText(ShownName(choices.HomeDirectory));
  StartupDirectoryList->setCurrentIndex(choices.StartupDirectory);
  HvscEdit->setText(ShownName(choices.HvscDirectory));
  SidIdEdit->setText(ShownName(choices.SidIdConfigFile));
  DefaultDeviceList->setCurrentIndex(choices.DefaultDevice);
  UnknownDeviceList->setCurrentIndex(choices.DefaultUnknownDevice);
  Sid6581DeviceList->setCurrentIndex(choices.Default6581Device);
  Sid8580DeviceList->setCurrentIndex(choices.Default8580Device);
  FrequencyList->setCurrentIndex(choices.FrequencySetting);
  ForwardSpeedList->setCurrentIndex(choices.MaxForwardSpeed);
  ClockFrequencyList->setCurrentIndex(choices.ClockFrequency);
  StereoList->setCurrentIndex(choices.Mk4StereoOutput);
  OutputRateList->setCurrentIndex(choices.SidOutputRate);
  LatencyBox->setValue(choices.SidLatency);
  FilterCurveList->setCurrentIndex(choices.Sid6581FilterCurve);
  DigiBoostBox->setChecked(choices.Sid8580DigiBoost);
  RegisterBox->setChecked(choices.RegisterAsDefault);
}

TPreferenceChoices TfrmPreferences::Choices() const {
  TPreferenceChoices choices;
  choices.DefaultSize = DefaultSizeBox->isChecked();
  choices.HomeDirectory = FileName(HomeEdit->text());
  choices.StartupDirectory = StartupDirectoryList->currentIndex();
  choices.HvscDirectory = FileName(HvscEdit->text());
  choices.SidIdConfigFile = FileName(SidIdEdit->text());
  choices.DefaultDevice = DefaultDeviceList->currentIndex();
  choices.DefaultUnknownDevice = UnknownDeviceList->currentIndex();
  choices.Default6581Device = Sid6581DeviceList->currentIndex();
  choices.Default8580Device = Sid8580DeviceList->currentIndex();
  choices.FrequencySetting = FrequencyList->currentIndex();
  choices.MaxForwardSpeed = ForwardSpeedList->currentIndex();
  choices.ClockFrequency = ClockFrequencyList->currentIndex();
  choices.Mk4StereoOutput = StereoList->currentIndex();
  choices.SidOutputRate = OutputRateList->currentIndex();
  choices.SidLatency = LatencyBox->value();
  choices.Sid6581FilterCurve = FilterCurveList->currentIndex();
  choices.Sid8580DigiBoost = DigiBoostBox->isChecked();
  choices.RegisterAsDefault = RegisterBox->isChecked();
  return choices;
}

QString TfrmPreferences::PickDirectory(const QLineEdit* edit) {
  const QString start = edit->text().trimmed().isEmpty() ? StartDirectory : edit->text();
  QFileDialog picker(this, SelectDirectoryTitle, start);
  picker.setObjectName("DirectoryPicker");
  picker.setFileMode(QFileDialog::Directory);
  picker.setOption(QFileDialog::ShowDirsOnly);
  picker.setOption(QFileDialog::DontUseNativeDialog);
  if (picker.exec() != QDialog::Accepted || picker.selectedFiles().isEmpty()) return QString();
  return picker.selectedFiles().first();
}

void TfrmPreferences::BrowseHomeDirectory() {
  const QString chosen = PickDirectory(HomeEdit);
  if (!chosen.isEmpty()) HomeEdit->setText(chosen);
}

void TfrmPreferences::BrowseHvscDirectory() {
  const QString chosen = PickDirectory(HvscEdit);
  if (chosen.isEmpty()) return;
  if (!TPreferenceChoices::ValidHvscDirectory(FileName(chosen))) {
    Refuse(TPreferenceEdit::HvscDirectory, "Invalid HVSC Directory.");
    return;
  }
  HvscEdit->setText(chosen);
}

void TfrmPreferences::BrowseSidIdConfigFile() {
  QFileDialog picker(this, QString(), SidIdEdit->text());
  picker.setObjectName("SidIdConfigPicker");
  picker.setFileMode(QFileDialog::ExistingFile);
  picker.setOption(QFileDialog::DontUseNativeDialog);
  picker.setDefaultSuffix("cfg");
  picker.setNameFilters({"Config File (*.cfg)", "All Files (*)"});
  if (picker.exec() == QDialog::Accepted && !picker.selectedFiles().isEmpty())
    SidIdEdit->setText(picker.selectedFiles().first());
}

void TfrmPreferences::Save() {
  const std::optional<TSaveProblem> problem = Choices().Save(Settings, SidFiles);
  if (problem) {
    Refuse(problem->Edit, QString::fromStdString(problem->Message));
    return;
  }
  accept();
}

// The box comes first, so that the focus it gives back lands on the edit.
void TfrmPreferences::Refuse(TPreferenceEdit edit, const QString& message) {
  QMessageBox box(QMessageBox::Critical, "Error", message, QMessageBox::Ok, this);
  box.setObjectName("ErrorBox");
  box.exec();
  Pages->setCurrentIndex(0);
  QLineEdit* field = edit == TPreferenceEdit::HomeDirectory ? HomeEdit
                     : edit == TPreferenceEdit::HvscDirectory ? HvscEdit
                                                              : SidIdEdit;
  field->setFocus();
}
