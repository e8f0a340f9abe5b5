// STIL and bug list texts, then the text of every path the input names.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "knowledge/Stil.h"
#include "knowledge/TextFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TStilDatabase database;
  database.ReadText(text, TStilSection::Stil);
  database.ReadText(text.substr(size / 2), TStilSection::Bug);
  database.SetRoot("/C64Music/");
  TLineReader lines(text);
  std::string_view line;
  bool filtered = false;
  while (lines.Next(line)) {
    database.Options = TStilOptions{filtered, !filtered, line.size() % 2 == 0};
    database.GetStilText("/C64Music" + std::string(line), filtered);
    filtered = !filtered;
  }
  return 0;
}
