#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_platform.h"

namespace pidctl {
namespace {

const Args kNoSelect = {u"pidctl", u"noselect", u"42"};

struct ModeCase {
  const char* name;
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

INSTANTIATE_TEST_SUITE_P(
    ModesAsRead, SwitchOffQuickEdit,
    ::testing::Values(ModeCase{"UsualMode", 0x1F7, "0x1B7"},
                      ModeCase{"QuickEditOffWithoutExtendedFlags", 0x0007, "0x87"},
                      ModeCase{"AlreadySwitchedOff", 0x0087, "0x87"},
                      ModeCase{"QuickEditOnly", 0x0040, "0x80"}, ModeCase{"NoFlag", 0x0000, "0x80"},
                      ModeCase{"EveryBit", 0xFFFFFFFF, "0xFFFFFFBF"}),
    [](const auto& info) { return std::string(info.param.name); });

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
