#pragma once
// The 40x25 text screen the VIC shows, as plain ASCII lines.
#include <cstdint>
#include <string>

class T6510;

// A screen code (upper-case character set) as a printable ASCII character; reversed characters
// show as their normal form, graphics as '.'.
char ScreenCodeToAscii(uint8_t code);

// The address of the screen matrix, from the VIC bank (CIA 2 port A) and $D018.
uint16_t ScreenAddress(const T6510& machine);

// 25 lines, trailing blanks removed, each ending in a line feed.
std::string TextScreen(const T6510& machine);
