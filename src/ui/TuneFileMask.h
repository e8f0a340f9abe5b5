#pragma once
// The file list's mask: the extensions of the tune files this program reads, compared without
// regard to case, plus names that have no extension at all (C64 program files often have none).
#include <QString>

inline constexpr const char* TuneFileMask =
    "*.sid;*.mus;*.psid;*.rsid;*.dat;*.prg;*.p?0;*.p?1;*.p?2;*.p?3;*.p?4;*.p?5;*.p?6;*.p?7;*.p?8;*.p9?;*.";

// True when the file name (without its folder) matches one element of the mask. "*." matches a
// name without a dot; "?" matches one character, "*" any run.
bool MatchesMask(const QString& fileName, const QString& mask);
inline bool IsTuneFileName(const QString& fileName) { return MatchesMask(fileName, TuneFileMask); }
