#pragma once
// Tune fingerprints: 32 lower-case hexadecimal MD5 characters, the keys of the HVSC song length
// database.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tune/FileBytes.h"

// A PSID or RSID file: its data after the embedded load address, the stored init and play
// addresses and song count, one timing byte per song and a marker for NTSC-only tunes.
std::string SidFingerprint(const TFileBytes& file);

// A program file whose two-byte load address sits at headerLength: the bytes after it.
std::string ProgramFingerprint(const TFileBytes& file, size_t headerLength);

// Whether song (counted from 0) runs from the CIA timer rather than the vertical blank.
bool CiaTimed(uint32_t speed, unsigned song, bool playSidSpecific);
