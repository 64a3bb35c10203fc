#include "adapter_members.h"

#include <gtest/gtest.h>

namespace radprobe {
namespace {

TEST(AsicTypeList, GivenMasks_WhenListing_ThenNamesFollowBitOrderWithUnknownPerHighBit) {
  EXPECT_EQ(asicTypeList(0), "[]");
  EXPECT_EQ(asicTypeList(0x21 & 0x01), R"(["ADL_ASIC_DISCRETE"])");
  EXPECT_EQ(asicTypeList((1u << 0) | (1u << 5) | (1u << 9)),
            R"(["ADL_ASIC_DISCRETE", "ADL_ASIC_FUSION", "ADL_ASIC_UNKNOWN"])");
  EXPECT_EQ(asicTypeList(0x80000102u),
            R"(["ADL_ASIC_INTEGRATED", "ADL_ASIC_UNKNOWN", "ADL_ASIC_UNKNOWN"])");
}

}  // namespace
}  // namespace radprobe
