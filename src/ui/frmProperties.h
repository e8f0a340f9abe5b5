#pragma once
// TFormProperties: the modal dialog that shows what the program knows about the current tune
// file: its header facts, the timing of each song, the fingerprint and the players that the
// SID ID signatures find in the file or in the emulated C64's memory.
#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tune/TuneRecord.h"

class QLineEdit;
class QListWidget;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

// A copy of the emulated C64's RAM as it is at the moment of the call.
using TMemorySnapshot = std::function<const std::array<uint8_t, 0x10000>&()>;

class TFormProperties : public QDialog {
  Q_OBJECT

 public:
  TFormProperties(QWidget* parent, const TTuneRecord& tune, TMemorySnapshot snapshot);

  // The tune file's path; empty when no tune was chosen.
  void SetFileName(const QString& fileName);
  // The song (from 0) playing when the dialog was opened.
  void SetCurrentSongIndex(int songIndex);

  void FileScan();
  void MemoryScan();

  // "3 CIA IRQ" / "3 Raster IRQ" for a song index counted from 0.
  static std::string TimingText(const TTuneRecord& tune, int songIndex);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildFileGroup();
  QWidget* BuildPlayModeRow();
  QWidget* BuildPlayerRow();
  void ShowTiming(int songIndex);
  void ShowPlayers(const std::vector<std::string>& names);
  // A tune text for display: PSID and RSID credits are Latin-1, program files take the names of
  // files.
  QString TuneText(const std::string& text) const;

  const TTuneRecord& Tune;
  TMemorySnapshot Snapshot;
  QString FileName;
  int CurrentSongIndex = 0;

  QLineEdit* FileNameField = nullptr;
  QScrollBar* SongScroll = nullptr;
  QLabel* TimingLabel = nullptr;
  QListWidget* PlayerList = nullptr;
  QRadioButton* FileScanButton = nullptr;
  QRadioButton* MemoryScanButton = nullptr;
  QPushButton* OkButton = nullptr;
};
