#include "radprobe/adapter_members.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

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

// Each of the eight defined bits has a name of its own, listed at its bit's place: a name
// copied from a neighbouring bit would report one ASIC type as another.
TEST(AsicTypeList, GivenTheEightDefinedBits_WhenListing_ThenEachHasItsOwnNameInBitOrder) {
  std::string joined = "[";
  std::set<std::string> names;
  for (int position = 0; position < 8; ++position) {
    const std::string single = asicTypeList(1u << position);
    EXPECT_NE(single, R"(["ADL_ASIC_UNKNOWN"])") << "bit " << position;
    EXPECT_TRUE(names.insert(single).second) << single << " names two bits";
    joined += (position == 0 ? "" : ", ") + single.substr(1, single.size() - 2);
  }
  EXPECT_EQ(asicTypeList(0xFF), joined + "]");
}

}  // namespace
}  // namespace radprobe
