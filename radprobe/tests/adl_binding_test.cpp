#include "radprobe/adl_binding.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace radprobe {
namespace {

TEST(AdlResultName, GivenResultCodes_WhenNaming_ThenKnownCodesHaveNamesOthersAreUnknown) {
  EXPECT_STREQ(adlResultName(4), "ADL_OK_WAIT");
  EXPECT_STREQ(adlResultName(0), "ADL_OK");
  EXPECT_STREQ(adlResultName(-7), "ADL_ERR_INVALID_DIPLAY_IDX");
  EXPECT_STREQ(adlResultName(-12), "ADL_ERR_RESOURCE_CONFLICT");
  EXPECT_STREQ(adlResultName(-21), "ADL_ERR_NO_XDISPLAY");
  for (const int unknown : {5, -13, -15, -19, -22, 2147483647, -2147483647 - 1}) {
    EXPECT_STREQ(adlResultName(unknown), "ADL_UNKNOWN_ERROR") << unknown;
  }
}

// A name copied from a neighbouring code would report one failure under another's name.
TEST(AdlResultName, GivenEveryNamedCode_WhenNaming_ThenNoTwoCodesShareAName) {
  std::map<std::string, int> codeOfName;
  for (int code = -64; code <= 64; ++code) {
    const std::string name = adlResultName(code);
    if (name == "ADL_UNKNOWN_ERROR") continue;
    const auto [place, added] = codeOfName.emplace(name, code);
    EXPECT_TRUE(added) << name << " names both " << place->second << " and " << code;
  }
  EXPECT_EQ(codeOfName.size(), 19u);
}

TEST(AdlSucceeded, GivenResultCodes_WhenChecking_ThenOnlyOkAndWarningSucceed) {
  EXPECT_TRUE(adl::succeeded(0));
  EXPECT_TRUE(adl::succeeded(1));
  for (const int failed : {2, 3, 4, -1, -2147483647 - 1}) EXPECT_FALSE(adl::succeeded(failed));
}

}  // namespace
}  // namespace radprobe
