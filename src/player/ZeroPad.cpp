#include "player/ZeroPad.h"

std::string ZeroPad(int64_t value, int32_t width) {
  const bool negative = value < 0;
  // The magnitude of the most negative value does not fit in int64_t; take it unsigned.
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  const int64_t room = int64_t{width} - (negative ? 1 : 0);
  if (static_cast<int64_t>(digits.size()) < room) digits.insert(0, static_cast<size_t>(room) - digits.size(), '0');
  return negative ? "-" + digits : digits;
}
