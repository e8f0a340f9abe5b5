#include "ui/frmSidPlayer.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QStorageInfo>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <chrono>
#include <thread>

#include "c64/T6510.h"
#include "knowledge/SongLength.h"
#include "knowledge/Stil.h"
#include "player/Bars.h"
#include "player/PreferencesChange.h"
#include "player/dmSidPlayer.h"
#include "settings/Preferences.h"
#include "tune/MachineLoaderSeat.h"
#include "tune/SidLoader.h"
#include "ui/DroppedFiles.h"
#include "ui/FileDrag.h"
#include "ui/FileManager.h"
#include "ui/ListKeys.h"
#include "ui/ModalPriority.h"
#include "ui/PlaybackPopups.h"
#include "ui/TuneFileMask.h"
#include "ui/TuneTextCodec.h"
#include "ui/frmAbout.h"
#include "ui/frmPreference.h"
#include "ui/frmProperties.h"
#include "ui/WindowKeys.h"
#include "ui/frmSTIL.h"

namespace {

constexpr int DesignedWidth = 446;
constexpr int DesignedHeight = 358;
constexpr int MinimumWidth = 454;
constexpr int MinimumHeight = 306;
constexpr int LeftColumnWidth = 300;
constexpr int TransportButtonWidth = 48;
constexpr int TransportButtonHeight = 31;
constexpr int DefaultSplit = 237;
constexpr int DialogFontPoints = 8;
constexpr int LevelRefreshMs = 20;
constexpr int LevelBarMinimumWidth = 24;
// Devices finish the sound they still hold before the machine and its drivers go.
constexpr auto DeviceSettleTime = std::chrono::milliseconds(500);
constexpr int PathRole = Qt::UserRole;

constexpr std::array<int, 4> TimerIntervals{250, 200, 300, 2000};
constexpr std::array<TWindowTimer, 4> TimerKinds{TWindowTimer::SongChange, TWindowTimer::NextHold,
                                                 TWindowTimer::KeyFastForward, TWindowTimer::Priority};

struct TPanelLayout {
  const char* Text;
  // The longest text the panel shows, which it never cuts.
  const char* Widest;
  int Width;  // 0: takes what the others leave
  Qt::Alignment Alignment;
};
constexpr std::array<TPanelLayout, 5> StatusPanelLayout{{
    {" Select a song...", " Playing tune 000 of 000 / 00000 Hz", 180, Qt::AlignLeft | Qt::AlignVCenter},
    {"PAL", "NTSC+", 38, Qt::AlignCenter},
    {"Speed - 001", "Speed - 000", 70, Qt::AlignCenter},
    {" 6510 CPU 000%", " 6510 CPU 000%", 0, Qt::AlignLeft | Qt::AlignVCenter},
    {"00:00:00     ", "00:00:00     ", 68, Qt::AlignRight | Qt::AlignVCenter},
}};

bool Blank(const std::string& text) { return QString::fromStdString(text).trimmed().isEmpty(); }

bool DirectoryExists(const std::string& path) { return !Blank(path) && QFileInfo(QFile::decodeName(path.c_str())).isDir(); }

// Labels draw "&" as it is; the doubling that keeps accelerator-marking controls from taking it
// for one is undone for them.
QString LabelText(QString text) { return text.replace("&&", "&"); }

QPixmap LogoPixmap() {
  QPixmap logo(41, 28);
  logo.fill(QColor(0x40, 0x31, 0x8D));
  QPainter painter(&logo);
  painter.setPen(QColor(0x70, 0xA4, 0xB2));
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(18);
  painter.setFont(font);
  painter.drawText(logo.rect(), Qt::AlignCenter, "VX");
  return logo;
}

QPixmap StilPixmap() {
  QPixmap mark(12, 12);
  mark.fill(Qt::transparent);
  QPainter painter(&mark);
  painter.setBrush(QColor(0xFF, 0xD0, 0x40));
  painter.setPen(Qt::darkGray);
  painter.drawRect(0, 0, 11, 11);
  painter.drawText(mark.rect(), Qt::AlignCenter, "i");
  return mark;
}

}  // namespace

TVexlor::TVexlor(TdmTimer& timer, TVexlorSetup setup) : Timer(timer), Setup(std::move(setup)) {
  Settings = std::make_unique<TPreferences>();
  Timer.MaxForwardSpeed = Settings->MaxForwardSpeed();
  LoadStil(Settings->HVSCDirectory());
  LoadSongLengths(Settings->HVSCDirectory());
  Emulator = std::make_unique<T6510>(Setup.DriverKinds);
  Timer.Machine = Emulator.get();
  Seat = std::make_unique<TMachineLoaderSeat>(*Emulator);
  Loader = std::make_unique<TSidLoader>(*Seat);
  Playback = std::make_unique<TPlaybackControl>(Timer, *Emulator, *Loader, *Settings, *this);
  BuildWindow();
  new TPlaybackPopups(this, *Playback, Loader->Tune, *StatusPanels[size_t(TStatusPanel::Clock)], VoiceBoxes,
                      *SongMenuButton, {PropertiesAction, StilAction});
  StilInfo = new TfrmSTILInfo(this);
  BuildTimers();
  KeyBinding = new TWindowKeys(*this, *Playback, Emulator->Devices->Count());
  FileDrag1 = new TFileDrag(*this);
  connect(FileDrag1, &TFileDrag::Dropped, this, [this] { FileDrag1Drop(); });
  OpenDirectory(QDir::currentPath());
  ControlsChanged();
  ShowHistoryButtons();
}

TVexlor::~TVexlor() {
  Shutdown();
  Timer.Machine = nullptr;
}

// ---- Building ----

void TVexlor::BuildWindow() {
  setWindowTitle(Caption);
  setObjectName("TVexlor");
  QFont dialogFont = font();
  dialogFont.setPointSize(DialogFontPoints);
  setFont(dialogFont);
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setSpacing(4);
  layout->addWidget(BuildTopArea());
  layout->addWidget(BuildBrowser(), 1);
  setCentralWidget(central);
  BuildStatusBar();
  // The designed size, or what the controls need where the system's fonts are wider.
  const int needed = std::max(central->minimumSizeHint().width(), statusBar()->minimumSizeHint().width());
  setMinimumSize(std::max(MinimumWidth, needed), MinimumHeight);
  resize(std::max(DesignedWidth, needed), DesignedHeight);
}

QWidget* TVexlor::BuildTopArea() {
  auto* area = new QWidget;
  auto* columns = new QHBoxLayout(area);
  columns->setContentsMargins(0, 0, 0, 0);

  TransportPanel = new QWidget;
  TransportPanel->setFixedWidth(LeftColumnWidth);
  auto* left = new QVBoxLayout(TransportPanel);
  left->setContentsMargins(0, 0, 0, 0);
  left->setSpacing(2);
  left->addWidget(BuildSongPanel());
  left->addWidget(BuildTransportRow());
  left->addWidget(BuildSongRow());
  auto* leftColumn = new QVBoxLayout;
  leftColumn->setSpacing(2);
  leftColumn->addWidget(BuildMenus());
  leftColumn->addWidget(TransportPanel);
  leftColumn->addWidget(BuildBrowserBar());
  leftColumn->addStretch(1);
  columns->addLayout(leftColumn);

  auto* right = new QVBoxLayout;
  right->setSpacing(2);
  Logo = new QLabel;
  Logo->setObjectName("Logo");
  Logo->setPixmap(LogoPixmap());
  Logo->setCursor(Qt::PointingHandCursor);
  Logo->installEventFilter(this);
  right->addWidget(Logo, 0, Qt::AlignRight);
  right->addWidget(BuildSettingsGroup());
  right->addWidget(BuildDevicesGroup());
  right->addStretch(1);
  columns->addLayout(right, 1);
  return area;
}

QWidget* TVexlor::BuildSongPanel() {
  auto* group = new QGroupBox(" Song Information ");
  group->setObjectName("SongInformation");
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(2);
  const auto row = [&](int index, const char* caption, const char* name) {
    auto* label = new QLabel(caption);
    auto* colon = new QLabel(":");
    auto* value = new QLabel;
    value->setObjectName(name);
    value->setTextFormat(Qt::PlainText);
    value->setMinimumWidth(10);
    value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    grid->addWidget(label, index, 0);
    grid->addWidget(colon, index, 2);
    grid->addWidget(value, index, 3);
    return value;
  };
  NameValue = row(0, "Name", "NameValue");
  AuthorValue = row(1, "Author", "AuthorValue");
  ReleasedValue = row(2, "Released", "ReleasedValue");
  StilIndicator = new QLabel;
  StilIndicator->setObjectName("StilIndicator");
  StilIndicator->setPixmap(StilPixmap());
  StilIndicator->setVisible(false);
  StilIndicator->installEventFilter(this);
  grid->addWidget(StilIndicator, 0, 1);
  SongMenuButton = new QToolButton;
  SongMenuButton->setObjectName("SongMenuButton");
  SongMenuButton->setArrowType(Qt::DownArrow);
  SongMenuButton->setAutoRaise(true);
  SongMenuButton->setFixedSize(14, 14);
  SongMenuButton->setVisible(false);
  grid->addWidget(SongMenuButton, 0, 4, Qt::AlignTop);
  grid->setColumnStretch(3, 1);
  return group;
}

QToolButton* TVexlor::TransportButton(const QString& hint, int icon) {
  auto* button = new QToolButton;
  button->setAutoRaise(true);
  button->setFixedSize(TransportButtonWidth, TransportButtonHeight);
  button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
  button->setToolTip(hint);
  return button;
}

QWidget* TVexlor::BuildTransportRow() {
  auto* row = new QWidget;
  auto* buttons = new QHBoxLayout(row);
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->setSpacing(2);
  PlayButton = TransportButton("Play / Pause", QStyle::SP_MediaPlay);
  PlayButton->setObjectName("PlayButton");
  PlayButton->setCheckable(true);
  StopButton = TransportButton("Stop", QStyle::SP_MediaStop);
  StopButton->setObjectName("StopButton");
  PreviousButton = TransportButton("Previous song", QStyle::SP_MediaSkipBackward);
  PreviousButton->setObjectName("PreviousButton");
  NextButton = TransportButton("", QStyle::SP_MediaSkipForward);
  NextButton->setObjectName("NextButton");
  HistoryBackButton = TransportButton("Get previous song from history", QStyle::SP_ArrowBack);
  HistoryBackButton->setObjectName("HistoryBackButton");
  HistoryForwardButton = TransportButton("Get next song from history", QStyle::SP_ArrowForward);
  HistoryForwardButton->setObjectName("HistoryForwardButton");
  for (QToolButton* button :
       {PlayButton, StopButton, PreviousButton, NextButton, HistoryBackButton, HistoryForwardButton})
    buttons->addWidget(button);
  buttons->addStretch(1);

  connect(PlayButton, &QToolButton::clicked, this, [this] { Playback->PlayPause(); });
  connect(StopButton, &QToolButton::clicked, this, [this] { Playback->Stop(); });
  connect(PreviousButton, &QToolButton::clicked, this, [this] { Playback->PreviousSong(); });
  connect(NextButton, &QToolButton::pressed, this, [this] { Playback->NextButtonDown(); });
  connect(NextButton, &QToolButton::released, this, [this] { Playback->NextButtonUp(); });
  connect(HistoryBackButton, &QToolButton::clicked, this, [this] { PreviousFromHistory(); });
  connect(HistoryForwardButton, &QToolButton::clicked, this, [this] { NextFromHistory(); });
  return row;
}

QWidget* TVexlor::BuildSongRow() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  TrackBar = new QSlider(Qt::Horizontal);
  TrackBar->setObjectName("TrackBar");
  TrackBar->setMinimum(1);
  TrackBar->setPageStep(1);
  TrackBar->setTickPosition(QSlider::TicksBelow);
  SongLabel = new QLabel;
  SongLabel->setObjectName("SongLabel");
  SongLabel->setMinimumWidth(64);
  layout->addWidget(TrackBar, 1);
  layout->addWidget(SongLabel);
  connect(TrackBar, &QSlider::valueChanged, this, [this](int position) { Playback->TrackBarChanged(position); });
  return row;
}

QWidget* TVexlor::BuildBrowserBar() {
  auto* bar = new QWidget;
  bar->setFixedWidth(LeftColumnWidth);
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(0, 0, 0, 0);
  DriveBox = new QComboBox;
  DriveBox->setObjectName("DriveBox");
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    if (volume.isValid() && volume.isReady() && DriveBox->findData(volume.rootPath()) < 0)
      DriveBox->addItem(volume.rootPath(), volume.rootPath());
  DriveBox->model()->sort(0);
  auto* up = TransportButton("Up one level", QStyle::SP_FileDialogToParent);
  up->setObjectName("UpButton");
  auto* home = TransportButton("Home", QStyle::SP_DirHomeIcon);
  home->setObjectName("HomeButton");
  for (QToolButton* button : {up, home}) button->setFixedSize(24, 22);
  layout->addWidget(DriveBox, 1);
  layout->addWidget(up);
  layout->addWidget(home);
  connect(up, &QToolButton::clicked, this, [this] { UpOneLevel(); });
  connect(home, &QToolButton::clicked, this, [this] { GoHome(); });
  connect(DriveBox, &QComboBox::activated, this, [this](int index) {
    if (OpenDirectory(DriveBox->itemData(index).toString()) && isVisible()) DirectoryList->setFocus();
  });
  return bar;
}

QWidget* TVexlor::BuildSettingsGroup() {
  auto* group = new QGroupBox(" Settings ");
  group->setObjectName("Settings");
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(6, 2, 6, 2);
  grid->setVerticalSpacing(1);
  for (int voice = 0; voice < 4; ++voice) {
    auto* box = new QCheckBox(QString("Voice %1").arg(voice + 1));
    box->setObjectName(QString("Voice%1").arg(voice + 1));
    auto* bar = new QProgressBar;
    bar->setObjectName(QString("Level%1").arg(voice + 1));
    bar->setRange(0, TBars::BarMaximum);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setFixedHeight(10);
    // The style's preferred width of a progress bar would widen the window past its minimum.
    bar->setMinimumWidth(LevelBarMinimumWidth);
    grid->addWidget(box, voice, 0);
    grid->addWidget(bar, voice, 1);
    VoiceBoxes[voice] = box;
    LevelBars[voice] = bar;
    connect(box, &QCheckBox::clicked, this, [this, voice](bool checked) { Playback->VoiceClicked(voice + 1, checked); });
  }
  MuteAllBox = new QCheckBox("Mute All");
  MuteAllBox->setObjectName("MuteAll");
  FilterBox = new QCheckBox("Filter");
  FilterBox->setObjectName("Filter");
  grid->addWidget(MuteAllBox, 4, 0);
  grid->addWidget(FilterBox, 4, 1);
  connect(MuteAllBox, &QCheckBox::clicked, this, [this](bool checked) { Playback->MuteAllClicked(checked); });
  connect(FilterBox, &QCheckBox::clicked, this, [this](bool checked) { Playback->FilterClicked(checked); });
  return group;
}

QWidget* TVexlor::BuildDevicesGroup() {
  auto* group = new QGroupBox(" Devices ");
  group->setObjectName("Devices");
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(6, 2, 6, 4);
  DeviceBox = new QComboBox;
  DeviceBox->setObjectName("DeviceBox");
  DeviceBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  layout->addWidget(DeviceBox);
  connect(DeviceBox, &QComboBox::activated, this, [this](int index) {
    if (Emulator->Devices->Count() > 0) Playback->DeviceChanged(index);
  });
  return group;
}

QWidget* TVexlor::BuildBrowser() {
  Splitter = new QSplitter(Qt::Horizontal);
  DirectoryList = new QListWidget;
  DirectoryList->setObjectName("DirectoryList");
  FileList = new QListWidget;
  FileList->setObjectName("FileList");
  Splitter->addWidget(DirectoryList);
  Splitter->addWidget(FileList);
  Splitter->setStretchFactor(1, 1);
  Splitter->setSizes({DefaultSplit, DesignedWidth - DefaultSplit});
  DirectoryList->installEventFilter(this);
  FileList->installEventFilter(this);
  for (QListWidget* list : {DirectoryList, FileList}) list->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(FileList, &QListWidget::customContextMenuRequested, this,
          [this](const QPoint& position) { ShowPopup(FileList, FilePopup, position); });
  connect(DirectoryList, &QListWidget::customContextMenuRequested, this,
          [this](const QPoint& position) { ShowPopup(DirectoryList, DirectoryPopup, position); });
  connect(DirectoryList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { DirectoryActivated(item); });
  connect(FileList, &QListWidget::itemDoubleClicked, this, [this] { StartSelectedFile(); });
  // Ctrl+E acts on the list that has the focus.
  for (QListWidget* list : {FileList, DirectoryList}) {
    auto* action = new QAction("Open &directory in Explorer", list);
    action->setObjectName(list == FileList ? "FileExplorer" : "DirectoryExplorer");
    action->setShortcut(QKeySequence("Ctrl+E"));
    action->setShortcutContext(Qt::WidgetShortcut);
    list->addAction(action);
    connect(action, &QAction::triggered, this, [this, list] { OpenInFileManager(list); });
    (list == FileList ? FilePopup : DirectoryPopup)->addAction(action);
    (list == FileList ? FileExplorerAction : DirectoryExplorerAction) = action;
  }
  return Splitter;
}

void TVexlor::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar");
  // The window frame resizes the window; a grip would take room from the panels once shown.
  bar->setSizeGripEnabled(false);
  for (size_t panel = 0; panel < StatusPanels.size(); ++panel) {
    const TPanelLayout& shape = StatusPanelLayout[panel];
    // Made inside the bar so that it measures its texts in the window's font.
    auto* label = new QLabel(shape.Text, bar);
    label->setObjectName(QString("StatusPanel%1").arg(panel));
    label->setAlignment(shape.Alignment);
    label->setTextFormat(Qt::PlainText);
    // Wider when the font needs it: a panel never cuts its text.
    constexpr int FrameAllowance = 4;
    label->setMinimumWidth(std::max(shape.Width, label->fontMetrics().horizontalAdvance(shape.Widest) + FrameAllowance));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    bar->addWidget(label, shape.Width > 0 ? 0 : 1);
    StatusPanels[panel] = label;
  }
}

void TVexlor::BuildTimers() {
  for (size_t index = 0; index < WindowTimers.size(); ++index) {
    auto* timer = new QTimer(this);
    timer->setInterval(TimerIntervals[index]);
    const TWindowTimer kind = TimerKinds[index];
    connect(timer, &QTimer::timeout, this, [this, kind] {
      Playback->TimerFired(kind, QGuiApplication::applicationState() == Qt::ApplicationActive, isActiveWindow());
    });
    WindowTimers[index] = timer;
  }
  LevelTimer = new QTimer(this);
  LevelTimer->setInterval(LevelRefreshMs);
  connect(LevelTimer, &QTimer::timeout, this, [this] { ShowVoiceLevels(); });
}

// Window-wide actions, so that their shortcuts work wherever the focus is.
QAction* TVexlor::MenuAction(const QString& caption, const QKeySequence& shortcut, void (TVexlor::*command)()) {
  auto* action = new QAction(caption, this);
  action->setShortcut(shortcut);
  action->setShortcutContext(Qt::WindowShortcut);
  addAction(action);
  if (command) connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
  return action;
}

QWidget* TVexlor::BuildMenus() {
  auto* menus = new QMenuBar;
  menus->setObjectName("Menu");
  menus->setNativeMenuBar(false);
  QMenu* file = menus->addMenu("&File");
  file->addAction(MenuAction("&Open...", QKeySequence("Ctrl+O"), &TVexlor::OpenFile));
  file->addSeparator();
  PropertiesAction = MenuAction("P&roperties...", QKeySequence("F1"), &TVexlor::ShowProperties);
  file->addAction(PropertiesAction);
  PropertiesAction->setObjectName(PropertiesAction->text());
  PropertiesAction->setEnabled(false);
  StilAction = MenuAction("STIL info...", QKeySequence("Ctrl+I"), &TVexlor::ShowStilInfo);
  file->addAction(StilAction);
  StilAction->setEnabled(false);
  file->addSeparator();
  file->addAction(MenuAction("&Preferences...", QKeySequence("F12"), &TVexlor::ShowPreferences));
  file->addSeparator();
  TrayAction = MenuAction("&Minimize to system tray", QKeySequence("F10"), nullptr);
  TrayAction->setEnabled(false);
  file->addAction(TrayAction);
  file->addSeparator();
  QAction* exit = file->addAction("E&xit");
  connect(exit, &QAction::triggered, this, &QWidget::close);
  QMenu* help = menus->addMenu("&Help");
  help->addAction(MenuAction("&About", {}, &TVexlor::ShowAbout));

  FilePopup = new QMenu(this);
  LoadAction = FilePopup->addAction("&Load", this, [this] { LoadSelectedFile(); });
  PlayAction = FilePopup->addAction("&Play", this, [this] { StartSelectedFile(); });
  FilePopup->addSeparator();
  CopyFileNameAction = MenuAction("&Copy filename", QKeySequence("Ctrl+C"), &TVexlor::CopyFileName);
  FilePopup->addAction(CopyFileNameAction);

  DirectoryPopup = new QMenu(this);
  SelectAction = DirectoryPopup->addAction("Select", this, [this] { SelectDirectoryEntry(); });
  DirectoryPopup->addSeparator();
  SetHomeAction = DirectoryPopup->addAction("Set as Home Directory", this, [this] { SetHomeDirectory(); });
  for (QAction* action : {LoadAction, PlayAction, SelectAction, SetHomeAction}) action->setObjectName(action->text());
  CopyFileNameAction->setObjectName(CopyFileNameAction->text());
  return menus;
}

// ---- Showing and closing ----

void TVexlor::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!BoundsApplied) {
    BoundsApplied = true;
    ApplySavedBounds();
  }
  if (FirstShowDone) return;
  FirstShowDone = true;
  OpenStartDirectory();
  NameValue->clear();
  AuthorValue->clear();
  ReleasedValue->clear();
  FillDeviceBox();
  StartBars();
  if (!Setup.CommandLineFile.isEmpty()) QTimer::singleShot(0, this, [this] { PlayCommandLineFile(); });
}

void TVexlor::ApplySavedBounds() {
  const TPreferences& settings = *Settings;
  if (settings.DefaultSize() != 0) {
    if (const QScreen* screen = this->screen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
    return;
  }
  if (settings.Width() > 0 && settings.Height() > 0)
    setGeometry(settings.Left(), settings.Top(), settings.Width(), settings.Height());
  if (settings.Maximized() == 1) setWindowState(windowState() | Qt::WindowMaximized);
  if (settings.Split() != -1) Splitter->setSizes({settings.Split(), std::max(1, width() - settings.Split())});
}

void TVexlor::OpenStartDirectory() {
  TPreferences& settings = *Settings;
  switch (settings.StartupDirectory()) {
    case 0:
      if (Blank(settings.LastDirectory())) return;
      if (DirectoryExists(settings.LastDirectory())) {
        OpenDirectory(QFile::decodeName(settings.LastDirectory().c_str()));
      } else if (DirectoryExists(settings.HomeDirectory())) {
        OpenDirectory(QFile::decodeName(settings.HomeDirectory().c_str()));
        settings.SetLastDirectory(settings.HomeDirectory());
      }
      return;
    case 1:
      if (Blank(settings.HomeDirectory())) return;
      if (DirectoryExists(settings.HomeDirectory())) {
        OpenDirectory(QFile::decodeName(settings.HomeDirectory().c_str()));
        return;
      }
      settings.SetHomeDirectory("");
      if (DirectoryExists(settings.LastDirectory())) OpenDirectory(QFile::decodeName(settings.LastDirectory().c_str()));
      return;
    default:
      return;
  }
}

void TVexlor::FillDeviceBox() {
  DeviceBox->clear();
  TDevices& devices = *Emulator->Devices;
  if (devices.Count() == 0) {
    DeviceBox->addItem(NoDeviceText);
    return;
  }
  for (int32_t device = 0; device < devices.Count(); ++device)
    DeviceBox->addItem(QString::fromStdString(devices.GetName(device)));
  int32_t chosen = Settings->DefaultDevice();
  if (chosen < 0 || chosen >= devices.Count()) {
    chosen = std::max(devices.PreferredDevice(), 0);
    Settings->SetDefaultDevice(chosen);
  }
  Playback->DeviceChanged(chosen);
}

void TVexlor::StartBars() {
  if (!Timer.Bars) {
    Timer.Bars = std::make_unique<TBars>(Timer, *Emulator->Writer, Playback->Fields(),
                                         [this] { Playback->UpdateStatusBar(); });
    Timer.Bars->Start();
  }
  LevelTimer->start();
}

void TVexlor::ShowVoiceLevels() {
  if (!Timer.Bars) return;
  for (size_t voice = 0; voice < LevelBars.size(); ++voice) LevelBars[voice]->setValue(Timer.Bars->Bar[voice].load());
}

void TVexlor::PlayCommandLineFile() {
  const QString file = QFileInfo(Setup.CommandLineFile).absoluteFilePath();
  SelectFile(file);
  StartFile(file);
}

void TVexlor::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  if (isMinimized()) {
    Playback->Minimised();
  } else if (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized) {
    Playback->SystemCommand();
  }
}

void TVexlor::closeEvent(QCloseEvent* event) {
  SaveBounds();
  Shutdown();
  hide();
  std::this_thread::sleep_for(DeviceSettleTime);
  event->accept();
}

void TVexlor::SaveBounds() {
  TPreferences& settings = *Settings;
  const int split = Splitter->sizes().value(0, DefaultSplit);
  if (isMaximized()) {
    settings.SetMaximized(1);
    settings.SetSplit(split);
    return;
  }
  settings.SetMaximized(0);
  settings.SetWidth(geometry().width());
  settings.SetHeight(geometry().height());
  settings.SetLeft(geometry().x());
  settings.SetTop(geometry().y());
  settings.SetSplit(split);
}

// The player goes before the level display, and both before the machine they use.
void TVexlor::Shutdown() {
  if (ShutDown) return;
  ShutDown = true;
  for (QTimer* timer : WindowTimers) timer->stop();
  LevelTimer->stop();
  Timer.StopPlayerThread();
  if (Timer.Bars) {
    Timer.Bars->Stop();
    Timer.Bars.reset();
  }
}

// ---- File browser ----

bool TVexlor::OpenDirectory(const QString& path) {
  const QFileInfo folder(path);
  if (path.isEmpty() || !folder.isDir()) return false;
  Directory = QDir::cleanPath(folder.absoluteFilePath());
  FillDirectoryList();
  FillFileList();
  int drive = -1;
  for (int index = 0; index < DriveBox->count(); ++index) {
    const QString root = DriveBox->itemData(index).toString();
    if ((Directory == root || Directory.startsWith(root.endsWith('/') ? root : root + '/')) &&
        (drive < 0 || root.size() > DriveBox->itemData(drive).toString().size()))
      drive = index;
  }
  if (drive >= 0) {
    const QSignalBlocker quiet(DriveBox);
    DriveBox->setCurrentIndex(drive);
  }
  return true;
}

// The folders from the root down to the one shown, then the folders inside it.
void TVexlor::FillDirectoryList() {
  DirectoryList->clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  QStringList chain;
  for (QDir folder(Directory);; ) {
    chain.prepend(folder.absolutePath());
    if (folder.isRoot() || !folder.cdUp()) break;
  }
  for (int depth = 0; depth < chain.size(); ++depth) {
    const QString name = depth == 0 ? chain[depth] : QFileInfo(chain[depth]).fileName();
    auto* item = new QListWidgetItem(open, QString(depth, ' ') + name, DirectoryList);
    item->setData(PathRole, chain[depth]);
  }
  DirectoryList->setCurrentRow(static_cast<int>(chain.size()) - 1);
  const QStringList folders = QDir(Directory).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  for (const QString& name : folders) {
    auto* item = new QListWidgetItem(closed, QString(chain.size(), ' ') + name, DirectoryList);
    item->setData(PathRole, QDir(Directory).absoluteFilePath(name));
  }
}

void TVexlor::FillFileList() {
  FileList->clear();
  const QDir folder(Directory);
  for (const QString& name : folder.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase)) {
    if (!IsTuneFileName(name)) continue;
    auto* item = new QListWidgetItem(name, FileList);
    item->setData(PathRole, folder.absoluteFilePath(name));
  }
}

bool TVexlor::SelectFile(const QString& path) {
  const QFileInfo file(path);
  if (!OpenDirectory(file.absolutePath())) return false;
  const QString wanted = QDir::cleanPath(file.absoluteFilePath());
  for (int row = 0; row < FileList->count(); ++row) {
    if (FileList->item(row)->data(PathRole).toString() == wanted) {
      FileList->setCurrentRow(row);
      return true;
    }
  }
  return false;
}

void TVexlor::DirectoryActivated(QListWidgetItem* item) {
  if (item) OpenDirectory(item->data(PathRole).toString());
}

void TVexlor::StartSelectedFile() {
  if (const QListWidgetItem* item = FileList->currentItem()) StartFile(item->data(PathRole).toString());
}

void TVexlor::StartFile(const QString& path) {
  SongHistory.AddToHistory(QFile::encodeName(path).toStdString());
  ShowHistoryButtons();
  FillDirectoryList();
  Playback->PlayFile(QFile::encodeName(path).toStdString());
}

// At a root there is no level above: the root entry stays selected.
void TVexlor::UpOneLevel() {
  const QDir current(Directory);
  if (current.isRoot()) {
    DirectoryList->setCurrentRow(0);
    return;
  }
  const QString came = QFileInfo(Directory).absoluteFilePath();
  QDir parent(current);
  parent.cdUp();
  OpenDirectory(parent.absolutePath());
  for (int row = 0; row < DirectoryList->count(); ++row)
    if (DirectoryList->item(row)->data(PathRole).toString() == came) DirectoryList->setCurrentRow(row);
}

void TVexlor::GoHome() {
  const std::string home = Settings->HomeDirectory();
  if (!DirectoryExists(home)) return;
  OpenDirectory(QFile::decodeName(home.c_str()));
  Settings->SetLastDirectory(home);
}

void TVexlor::PreviousFromHistory() {
  if (!SongHistory.Previous()) return;
  const QString path = QFile::decodeName(SongHistory.Current().c_str());
  SelectFile(path);
  ShowHistoryButtons();
  Playback->PlayFile(SongHistory.Current());
}

void TVexlor::NextFromHistory() {
  if (!SongHistory.Next()) return;
  const QString path = QFile::decodeName(SongHistory.Current().c_str());
  SelectFile(path);
  ShowHistoryButtons();
  Playback->PlayFile(SongHistory.Current());
}

// The first entry the drop added starts, as if it had been chosen in the file list.
void TVexlor::FileDrag1Drop() {
  std::vector<std::string> items;
  for (const QString& file : FileDrag1->Files()) items.push_back(QFile::encodeName(file).toStdString());
  const auto first = AddDroppedItems(SongHistory, items);
  if (!first) return;
  const QString path = QFile::decodeName(first->c_str());
  SelectFile(path);
  ShowHistoryButtons();
  FillDirectoryList();
  BringToFront();
  Playback->PlayFile(*first);
}

void TVexlor::OpenHandedOverFile(const QString& path) {
  BringToFront();
  if (QApplication::activeModalWidget() || !QFileInfo(path).isFile()) return;
  const QString file = QFileInfo(path).absoluteFilePath();
  SelectFile(file);
  StartFile(file);
}

void TVexlor::BringToFront() {
  show();
  setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
  activateWindow();
}

TPlaybackKeys& TVexlor::Keys() { return KeyBinding->Keys(); }

void TVexlor::ShowHistoryButtons() {
  HistoryBackButton->setEnabled(SongHistory.CanGoBack());
  HistoryForwardButton->setEnabled(SongHistory.CanGoForward());
}

bool TVexlor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Logo && event->type() == QEvent::MouseButtonPress) {
    ShowAbout();
    return true;
  }
  if (watched == StilIndicator && event->type() == QEvent::MouseButtonPress) {
    ShowStilInfo();
    return true;
  }
  if (event->type() != QEvent::KeyPress || (watched != FileList && watched != DirectoryList))
    return QMainWindow::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool files = watched == FileList;
  // The directory list's first entry is the drive: type-ahead starts below it.
  if (ListTakesKey(*static_cast<QListWidget*>(watched), *key, files ? 0 : 1)) return true;
  switch (key->key()) {
    case Qt::Key_Backspace:
      UpOneLevel();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (files) {
        StartSelectedFile();
      } else {
        DirectoryActivated(DirectoryList->currentItem());
      }
      return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
      if (files) {
        if (key->key() == Qt::Key_Left) {
          Playback->PreviousSong();
        } else if (Playback->Controls().TrackBarEnabled) {
          Playback->SelectSong(Playback->Controls().TrackBarPosition + 1);
        }
        return true;
      }
      if (key->key() == Qt::Key_Right) {
        DirectoryActivated(DirectoryList->currentItem());
        FileList->setFocus();
        return true;
      }
      return QMainWindow::eventFilter(watched, event);
    default:
      return QMainWindow::eventFilter(watched, event);
  }
}

// ---- Menu commands ----

void TVexlor::OpenFile() {
  const QString music = "*.sid;*.dat;*.mus;*.rsid;*.psid";
  const QString programs = "*.prg;*.p?0;*.p?1;*.p?2;*.p?3;*.p?4;*.p?5;*.p?6;*.p?7;*.p?8;*.p9?";
  const auto filter = [](const QString& caption, const QString& mask) {
    return caption + " (" + QString(mask).replace(';', ' ') + ")";
  };
  QFileDialog dialog(this, QString(), Directory);
  dialog.setObjectName("OpenDialog");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // Qt takes a filter's patterns from its caption, so the captions list the real masks.
  dialog.setNameFilters({filter("All", music + ";" + programs), filter("C64 Music Files", music),
                         filter("C64 Program Files", programs)});
  {
    const TModalPriority lowered(*Emulator);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  }
  const QString chosen = dialog.selectedFiles().first();
  SelectFile(chosen);
  Playback->Stop();
  StartFile(chosen);
}

void TVexlor::ShowProperties() {
  const TModalPriority lowered(*Emulator);
  TFormProperties properties(this, Loader->Tune, [this]() -> const auto& { return Emulator->TakeMemorySnapshot(); });
  properties.SetFileName(QFile::decodeName(Playback->CurrentFile().c_str()));
  properties.SetCurrentSongIndex(Playback->CurrentSong() - 1);
  properties.exec();
}

void TVexlor::ShowStilInfo() {
  if (!StilAction->isEnabled()) return;
  StilInfo->RefreshStil(Playback->CurrentFile(), false);
  StilInfo->show();
  StilInfo->raise();
}

void TVexlor::ShowAbout() {
  const TModalPriority lowered(*Emulator);
  TFormAbout about(this);
  about.exec();
}

// The dialog writes through the settings object; afterwards a fresh one is read from the store,
// whichever button closed it.
void TVexlor::ShowPreferences() {
  const TModalPriority lowered(*Emulator);
  const TPreferences before = *Settings;
  QStringList devices;
  for (int32_t device = 0; device < Emulator->Devices->Count(); ++device)
    devices << QString::fromStdString(Emulator->Devices->GetName(device));
  bool saved = false;
  {
    TfrmPreferences preferences(this, *Settings, Directory, devices, Setup.SidFiles);
    saved = preferences.exec() == QDialog::Accepted;
  }
  auto fresh = std::make_unique<TPreferences>();
  ApplyPreferencesChange(*Playback, Timer, before, *fresh, saved);
  Settings = std::move(fresh);
}

void TVexlor::LoadSelectedFile() {
  const QListWidgetItem* item = FileList->currentItem();
  if (!item) return;
  const std::string path = QFile::encodeName(item->data(PathRole).toString()).toStdString();
  SongHistory.AddToHistory(path);
  ShowHistoryButtons();
  FillDirectoryList();
  Playback->LoadFile(path);
}

// Linux paths have no drive part: the full path is what the clipboard gets.
void TVexlor::CopyFileName() {
  if (const QListWidgetItem* item = FileList->currentItem())
    QGuiApplication::clipboard()->setText(item->data(PathRole).toString());
}

void TVexlor::SelectDirectoryEntry() {
  if (const QListWidgetItem* item = DirectoryList->currentItem()) OpenDirectory(item->data(PathRole).toString());
}

void TVexlor::SetHomeDirectory() {
  const QListWidgetItem* item = DirectoryList->currentItem();
  if (!item) return;
  const QString path = item->data(PathRole).toString();
  if (OpenDirectory(path)) Settings->SetHomeDirectory(QFile::encodeName(path).toStdString());
}

void TVexlor::OpenInFileManager(QListWidget* list) {
  const QListWidgetItem* item = list->currentItem();
  if (list == FileList && !item) return;
  ShowInFileManager(item ? item->data(PathRole).toString() : Directory);
}

void TVexlor::PrepareFilePopup() {
  const bool selected = FileList->currentItem() != nullptr;
  for (QAction* action : {LoadAction, PlayAction, CopyFileNameAction, FileExplorerAction}) action->setEnabled(selected);
}

void TVexlor::PrepareDirectoryPopup() {
  const bool selected = DirectoryList->currentItem() != nullptr;
  for (QAction* action : {SelectAction, SetHomeAction, DirectoryExplorerAction}) action->setEnabled(selected);
}

// The entry under the pointer is selected first, so that the pop-up acts on it.
void TVexlor::ShowPopup(QListWidget* list, QMenu* popup, const QPoint& position) {
  if (QListWidgetItem* item = list->itemAt(position)) list->setCurrentItem(item);
  if (list == FileList) {
    PrepareFilePopup();
  } else {
    PrepareDirectoryPopup();
  }
  popup->exec(list->viewport()->mapToGlobal(position));
}

// ---- TPlaybackView ----

QString TVexlor::TuneText(const std::string& text) const {
  return LabelText(DecodeTuneText(text, Loader->Tune.programFile));
}

void TVexlor::ControlsChanged() {
  const TPlaybackControls& controls = Playback->Controls();
  TransportPanel->setEnabled(controls.TransportEnabled);
  PlayButton->setEnabled(controls.PlayEnabled);
  {
    const QSignalBlocker quiet(PlayButton);
    PlayButton->setChecked(controls.PlayDown);
  }
  StopButton->setEnabled(controls.StopEnabled);
  PreviousButton->setEnabled(controls.PreviousEnabled);
  NextButton->setEnabled(controls.NextEnabled);
  NextButton->setToolTip(QString::fromStdString(controls.NextHint));
  {
    const QSignalBlocker quiet(TrackBar);
    TrackBar->setMaximum(controls.TrackBarMaximum);
    TrackBar->setValue(controls.TrackBarPosition);
  }
  TrackBar->setEnabled(controls.TrackBarEnabled);
  TrackBar->setToolTip(QString::fromStdString(controls.TrackBarHint));
  SongLabel->setText(QString::fromStdString(controls.TrackBarHint));
  NameValue->setText(TuneText(controls.Title));
  AuthorValue->setText(TuneText(controls.Author));
  ReleasedValue->setText(TuneText(controls.Released));
  StilIndicator->setVisible(controls.StilAvailable);
  StilAction->setEnabled(controls.StilAvailable);
  PropertiesAction->setEnabled(controls.PropertiesEnabled);
  SongMenuButton->setVisible(controls.SongMenuVisible);
  for (size_t voice = 0; voice < VoiceBoxes.size(); ++voice) VoiceBoxes[voice]->setChecked(controls.VoiceChecked[voice]);
  MuteAllBox->setChecked(controls.MuteAllChecked);
  FilterBox->setChecked(controls.FilterChecked);
  if (Emulator->Devices->Count() > 0 && controls.Device >= 0 && controls.Device < DeviceBox->count())
    DeviceBox->setCurrentIndex(controls.Device);
  emit ControlsShown();
}

void TVexlor::ShowStatus(TStatusPanel panel, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  if (QThread::currentThread() == thread()) {
    ShowStatusText(panel, shown);
  } else {
    QMetaObject::invokeMethod(this, [this, panel, shown] { ShowStatusText(panel, shown); }, Qt::QueuedConnection);
  }
}

void TVexlor::ShowStatusText(TStatusPanel panel, const QString& text) {
  StatusPanels[static_cast<size_t>(panel)]->setText(text);
}

void TVexlor::ShowMessage(TMessageStyle style, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  if (QThread::currentThread() == thread()) {
    PresentMessage(style, shown);
  } else {
    QMetaObject::invokeMethod(this, [this, style, shown] { PresentMessage(style, shown); }, Qt::QueuedConnection);
  }
}

void TVexlor::PresentMessage(TMessageStyle style, const QString& text) {
  if (Setup.PresentMessage) {
    Setup.PresentMessage(style, text);
    return;
  }
  QMessageBox box(style == TMessageStyle::Information ? QMessageBox::Information : QMessageBox::NoIcon,
                  ApplicationTitle, text, QMessageBox::Ok, this);
  box.exec();
}

void TVexlor::StilEntryChanged(bool available) {
  StilIndicator->setVisible(available);
  StilAction->setEnabled(available);
  if (!available)
    StilInfo->hide();
  else if (StilInfo->isVisible())
    StilInfo->RefreshStil(Playback->CurrentFile(), false);
}

void TVexlor::StartTimer(TWindowTimer timer) { WindowTimers[static_cast<size_t>(timer)]->start(); }

void TVexlor::StopTimer(TWindowTimer timer) { WindowTimers[static_cast<size_t>(timer)]->stop(); }

void TVexlor::WaitProcessingMessages(uint32_t ms) {
  QEventLoop wait;
  QTimer::singleShot(static_cast<int>(ms), &wait, &QEventLoop::quit);
  wait.exec();
}

void TVexlor::ProcessMessages() { QCoreApplication::processEvents(); }

std::string TVexlor::ShownDirectory() { return QFile::encodeName(Directory).toStdString(); }

// A button disabled under the pointer keeps its hover look once enabled again unless told.
void TVexlor::ResetHover() {
  for (QToolButton* button : {PlayButton, StopButton, PreviousButton, NextButton}) {
    button->setAttribute(Qt::WA_UnderMouse, button->rect().contains(button->mapFromGlobal(QCursor::pos())));
    button->update();
  }
}
