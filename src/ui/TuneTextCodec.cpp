#include "ui/TuneTextCodec.h"

QString DecodeTuneText(const std::string& text, bool programFile) {
  return programFile ? QString::fromLocal8Bit(text) : QString::fromLatin1(text);
}
