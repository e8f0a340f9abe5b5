#include "ui/frmSTIL.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int GroupLeft = 4;
constexpr int GroupTop = 4;
constexpr int GroupHeight = 270;
constexpr int ScrollLeft = 2;
constexpr int ScrollTop = 16;
constexpr int ButtonTop = GroupTop + GroupHeight + 8;
constexpr int ClientHeight = 318;
constexpr int PageStep = 8 * TfrmSTILInfo::LineHeight;

// The database doubles every "&" for controls that take it as an accelerator mark; a label
// without a buddy shows it as it is, so the text goes back to single ones. STIL.txt is
// ISO-8859-1 with CR LF line breaks.
QString DisplayText(const std::string& text) {
  QString shown = QString::fromLatin1(text.data(), qsizetype(text.size()));
  shown.replace("&&", "&");
  shown.replace("\r\n", "\n");
  return shown;
}

}  // namespace

TfrmSTILInfo::TfrmSTILInfo(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName("STILInfo");
  setWindowTitle(Caption);
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  BuildMenu(layout);
  BuildClient(layout);
}

QAction* TfrmSTILInfo::OptionAction(const QString& caption, bool TStilOptions::*option) {
  auto* action = new QAction(caption, this);
  action->setCheckable(true);
  action->setChecked(Stil().Options.*option);
  connect(action, &QAction::toggled, this, [this, option](bool on) {
    Stil().Options.*option = on;
    RefreshStil(FLastStilPath, true);
  });
  return action;
}

void TfrmSTILInfo::BuildMenu(QVBoxLayout* layout) {
  auto* menus = new QMenuBar(this);
  menus->setNativeMenuBar(false);
  QMenu* options = menus->addMenu("Options");
  options->setObjectName("Options");
  options->addAction(OptionAction("Show global author comment", &TStilOptions::ShowGlobalComment));
  options->addAction(OptionAction("Show STIL entry", &TStilOptions::ShowStilEntry));
  options->addAction(OptionAction("Show bug info", &TStilOptions::ShowBugInfo));
  options->addSeparator();
  QAction* onTop = options->addAction("Stay On Top");
  onTop->setCheckable(true);
  connect(onTop, &QAction::toggled, this, &TfrmSTILInfo::SetStayOnTop);
  layout->setMenuBar(menus);
}

void TfrmSTILInfo::BuildClient(QVBoxLayout* layout) {
  Client = new QWidget;
  Group = new QGroupBox(" STIL Info ", Client);
  Scroll = new QScrollArea(Group);
  Scroll->setObjectName("StilScrollBox");
  Scroll->setFrameShape(QFrame::NoFrame);
  Scroll->setWidgetResizable(false);
  Scroll->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* copy = new QAction("&Copy", this);
  copy->setShortcut(QKeySequence("Ctrl+C"));
  copy->setShortcutContext(Qt::WindowShortcut);
  connect(copy, &QAction::triggered, this, &TfrmSTILInfo::CopyText);
  Scroll->addAction(copy);
  addAction(copy);
  CloseButton = new QPushButton("Close", Client);
  CloseButton->setDefault(true);
  connect(CloseButton, &QPushButton::clicked, this, &QWidget::hide);
  for (QWidget* child : {static_cast<QWidget*>(Scroll), Scroll->viewport(), static_cast<QWidget*>(CloseButton)})
    child->installEventFilter(this);
  layout->addWidget(Client);
  RebuildLabel({});
}

void TfrmSTILInfo::RefreshStil(const std::string& path, bool force) {
  if (path == FLastStilPath && !force) return;
  FLastStilPath = path;
  std::string text = GetStilText(path, true);
  if (text.empty()) text = FilteredOutText;
  RebuildLabel(DisplayText(text));
  FLastStilText = std::move(text);
}

QString TfrmSTILInfo::ShownText() const { return TextLabel->text(); }

void TfrmSTILInfo::CopyText() { QApplication::clipboard()->setText(TextLabel->text()); }

void TfrmSTILInfo::RebuildLabel(const QString& text) {
  auto* content = new QWidget;
  TextLabel = new QLabel(content);
  TextLabel->setObjectName("StilText");
  TextLabel->setTextFormat(Qt::PlainText);
  TextLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QFont font("Courier New", 8);
  font.setStyleHint(QFont::TypeWriter);
  TextLabel->setFont(font);
  TextLabel->setText(text);
  TextLabel->setTextInteractionFlags(Qt::NoTextInteraction);
  const QSize fitted = TextLabel->sizeHint();
  const int width = std::clamp(fitted.width() + LabelLeft, MinLabelWidth, MaxLabelWidth);
  TextLabel->setGeometry(LabelLeft, LabelTop, width, std::max(LineHeight, fitted.height()));
  content->resize(2 * LabelLeft + width, LabelTop + TextLabel->height() + LabelTop);
  Scroll->setWidget(content);  // frees the previous label with its content widget
  FitWidths();
}

void TfrmSTILInfo::FitWidths() {
  const int labelWidth = TextLabel->width();
  const int scrollWidth = 2 * LabelLeft + labelWidth + 10;
  const int groupWidth = scrollWidth + 4;
  Scroll->setGeometry(ScrollLeft, ScrollTop, scrollWidth, GroupHeight - ScrollTop - 2);
  Group->setGeometry(GroupLeft, GroupTop, groupWidth, GroupHeight);
  const int buttonWidth = CloseButton->sizeHint().width();
  CloseButton->setGeometry((2 * LabelLeft + labelWidth + 2 * GroupLeft) / 2 - buttonWidth / 2, ButtonTop,
                           buttonWidth, CloseButton->sizeHint().height());
  Client->setFixedSize(groupWidth + 2 * GroupLeft + 6, ClientHeight);
}

void TfrmSTILInfo::showEvent(QShowEvent* event) {
  Scroll->verticalScrollBar()->setSingleStep(LineHeight);
  if (!Centred && parentWidget()) {
    Centred = true;
    adjustSize();
    move(parentWidget()->geometry().center() - rect().center());
  }
  QDialog::showEvent(event);
}

bool TfrmSTILInfo::HandleKey(int key) {
  QScrollBar* bar = Scroll->verticalScrollBar();
  switch (key) {
    case Qt::Key_Escape: hide(); return true;
    case Qt::Key_PageUp: ScrollBy(-PageStep); return true;
    case Qt::Key_PageDown: ScrollBy(PageStep); return true;
    case Qt::Key_Up: ScrollBy(-LineHeight); return true;
    case Qt::Key_Down: ScrollBy(LineHeight); return true;
    case Qt::Key_Home: bar->setValue(bar->minimum()); return true;
    case Qt::Key_End: bar->setValue(bar->maximum()); return true;
    default: return false;
  }
}

void TfrmSTILInfo::ScrollBy(int pixels) {
  QScrollBar* bar = Scroll->verticalScrollBar();
  bar->setValue(bar->value() + pixels);
}

// The window takes its keys before the scroll box and the button would.
bool TfrmSTILInfo::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier &&
      HandleKey(static_cast<QKeyEvent*>(event)->key()))
    return true;
  return QDialog::eventFilter(watched, event);
}

void TfrmSTILInfo::keyPressEvent(QKeyEvent* event) {
  if (event->modifiers() == Qt::NoModifier && HandleKey(event->key())) return;
  QDialog::keyPressEvent(event);
}

void TfrmSTILInfo::SetStayOnTop(bool on) {
  const bool shown = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, on);
  if (shown) show();
}
