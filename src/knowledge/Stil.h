#pragma once
// The SID Tune Information List (STIL.txt) and the bug list (BUGlist.txt) of the HVSC
// collection: free texts about tunes and about whole directories, keyed by the path inside the
// collection ("/MUSICIANS/H/Hubbard_Rob/Commando.sid", "/MUSICIANS/H/Hubbard_Rob/"). The texts
// keep the files' ISO-8859-1 bytes and CR LF line breaks.
#include <string>
#include <string_view>
#include <unordered_map>

class TSTILInfo {
 public:
  std::string StilText;
  std::string BugText;
};

enum class TStilSection { Stil, Bug };

// Which sections the STIL window shows; all on at start, not kept between runs.
struct TStilOptions {
  bool ShowGlobalComment = true;
  bool ShowStilEntry = true;
  bool ShowBugInfo = true;
};

class TStilDatabase {
 public:
  // Empties the database and reads STIL.txt found from the HVSC directory setting and the bug
  // list in the DOCUMENTS folder of the collection it belongs to. False when STIL.txt was not
  // found; the root then keeps its previous value.
  bool Load(const std::string& hvscDirectory);
  // Adds the entries of a STIL.txt or BUGlist.txt text. An entry that repeats a key extends
  // that key's text.
  void ReadText(std::string_view text, TStilSection section);
  void Clear();

  // The text for the tune file with that full path: the directory's global comment, the tune's
  // STIL entry and its bug entry, joined by CR LF, with every "&" doubled for display. With
  // filtered false every section is included, otherwise the options choose. Empty for files
  // outside the collection root.
  std::string GetStilText(const std::string& fileName, bool filtered) const;
  const TSTILInfo* Find(std::string_view key) const;

  // The collection root ending in "/": found by Load, set by callers that read texts themselves.
  const std::string& Root() const { return StilRoot; }
  void SetRoot(std::string root);
  int Count() const { return int(Entries.size()); }

  TStilOptions Options;

 private:
  // The tune's key inside the collection ("/" first); empty for a file outside it.
  std::string CollectionPath(const std::string& fileName) const;

  // Keyed for exact lookups: the files list their entries in an order of their own (a folder's
  // tunes before its sub-folders), so a search that relies on sorted keys would miss some.
  std::unordered_map<std::string, TSTILInfo> Entries;
  std::string StilRoot;
  // The root with every symbolic link resolved, ending in "/".
  std::string ResolvedRoot;
};

// The process-wide database.
TStilDatabase& Stil();
void LoadStil(const std::string& hvscDirectory);
std::string GetStilText(const std::string& fileName, bool filtered);
