#include "knowledge/Stil.h"

#include <filesystem>

#include "knowledge/HvscDocuments.h"
#include "knowledge/TextFile.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";

// Labels take a single "&" as the mark of a keyboard accelerator.
std::string DoubleAmpersands(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    result += c;
    if (c == '&') result += '&';
  }
  return result;
}

// The lines after an entry's key up to the next empty line, joined by CR LF.
std::string CollectEntry(TLineReader& lines) {
  std::string text;
  std::string_view line;
  bool first = true;
  while (lines.Next(line) && !IsBlankText(line)) {
    if (!first) text += kLineBreak;
    text += line;
    first = false;
  }
  return text;
}

// The path with every symbolic link resolved as far as it exists; the path itself when that fails.
std::string Resolved(const std::string& path) {
  std::error_code failed;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, failed);
  return failed ? path : resolved.string();
}

}  // namespace

void TStilDatabase::Clear() { Entries.clear(); }

void TStilDatabase::SetRoot(std::string root) {
  StilRoot = std::move(root);
  ResolvedRoot = StilRoot.empty() ? std::string() : Resolved(StilRoot.substr(0, StilRoot.size() - 1)) + "/";
}

// A collection assembled from linked folders matches as written; a tune or a collection reached
// through a link matches once both paths have their links resolved.
std::string TStilDatabase::CollectionPath(const std::string& fileName) const {
  if (StilRoot.empty()) return std::string();
  // The collection path keeps the "/" that ends the root.
  if (fileName.compare(0, StilRoot.size(), StilRoot) == 0) return fileName.substr(StilRoot.size() - 1);
  const std::string resolved = Resolved(fileName);
  if (resolved.compare(0, ResolvedRoot.size(), ResolvedRoot) == 0) return resolved.substr(ResolvedRoot.size() - 1);
  return std::string();
}

bool TStilDatabase::Load(const std::string& hvscDirectory) {
  Clear();
  const auto document = FindHvscDocument(hvscDirectory, "STIL.txt");
  if (!document) return false;
  SetRoot(document->Root);
  std::string text;
  if (ReadFileBytes(document->Path, text)) ReadText(text, TStilSection::Stil);
  if (ReadFileBytes(StilRoot + "DOCUMENTS/BUGlist.txt", text)) ReadText(text, TStilSection::Bug);
  return true;
}

void TStilDatabase::ReadText(std::string_view text, TStilSection section) {
  TLineReader lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    // Headers, separators and section titles ("### /DEMOS/ ###") do not start with a path.
    if (IsBlankText(line) || line[0] != '/') continue;
    TSTILInfo& info = Entries[std::string(line)];
    (section == TStilSection::Stil ? info.StilText : info.BugText) += CollectEntry(lines);
  }
}

const TSTILInfo* TStilDatabase::Find(std::string_view key) const {
  const auto found = Entries.find(std::string(key));
  return found == Entries.end() ? nullptr : &found->second;
}

std::string TStilDatabase::GetStilText(const std::string& fileName, bool filtered) const {
  const std::string key = CollectionPath(fileName);
  if (key.empty()) return std::string();
  const std::string_view path = key;
  const std::string_view folder = path.substr(0, path.rfind('/') + 1);

  std::string text;
  if (const TSTILInfo* tune = Find(path)) {
    if (!filtered || Options.ShowStilEntry) text = tune->StilText;
    if (!filtered || Options.ShowBugInfo) {
      if (!text.empty() && !tune->BugText.empty()) text += kLineBreak;
      text += tune->BugText;
    }
  }
  if (!filtered || Options.ShowGlobalComment) {
    if (const TSTILInfo* comment = Find(folder)) text = comment->StilText + std::string(kLineBreak) + text;
  }
  return DoubleAmpersands(text);
}

TStilDatabase& Stil() {
  static TStilDatabase database;
  return database;
}

void LoadStil(const std::string& hvscDirectory) { Stil().Load(hvscDirectory); }

std::string GetStilText(const std::string& fileName, bool filtered) {
  return Stil().GetStilText(fileName, filtered);
}
