#include "radprobe/overdrive_members.h"

#include <gtest/gtest.h>

namespace radprobe {
namespace {

TEST(FanPercentFromRpm, GivenRpmAndMaximum_WhenComputing_ThenExactQuotientWithoutOverflow) {
  EXPECT_EQ(fanPercentFromRpm(1500, 3000), 50);
  EXPECT_EQ(fanPercentFromRpm(2999, 3000), 99);
  EXPECT_EQ(fanPercentFromRpm(2147483647, 1), 214748364700LL);
  EXPECT_EQ(fanPercentFromRpm(-1500, 3000), -50);
  EXPECT_EQ(fanPercentFromRpm(1500, 0), std::nullopt);
  EXPECT_EQ(fanPercentFromRpm(1500, -3000), std::nullopt);
}

}  // namespace
}  // namespace radprobe
