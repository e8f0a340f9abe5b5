// The file list's mask and the song history, without a window.
#include <gtest/gtest.h>

#include "ui/SongHistory.h"
#include "ui/TuneFileMask.h"

namespace {

TEST(TuneFileMask, ListsTuneFilesAndNamesWithoutExtension) {
  struct TCase {
    const char* Name;
    bool Listed;
  };
  for (const TCase& check : {TCase{"Commando.sid", true}, {"COMMANDO.SID", true}, {"tune.mus", true},
                             {"a.psid", true}, {"a.rsid", true}, {"main.prg", true}, {"x.dat", true},
                             {"dirty_cheater.p00", true}, {"game.s08", false}, {"game.pa8", true},
                             {"game.p93", true}, {"game.p9", false}, {"game.pa9", false}, {"README", true},
                             {"notes.txt", false}, {"tune.sid.bak", false}, {".sid", true}, {"", false}}) {
    EXPECT_EQ(IsTuneFileName(check.Name), check.Listed) << check.Name;
  }
}

TEST(SongHistory, InsertsWhileLookingBackAndNeverRepeatsTheCurrentEntry) {
  using TSteps = std::vector<std::string>;  // a path to add, "<" back, ">" forward
  struct TCase {
    const char* Name;
    TSteps Steps;
    std::vector<std::string> Entries;
    int32_t Position;
  };
  const TCase cases[] = {
      {"back twice then a new file", {"A", "B", "C", "<", "<", "D"}, {"A", "D", "B", "C"}, 2},
      {"the entry ahead again only moves", {"A", "B", "C", "<", "C"}, {"A", "B", "C"}, 3},
      {"the same file twice", {"A", "A", "B", "B"}, {"A", "B"}, 2},
      {"back past the start stays", {"A", "<", "<"}, {"A"}, 1},
      {"forward past the end stays", {"A", "B", "<", ">", ">"}, {"A", "B"}, 2},
  };
  for (const TCase& check : cases) {
    SCOPED_TRACE(check.Name);
    TSongHistory history;
    for (const std::string& step : check.Steps) {
      if (step == "<") {
        history.Previous();
      } else if (step == ">") {
        history.Next();
      } else {
        history.AddToHistory(step);
      }
    }
    EXPECT_EQ(history.Entries(), check.Entries);
    EXPECT_EQ(history.Position(), check.Position);
    EXPECT_EQ(history.Current(), check.Entries[check.Position - 1]);
    EXPECT_EQ(history.CanGoBack(), check.Position >= 2);
    EXPECT_EQ(history.CanGoForward(), check.Position < history.Count());
  }
  EXPECT_TRUE(TSongHistory().Current().empty());
  EXPECT_FALSE(TSongHistory().CanGoForward());
}

}  // namespace
