#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_platform.h"

namespace pidctl {
namespace {

using Calls = std::vector<std::string>;

const std::vector<std::u16string> kNoSelect = {u"pidctl", u"noselect", u"42"};

struct ModeCase {
  std::uint32_t read;
  std::string written;
};

class SwitchOffQuickEdit : public ::testing::TestWithParam<ModeCase> {};

TEST_P(SwitchOffQuickEdit,
       GivenInputMode_WhenSwitchingOffQuickEdit_ThenOnlyQuickEditAndExtendedFlagsChange) {
  RecordingPlatform platform;
  platform.setInputMode(GetParam().read);
  EXPECT_EQ(runPidctlWith(platform, kNoSelect).status, 0u);
  EXPECT_EQ(platform.calls().back(), "SetConsoleMode(conin, " + GetParam().written + ")");
}

INSTANTIATE_TEST_SUITE_P(ModesAsRead, SwitchOffQuickEdit,
                         ::testing::Values(ModeCase{0x1F7, "0x1B7"}, ModeCase{0x0007, "0x87"},
                                           ModeCase{0x0087, "0x87"}, ModeCase{0x0040, "0x80"},
                                           ModeCase{0x0000, "0x80"},
                                           ModeCase{0xFFFFFFFF, "0xFFFFFFBF"}));

TEST(OpenConsoleInput,
     GivenItOpensAsANullHandle_WhenSwitchingOffQuickEdit_ThenStatusIsItsLastError) {
  RecordingPlatform platform;
  platform.failedOpenReturns(nullptr);
  platform.fail("CreateFileW", 2);
  EXPECT_EQ(runPidctlWith(platform, kNoSelect).status, 2u);
  EXPECT_EQ(platform.calls().back(), "GetLastError()");
}

}  // namespace
}  // namespace pidctl
