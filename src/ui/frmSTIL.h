#pragma once
// TfrmSTILInfo: the non-modal tool window with the STIL and bug-list text of the current tune in
// a fixed-pitch font. Its Options menu switches the sections the STIL database includes.
#include <QDialog>
#include <QString>
#include <string>

#include "knowledge/Stil.h"

class QAction;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

class TfrmSTILInfo : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* Caption = "SID Tune Information List (STIL)";
  static constexpr const char* FilteredOutText = "No information is shown because of current filter option.";
  // The label's geometry and the limits of its width, in pixels.
  static constexpr int LabelLeft = 6;
  static constexpr int LabelTop = 8;
  static constexpr int LineHeight = 14;
  static constexpr int MinLabelWidth = 453;
  static constexpr int MaxLabelWidth = 600;

  explicit TfrmSTILInfo(QWidget* parent);

  // Shows the text for the tune at path; an unchanged path keeps the text unless forced.
  void RefreshStil(const std::string& path, bool force);
  // "&Copy": the text as shown onto the clipboard.
  void CopyText();

  const std::string& LastStilPath() const { return FLastStilPath; }
  const std::string& LastStilText() const { return FLastStilText; }
  QString ShownText() const;
  QScrollArea* ScrollBox() const { return Scroll; }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenu(QVBoxLayout* layout);
  void BuildClient(QVBoxLayout* layout);
  void RebuildLabel(const QString& text);
  void FitWidths();
  bool HandleKey(int key);
  void ScrollBy(int pixels);
  void SetStayOnTop(bool on);
  QAction* OptionAction(const QString& caption, bool TStilOptions::*option);

  std::string FLastStilPath;
  std::string FLastStilText;
  bool Centred = false;

  QWidget* Client = nullptr;
  QGroupBox* Group = nullptr;
  QScrollArea* Scroll = nullptr;
  QLabel* TextLabel = nullptr;
  QPushButton* CloseButton = nullptr;
};
