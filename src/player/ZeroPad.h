#pragma once
#include <cstdint>
#include <string>

// The decimal digits of value left-filled with "0" to width characters; a longer number is kept
// whole. A negative value keeps its sign in front of the padded digits.
std::string ZeroPad(int64_t value, int32_t width);
