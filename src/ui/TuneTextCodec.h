#pragma once
// The tune record's texts as the program shows them: PSID and RSID credits are Latin-1, the names
// taken from program files are file names in the system's encoding.
#include <QString>
#include <string>

QString DecodeTuneText(const std::string& text, bool programFile);
