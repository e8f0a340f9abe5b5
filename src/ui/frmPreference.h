#pragma once
// TfrmPreferences: the modal preferences dialog. It shows the settings on its pages ("General",
// "HardSID" and "Catweasel" when such a card is listed, "Emulated SID"), lets the user browse
// for the folders and the signature file, and on Save checks the entries and writes them
// through the settings object; a refused entry keeps the dialog open with that edit focused.
#include <QDialog>
#include <QString>
#include <QStringList>

#include "ui/PreferenceChoices.h"
#include "ui/SidFileAssociation.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QWidget;
class TPreferences;

class TfrmPreferences : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* SelectDirectoryTitle = "Select Home Directory...";

  // startDirectory: where the folder pickers open when their edit is empty. deviceNames: the
  // output devices, in the order of the device list.
  TfrmPreferences(QWidget* parent, TPreferences& settings, const QString& startDirectory, const QStringList& deviceNames,
                  TSidFileAssociation sidFiles);

  // The three "..." buttons.
  void BrowseHomeDirectory();
  void BrowseHvscDirectory();
  void BrowseSidIdConfigFile();
  // The Save button: closes with OK once every entry is accepted and written.
  void Save();

 private:
  QWidget* BuildGeneralPage(const QStringList& deviceNames);
  QWidget* CardPage(const char* caption, QComboBox* list);
  QWidget* BuildEmulatedSidPage();
  QWidget* BuildBottomRow();
  QWidget* BrowseRow(QLineEdit*& edit, const char* name, void (TfrmPreferences::*browse)());
  QComboBox* List(const char* name, const QStringList& entries);
  void Show(const TPreferenceChoices& choices);
  TPreferenceChoices Choices() const;
  // A folder chosen in the picker; empty when it was cancelled.
  QString PickDirectory(const QLineEdit* edit);
  void Refuse(TPreferenceEdit edit, const QString& message);

  TPreferences& Settings;
  QString StartDirectory;
  TSidFileAssociation SidFiles;

  QTabWidget* Pages = nullptr;
  QCheckBox* DefaultSizeBox = nullptr;
  QLineEdit* HomeEdit = nullptr;
  QComboBox* StartupDirectoryList = nullptr;
  QLineEdit* HvscEdit = nullptr;
  QLineEdit* SidIdEdit = nullptr;
  QComboBox* DefaultDeviceList = nullptr;
  QComboBox* UnknownDeviceList = nullptr;
  QComboBox* Sid6581DeviceList = nullptr;
  QComboBox* Sid8580DeviceList = nullptr;
  QComboBox* FrequencyList = nullptr;
  QComboBox* ForwardSpeedList = nullptr;
  QComboBox* ClockFrequencyList = nullptr;
  QComboBox* StereoList = nullptr;
  QComboBox* OutputRateList = nullptr;
  QSpinBox* LatencyBox = nullptr;
  QComboBox* FilterCurveList = nullptr;
  QCheckBox* DigiBoostBox = nullptr;
  QCheckBox* RegisterBox = nullptr;
};
