#include "ui/frmProperties.h"

#include <QApplication>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "knowledge/SidId.h"
#include "tune/Fingerprint.h"
#include "tune/SidLoader.h"
#include "tune/TuneTexts.h"

namespace {

constexpr int ClientWidth = 448;
constexpr int ClientHeight = 341;

}  // namespace

TFormProperties::TFormProperties(QWidget* parent, const TTuneRecord& tune, TMemorySnapshot snapshot)
    : QDialog(parent), Tune(tune), Snapshot(std::move(snapshot)) {
  setObjectName("TFormProperties");
  setWindowTitle("Properties");
  setModal(true);
  setFixedSize(ClientWidth, ClientHeight);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 4, 6, 6);
  layout->setSpacing(4);
  layout->addWidget(BuildFileGroup());
  OkButton = new QPushButton("OK");
  OkButton->setObjectName("OkButton");
  OkButton->setDefault(true);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(OkButton, 0, Qt::AlignCenter);
}

QWidget* TFormProperties::BuildFileGroup() {
  auto* group = new QGroupBox(" File Properties ");
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(6, 2, 6, 4);
  grid->setVerticalSpacing(0);
  int row = 0;
  auto addRow = [&](const char* caption, QWidget* value) {
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(new QLabel(":"), row, 1);
    grid->addWidget(value, row, 2);
    ++row;
  };
  auto valueLabel = [](const char* name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(name);
    return label;
  };
  auto fromAscii = [](const std::string& text) { return QString::fromStdString(text); };

  FileNameField = new QLineEdit;
  FileNameField->setObjectName("FileNameValue");
  FileNameField->setReadOnly(true);
  FileNameField->setFrame(false);
  FileNameField->setContextMenuPolicy(Qt::NoContextMenu);
  FileNameField->installEventFilter(this);
  addRow("File name", FileNameField);
  addRow("File format", valueLabel("FileFormatValue", fromAscii(Tune.fileFormat)));
  addRow("Name", valueLabel("NameValue", TuneText(Tune.name)));
  addRow("Author", valueLabel("AuthorValue", TuneText(Tune.author)));
  addRow("Released", valueLabel("ReleasedValue", TuneText(Tune.released)));
  addRow("Load", valueLabel("LoadValue", fromAscii(LoadRangeText(Tune))));
  addRow("Init", valueLabel("InitValue", fromAscii(InitText(Tune))));
  addRow("Play", valueLabel("PlayValue", fromAscii(PlayText(Tune))));
  addRow("Number of songs", valueLabel("SongsValue", QString::number(Tune.songs)));
  addRow("Start song", valueLabel("StartSongValue", QString::number(Tune.startSong)));
  addRow("SID model", valueLabel("SidModelValue", fromAscii(Tune.SidChips() > 1 ? SidChipsText(Tune) : SidModelText(Tune))));
  addRow("Play mode", BuildPlayModeRow());
  addRow("Clock frequency", valueLabel("ClockValue", fromAscii(ClockText(Tune.clockPal, Tune.clockNtsc))));
  addRow("Relocation area", valueLabel("RelocationValue", fromAscii(RelocationText(Tune))));
  addRow("MD5 fingerprint", valueLabel("Md5Value", fromAscii(Tune.md5)));
  addRow("Identified player(s)", BuildPlayerRow());
  grid->setColumnStretch(2, 1);
  return group;
}

QWidget* TFormProperties::BuildPlayModeRow() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  SongScroll = new QScrollBar(Qt::Horizontal);
  SongScroll->setObjectName("SongScroll");
  SongScroll->setFixedWidth(32);
  TimingLabel = new QLabel;
  TimingLabel->setObjectName("TimingValue");
  connect(SongScroll, &QScrollBar::valueChanged, this, [this](int position) { ShowTiming(position - 1); });
  layout->addWidget(new QLabel("Song"));
  layout->addWidget(SongScroll);
  layout->addWidget(TimingLabel, 1);
  return row;
}

QWidget* TFormProperties::BuildPlayerRow() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  PlayerList = new QListWidget;
  PlayerList->setObjectName("PlayerList");
  PlayerList->setFixedHeight(44);
  PlayerList->viewport()->installEventFilter(this);
  auto* scanGroup = new QGroupBox;
  auto* scanLayout = new QVBoxLayout(scanGroup);
  scanLayout->setContentsMargins(4, 0, 4, 0);
  scanLayout->setSpacing(0);
  FileScanButton = new QRadioButton("File scan");
  FileScanButton->setObjectName("FileScan");
  FileScanButton->setChecked(true);
  MemoryScanButton = new QRadioButton("Memory scan");
  MemoryScanButton->setObjectName("MemoryScan");
  connect(FileScanButton, &QRadioButton::clicked, this, [this] { FileScan(); });
  connect(MemoryScanButton, &QRadioButton::clicked, this, [this] { MemoryScan(); });
  scanLayout->addWidget(FileScanButton);
  scanLayout->addWidget(MemoryScanButton);
  layout->addWidget(PlayerList, 1);
  layout->addWidget(scanGroup);
  return row;
}

void TFormProperties::SetFileName(const QString& fileName) {
  FileName = fileName;
  FileNameField->setText(fileName);
  FileNameField->setCursorPosition(0);
}

void TFormProperties::SetCurrentSongIndex(int songIndex) { CurrentSongIndex = songIndex; }

void TFormProperties::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
  {
    const QSignalBlocker quiet(SongScroll);
    SongScroll->setRange(1, std::max(1, Tune.songs));
    SongScroll->setValue(CurrentSongIndex + 1);
  }
  ShowTiming(CurrentSongIndex);
  if (!FileName.isEmpty()) {
    FileScanButton->setChecked(true);
    FileScan();
  }
  if (PlayerList->count() == 0) {
    MemoryScanButton->setChecked(true);
    MemoryScan();
  }
}

void TFormProperties::ShowTiming(int songIndex) { TimingLabel->setText(QString::fromStdString(TimingText(Tune, songIndex))); }

void TFormProperties::FileScan() {
  OkButton->setFocus();
  if (FileName.isEmpty()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  TSidId scanner(Signatures());
  ShowPlayers(scanner.ScanFile(QFile::encodeName(FileName).toStdString()));
  QApplication::restoreOverrideCursor();
}

void TFormProperties::MemoryScan() {
  OkButton->setFocus();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  TSidId scanner(Signatures());
  ShowPlayers(scanner.ScanMemory(Snapshot().data()));
  QApplication::restoreOverrideCursor();
}

void TFormProperties::ShowPlayers(const std::vector<std::string>& names) {
  PlayerList->clear();
  for (const std::string& name : names) PlayerList->addItem(QString::fromLatin1(name));
}

// Neither the file name nor the player list keeps a selection or the focus: the dialog only
// shows facts.
bool TFormProperties::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == FileNameField && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)) {
    FileNameField->deselect();
    OkButton->setFocus();
    return true;
  }
  if (PlayerList && watched == PlayerList->viewport() && type == QEvent::MouseButtonPress) {
    PlayerList->clearSelection();
    OkButton->setFocus();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

QString TFormProperties::TuneText(const std::string& text) const {
  return Tune.programFile ? QString::fromLocal8Bit(text) : QString::fromLatin1(text);
}

std::string TFormProperties::TimingText(const TTuneRecord& tune, int songIndex) {
  const bool cia = CiaTimed(tune.speed, unsigned(std::max(0, songIndex)), tune.playSidSpecific);
  return std::to_string(songIndex + 1) + (cia ? " CIA IRQ" : " Raster IRQ");
}
