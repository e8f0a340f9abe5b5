#pragma once
// TVexlor: the main window. A file browser for tune files, the song history, the song
// information panel, the transport, voice and device controls of playback control and the status
// bar. It creates the settings object and the emulated machine, loads the HVSC documents and
// binds its widgets to TPlaybackControl, whose view it is.
#include <QMainWindow>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "output/Devices.h"
#include "player/PlaybackControl.h"
#include "ui/SidFileAssociation.h"
#include "ui/SongHistory.h"

class QAction;
class QKeySequence;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QProgressBar;
class QSlider;
class QSplitter;
class QTimer;
class QToolButton;
class T6510;
class TMachineLoaderSeat;
class TSidLoader;
class TPreferences;
class TdmTimer;
class TfrmSTILInfo;
class TFileDrag;
class TPlaybackKeys;
class TWindowKeys;

// What the window is built with. The defaults are those of the program; tests give their own
// drivers and take the messages instead of showing boxes.
struct TVexlorSetup {
  std::vector<TDriverKind> DriverKinds = InstalledDriverKinds();
  // Shows a message to the user; empty: a message box.
  std::function<void(TMessageStyle, const QString&)> PresentMessage;
  // Played once the window has been shown for the first time; empty: nothing.
  QString CommandLineFile;
  // The desktop's ".sid" association, switched in the preferences; empty: not offered.
  TSidFileAssociation SidFiles;
};

class TVexlor : public QMainWindow, public TPlaybackView {
  Q_OBJECT

 public:
  static constexpr const char* Caption = "Vexlor Player - Commodore 64 Music Player";
  static constexpr const char* ApplicationTitle = "Vexlor Player";
  static constexpr const char* NoDeviceText = "No Device Available";

  TVexlor(TdmTimer& timer, TVexlorSetup setup);
  ~TVexlor() override;

  TPlaybackControl& Control() { return *Playback; }
  T6510& Machine() { return *Emulator; }
  TPreferences& Preferences() { return *Settings; }
  const TSongHistory& History() const { return SongHistory; }
  // The keyboard's, the media keys' and the tray's way into playback control.
  TPlaybackKeys& Keys();
  TFileDrag& FileDrag() { return *FileDrag1; }
  // "&Minimize to system tray" [F10]: disabled until a tray takes it.
  QAction& MinimizeToTrayAction() { return *TrayAction; }

  // ---- Desktop ----
  // Shows the window in front, also out of the tray or a minimised state.
  void BringToFront();
  // A file handed over by a second start: played unless a modal window is open or the path
  // names no existing file.
  void OpenHandedOverFile(const QString& path);

  // ---- File browser ----
  // False when the folder does not exist; the browser then stays where it is.
  bool OpenDirectory(const QString& path);
  QString CurrentDirectory() const { return Directory; }
  // Opens the file's folder and selects the file in the list; false when it is not listed.
  bool SelectFile(const QString& path);
  // What a double click or Enter on the file list does.
  void StartSelectedFile();
  void UpOneLevel();
  void GoHome();
  void PreviousFromHistory();
  void NextFromHistory();

  // ---- Menu commands ----
  // "&Open...": the chosen file is started; nothing happens when the dialog is cancelled.
  void OpenFile();
  // "P&roperties...": the properties dialog for the current file.
  void ShowProperties();
  void ShowAbout();
  // "STIL info...": the STIL window for the current tune, while it has an entry.
  void ShowStilInfo();
  // "&Preferences...": the settings are read again afterwards and what changed is applied.
  void ShowPreferences();
  TfrmSTILInfo& StilWindow() { return *StilInfo; }
  // The file list's pop-up: "&Load" and "&Copy filename".
  void LoadSelectedFile();
  void CopyFileName();
  // The directory list's pop-up: "Select" and "Set as Home Directory".
  void SelectDirectoryEntry();
  void SetHomeDirectory();
  // "Open &directory in Explorer" of either pop-up: the file list's selected file, or the
  // directory list's selected folder (the folder shown when none is selected).
  void OpenInFileManager(QListWidget* list);
  // The pop-up items act only on a selected entry; called as each pop-up opens.
  void PrepareFilePopup();
  void PrepareDirectoryPopup();

  // ---- TPlaybackView ----
  void ControlsChanged() override;
  void ShowStatus(TStatusPanel panel, const std::string& text) override;
  void ShowMessage(TMessageStyle style, const std::string& text) override;
  void StilEntryChanged(bool available) override;
  void StartTimer(TWindowTimer timer) override;
  void StopTimer(TWindowTimer timer) override;
  void WaitProcessingMessages(uint32_t ms) override;
  void ProcessMessages() override;
  std::string ShownDirectory() override;
  void ResetHover() override;

 signals:
  // The controls show a new state of playback control.
  void ControlsShown();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Minimising drops the process priority; restoring lets the priority timer raise it again.
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWindow();
  QWidget* BuildTopArea();
  QWidget* BuildSongPanel();
  QWidget* BuildTransportRow();
  QWidget* BuildSongRow();
  QWidget* BuildBrowserBar();
  QWidget* BuildSettingsGroup();
  QWidget* BuildDevicesGroup();
  QWidget* BuildBrowser();
  void BuildStatusBar();
  void BuildTimers();
  QWidget* BuildMenus();
  QAction* MenuAction(const QString& caption, const QKeySequence& shortcut, void (TVexlor::*command)());
  void ShowPopup(QListWidget* list, QMenu* popup, const QPoint& position);
  QToolButton* TransportButton(const QString& hint, int icon);

  void ApplySavedBounds();
  void OpenStartDirectory();
  void FillDeviceBox();
  void StartBars();
  void ShowVoiceLevels();
  void PlayCommandLineFile();
  void Shutdown();
  void SaveBounds();

  void FillDirectoryList();
  void FillFileList();
  void DirectoryActivated(QListWidgetItem* item);
  void StartFile(const QString& path);
  void ShowHistoryButtons();
  void FileDrag1Drop();
  void ShowStatusText(TStatusPanel panel, const QString& text);
  void PresentMessage(TMessageStyle style, const QString& text);
  // The tune record's texts for display.
  QString TuneText(const std::string& text) const;

  TdmTimer& Timer;
  TVexlorSetup Setup;
  std::unique_ptr<TPreferences> Settings;
  std::unique_ptr<T6510> Emulator;
  std::unique_ptr<TMachineLoaderSeat> Seat;
  std::unique_ptr<TSidLoader> Loader;
  std::unique_ptr<TPlaybackControl> Playback;
  TSongHistory SongHistory;
  TWindowKeys* KeyBinding = nullptr;
  TFileDrag* FileDrag1 = nullptr;

  QString Directory;
  bool BoundsApplied = false;
  bool FirstShowDone = false;
  bool ShutDown = false;

  QLabel* NameValue = nullptr;
  QLabel* AuthorValue = nullptr;
  QLabel* ReleasedValue = nullptr;
  QLabel* StilIndicator = nullptr;
  TfrmSTILInfo* StilInfo = nullptr;
  QAction* StilAction = nullptr;
  QAction* PropertiesAction = nullptr;
  QToolButton* SongMenuButton = nullptr;
  QAction* TrayAction = nullptr;
  QWidget* TransportPanel = nullptr;
  QToolButton* PlayButton = nullptr;
  QToolButton* StopButton = nullptr;
  QToolButton* PreviousButton = nullptr;
  QToolButton* NextButton = nullptr;
  QToolButton* HistoryBackButton = nullptr;
  QToolButton* HistoryForwardButton = nullptr;
  QSlider* TrackBar = nullptr;
  QLabel* SongLabel = nullptr;
  QComboBox* DriveBox = nullptr;
  std::array<QCheckBox*, 4> VoiceBoxes{};
  std::array<QProgressBar*, 4> LevelBars{};
  QCheckBox* MuteAllBox = nullptr;
  QCheckBox* FilterBox = nullptr;
  QComboBox* DeviceBox = nullptr;
  QSplitter* Splitter = nullptr;
  QListWidget* DirectoryList = nullptr;
  QListWidget* FileList = nullptr;
  std::array<QLabel*, 5> StatusPanels{};
  std::array<QTimer*, 4> WindowTimers{};
  QTimer* LevelTimer = nullptr;
  QLabel* Logo = nullptr;
  QMenu* FilePopup = nullptr;
  QMenu* DirectoryPopup = nullptr;
  QAction* LoadAction = nullptr;
  QAction* PlayAction = nullptr;
  QAction* CopyFileNameAction = nullptr;
  QAction* SelectAction = nullptr;
  QAction* SetHomeAction = nullptr;
  QAction* FileExplorerAction = nullptr;
  QAction* DirectoryExplorerAction = nullptr;
};
