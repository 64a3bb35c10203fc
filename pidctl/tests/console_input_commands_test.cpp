#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_platform.h"

namespace pidctl::testing {
namespace {

using Calls = std::vector<std::string>;

const std::vector<std::u16string> kNoSelect = {u"pidctl", u"noselect", u"42"};
const std::vector<std::u16string> kCtrlC = {u"pidctl", u"ctrlc", u"42"};
const std::string kOpenInput = "CreateFileW(\"CONIN$\", 0xC0000000, 3, NULL, 3, 0, NULL)";

struct ModeCase {
  std::uint32_t read;
  std::string written;
};

class GivenInputMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(GivenInputMode, WhenSwitchingOffQuickEdit_ThenOnlyQuickEditAndExtendedFlagsChange) {
  RecordingPlatform platform;
  platform.setInputMode(GetParam().read);
  EXPECT_EQ(runPidctlWith(platform, kNoSelect).status, 0u);
  EXPECT_EQ(platform.calls().back(), "SetConsoleMode(conin, " + GetParam().written + ")");
}

INSTANTIATE_TEST_SUITE_P(ModesAsRead, GivenInputMode,
                         ::testing::Values(ModeCase{0x1F7, "0x1B7"}, ModeCase{0x0007, "0x87"},
                                           ModeCase{0x0087, "0x87"}, ModeCase{0x0040, "0x80"},
                                           ModeCase{0x0000, "0x80"},
                                           ModeCase{0xFFFFFFFF, "0xFFFFFFBF"}));

struct InputFailureCase {
  std::vector<std::u16string> args;
  std::string operation;
  Calls callsAfterSwitch;
};

class GivenConsoleInputStepFails : public ::testing::TestWithParam<InputFailureCase> {};

TEST_P(GivenConsoleInputStepFails, WhenRunning_ThenStatusIsItsLastErrorAndNothingFollows) {
  RecordingPlatform platform;
  platform.fail(GetParam().operation, 31);
  const RunOutcome outcome = runPidctlWith(platform, GetParam().args);
  EXPECT_EQ(outcome.status, 31u);
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(platform.calls(), afterSwitchToConsole42(GetParam().callsAfterSwitch));
}

INSTANTIATE_TEST_SUITE_P(
    CtrlCAndNoSelect, GivenConsoleInputStepFails,
    ::testing::Values(InputFailureCase{kCtrlC,
                                       "SetConsoleCtrlHandler",
                                       {"SetConsoleCtrlHandler(NULL, TRUE)", "GetLastError()"}},
                      InputFailureCase{kCtrlC,
                                       "GenerateConsoleCtrlEvent",
                                       {"SetConsoleCtrlHandler(NULL, TRUE)",
                                        "GenerateConsoleCtrlEvent(0, 0)", "GetLastError()"}},
                      InputFailureCase{kNoSelect, "CreateFileW", {kOpenInput, "GetLastError()"}},
                      InputFailureCase{
                          kNoSelect,
                          "GetConsoleMode",
                          {kOpenInput, "GetConsoleMode(conin, mode 0x0)", "GetLastError()"}},
                      InputFailureCase{kNoSelect,
                                       "SetConsoleMode",
                                       {kOpenInput, "GetConsoleMode(conin, mode 0x0)",
                                        "SetConsoleMode(conin, 0x80)", "GetLastError()"}}));

TEST(GivenConsoleInputOpensAsNullHandle, WhenSwitchingOffQuickEdit_ThenStatusIsItsLastError) {
  RecordingPlatform platform;
  platform.failedOpenReturns(nullptr);
  platform.fail("CreateFileW", 2);
  EXPECT_EQ(runPidctlWith(platform, kNoSelect).status, 2u);
  EXPECT_EQ(platform.calls().back(), "GetLastError()");
}

}  // namespace
}  // namespace pidctl::testing
