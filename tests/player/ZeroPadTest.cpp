#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "player/ZeroPad.h"

namespace {

struct TZeroPadCase {
  int64_t Value;
  int32_t Width;
  const char* Text;
};

TEST(ZeroPad, FillsToTheWidthAndNeverCutsANumber) {
  const TZeroPadCase cases[] = {
      {7, 3, "007"},    {123456, 5, "123456"}, {0, 3, "000"},
      {50, 5, "00050"}, {5, 0, "5"},           {5, -4, "5"},
      {99, 2, "99"},    {-7, 3, "-07"},        {std::numeric_limits<int64_t>::min(), 2, "-9223372036854775808"},
  };
  for (const TZeroPadCase& c : cases) EXPECT_EQ(ZeroPad(c.Value, c.Width), c.Text) << c.Value << " " << c.Width;
}

}  // namespace
