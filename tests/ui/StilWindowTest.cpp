// The STIL window on corpus tunes in a collection built from the HVSC documents and the tunes:
// the text it shows, its options, its message for a tune without text, its keys and "&Copy".
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <string>

#include "knowledge/KnowledgeTestFiles.h"
#include "knowledge/Stil.h"
#include "ui/frmSTIL.h"

namespace {

class StilWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_TESTDATA("hvsc/hvsc69/DOCUMENTS/STIL.txt");
    SKIP_WITHOUT_TESTDATA("tunes/C64Music/MUSICIANS");
    Scratch.Link("C64Music/DOCUMENTS", TestData("hvsc/hvsc69/DOCUMENTS"));
    for (const std::string folder : {"MUSICIANS", "DEMOS"}) Scratch.Link("C64Music/" + folder, TestData("tunes/C64Music/" + folder));
    LoadStil(Scratch / "");
    Root = Stil().Root();
  }
  void TearDown() override {
    LoadStil("");
    Stil().Options = TStilOptions{};
  }
  QAction* Option(int index) { return Window.findChild<QMenu*>("Options")->actions().at(index); }
  QLabel* Label() { return Window.findChild<QLabel*>("StilText"); }

  TScratchFolder Scratch;
  std::string Root;
  TfrmSTILInfo Window{nullptr};
};

TEST_F(StilWindow, ShowsTheTextOfACorpusTune) {
  EXPECT_EQ(Window.windowTitle(), "SID Tune Information List (STIL)");
  Window.RefreshStil(Root + "MUSICIANS/H/Hubbard_Rob/Commando.sid", false);
  const QString commando = Window.ShownText();
  EXPECT_TRUE(commando.startsWith("COMMENT: People have often stolen Hubbard's routine causing some tunes to be\n"));
  EXPECT_TRUE(commando.contains("(RH).\nCOMMENT: \"There is an interesting story behind Commando."));
  EXPECT_TRUE(commando.contains("\n(#1)\n  TITLE: BGM1 [from the arcade game Commando] (0:00)\n"));
  EXPECT_EQ(Label()->font().family(), "Courier New");

  Window.RefreshStil(Root + "DEMOS/UNKNOWN/Wham.sid", false);
  EXPECT_TRUE(Window.ShownText().contains(" ARTIST: Midge Ure & Bob Geldof, performed by Band Aid\n    BUG: Has a lot"));
  EXPECT_NE(Window.LastStilText().find("Midge Ure && Bob Geldof"), std::string::npos);
  EXPECT_EQ(Window.LastStilPath(), Root + "DEMOS/UNKNOWN/Wham.sid");
}

TEST_F(StilWindow, EachOptionChangesTheText) {
  const std::string wham = Root + "DEMOS/UNKNOWN/Wham.sid", commando = Root + "MUSICIANS/H/Hubbard_Rob/Commando.sid";
  const std::string bugOnly = Root + "DEMOS/A-F/Digital_II.sid";
  const struct {
    std::string Tune;
    int Option;
    QString StartsWith;
  } rows[] = {
      {commando, 0, "COMMENT: \"There is an interesting story behind Commando."},
      {wham, 1, "    BUG: Has a lot of wrong sounds inside"},
      {wham, 2, "  TITLE: Do They Know It's Christmas?\n"},
      {bugOnly, 2, TfrmSTILInfo::FilteredOutText},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Tune + " option " + std::to_string(row.Option));
    Window.RefreshStil(row.Tune, false);
    const QString before = Window.ShownText();
    ASSERT_TRUE(Option(row.Option)->isChecked());
    Option(row.Option)->trigger();
    EXPECT_FALSE(Option(row.Option)->isChecked());
    EXPECT_TRUE(Window.ShownText().startsWith(row.StartsWith)) << Window.ShownText().left(80).toStdString();
    EXPECT_NE(Window.ShownText(), before);
    Option(row.Option)->trigger();
    EXPECT_EQ(Window.ShownText(), before) << "switching the option back shows the first text again";
  }
  Window.RefreshStil(wham, false);
  for (int option = 0; option < 3; ++option) Option(option)->trigger();
  EXPECT_EQ(Window.ShownText(), TfrmSTILInfo::FilteredOutText);
  EXPECT_FALSE(Stil().Options.ShowGlobalComment || Stil().Options.ShowStilEntry || Stil().Options.ShowBugInfo);
}

TEST_F(StilWindow, TuneWithoutTextShowsTheFilterMessage) {
  Window.RefreshStil(TestData("tunes/C64Music/MUSICIANS/H/Hubbard_Rob/Commando.sid"), false);
  EXPECT_EQ(Window.ShownText(), TfrmSTILInfo::FilteredOutText) << "a tune outside the collection has no text";
}

TEST_F(StilWindow, SamePathKeepsTheLabelAndWidthStaysInItsLimits) {
  const std::string commando = Root + "MUSICIANS/H/Hubbard_Rob/Commando.sid";
  Window.RefreshStil(commando, false);
  const QLabel* first = Label();
  Window.RefreshStil(commando, false);
  EXPECT_EQ(Label(), first);
  Window.RefreshStil(commando, true);
  EXPECT_NE(Label(), first);
  EXPECT_GE(Label()->width(), TfrmSTILInfo::MinLabelWidth);
  EXPECT_LE(Label()->width(), TfrmSTILInfo::MaxLabelWidth);
  Window.RefreshStil(TestData("outside.sid"), false);
  EXPECT_EQ(Label()->width(), TfrmSTILInfo::MinLabelWidth) << "a one-line message keeps the minimum width";
}

TEST_F(StilWindow, KeysScrollAndEscHides) {
  Window.RefreshStil(Root + "MUSICIANS/H/Hubbard_Rob/Commando.sid", false);
  Window.show();
  QScrollBar* bar = Window.ScrollBox()->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 126) << "Commando's text must reach past the last scripted position";
  const struct {
    Qt::Key Key;
    int Expected;
  } rows[] = {{Qt::Key_Down, 14}, {Qt::Key_PageDown, 126}, {Qt::Key_Up, 112}, {Qt::Key_PageUp, 0},
              {Qt::Key_End, bar->maximum()}, {Qt::Key_Home, 0}};
  for (const auto& row : rows) {
    QTest::keyClick(Window.ScrollBox(), row.Key);
    EXPECT_EQ(bar->value(), row.Expected) << row.Key;
  }
  const QString shown = Window.ShownText();
  QTest::keyClick(Window.ScrollBox(), Qt::Key_Escape);
  EXPECT_FALSE(Window.isVisible());
  Window.show();
  EXPECT_EQ(Window.ShownText(), shown);
}

TEST_F(StilWindow, CopyPutsTheShownTextOnTheClipboard) {
  Window.RefreshStil(Root + "DEMOS/UNKNOWN/Wham.sid", false);
  Window.CopyText();
  EXPECT_EQ(QApplication::clipboard()->text(), Window.ShownText());
  EXPECT_TRUE(QApplication::clipboard()->text().contains("Midge Ure & Bob Geldof"));
}

}  // namespace
