#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "recording_platform.h"

namespace pidctl::testing {
namespace {

using Calls = std::vector<std::string>;
using Args = std::vector<std::u16string>;

const std::vector<Args> kWindowCommands = {
    {u"pidctl", u"hide", u"42"},           {u"pidctl", u"show", u"42"},
    {u"pidctl", u"shownoactivate", u"42"}, {u"pidctl", u"foreground", u"42"},
    {u"pidctl", u"title", u"42", u"t"},    {u"pidctl", u"appusermodelid", u"42", u"id"}};

// How the last-error code stands when GetConsoleWindow returns null.
struct MissingWindowCase {
  const char* name;
  std::uint32_t staleCode;               // left by calls before it
  std::optional<std::uint32_t> codeSet;  // set by the null return itself, if at all
  std::uint32_t expectedStatus;
};

const MissingWindowCase kMissingWindowCases[] = {
    {"CodeSetByTheCall", 0, 6, 6},
    {"NoCode", 0, std::nullopt, 1400},
    {"OnlyAStaleCodeFromEarlier", 183, std::nullopt, 1400},
};

class GivenNullConsoleWindow
    : public ::testing::TestWithParam<std::tuple<Args, MissingWindowCase>> {};

TEST_P(GivenNullConsoleWindow, WhenRunningAWindowCommand_ThenEndsWithItsStatusAndNoMessage) {
  const auto& [args, missing] = GetParam();
  RecordingPlatform platform;
  platform.leaveLastError(missing.staleCode);
  platform.fail("GetConsoleWindow", missing.codeSet);
  const RunOutcome outcome = runPidctlWith(platform, args);
  EXPECT_EQ(outcome.status, missing.expectedStatus);
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(platform.calls(),
            afterSwitchToConsole42({"SetLastError(0)", "GetConsoleWindow()", "GetLastError()"}));
}

INSTANTIATE_TEST_SUITE_P(AllSixCommands, GivenNullConsoleWindow,
                         ::testing::Combine(::testing::ValuesIn(kWindowCommands),
                                            ::testing::ValuesIn(kMissingWindowCases)),
                         [](const auto& info) {
                           const Args& args = std::get<0>(info.param);
                           return printable(args[1]) + "_" + std::get<1>(info.param).name;
                         });

// A step after the console window fails; the run ends right after reading its result. A
// stale last-error code of 183 stands before the command starts.
struct StepFailureCase {
  Args args;
  std::string operation;
  // The last-error code the failure leaves, or the HRESULT of a property-store step.
  std::optional<std::uint32_t> code;
  std::uint32_t expectedStatus;
  Calls callsAfterWindow;
};

class GivenCommandStepFails : public ::testing::TestWithParam<StepFailureCase> {};

TEST_P(GivenCommandStepFails, WhenRunning_ThenStatusIsThePlatformCodeAndNoMessage) {
  const StepFailureCase& step = GetParam();
  RecordingPlatform platform;
  platform.leaveLastError(183);
  platform.fail(step.operation, step.code);
  const RunOutcome outcome = runPidctlWith(platform, step.args);
  EXPECT_EQ(outcome.status, step.expectedStatus);
  EXPECT_EQ(outcome.errors, "");
  Calls expected = afterSwitchToConsole42({"SetLastError(0)", "GetConsoleWindow()"});
  expected.insert(expected.end(), step.callsAfterWindow.begin(), step.callsAfterWindow.end());
  EXPECT_EQ(platform.calls(), expected);
}

const Args kForeground = {u"pidctl", u"foreground", u"42"};
const Args kAppId = {u"pidctl", u"appusermodelid", u"42", u"id"};
const Calls kRefusedForeground = {"SetLastError(0)", "SetForegroundWindow(hwnd)", "GetLastError()"};
const std::string kGetStore = "SHGetPropertyStoreForWindow(hwnd, IID_IPropertyStore, NULL)";
const std::string kSetValue = "SetValue(store, PKEY_AppUserModel_ID, VT_LPWSTR \"id\")";

INSTANTIATE_TEST_SUITE_P(
    ForegroundAndTitle, GivenCommandStepFails,
    ::testing::Values(
        StepFailureCase{kForeground, "SetForegroundWindow", 1459, 1459, kRefusedForeground},
        // A refusal that leaves no code must not end with 0, nor with the stale code.
        StepFailureCase{kForeground, "SetForegroundWindow", std::nullopt, 5, kRefusedForeground},
        StepFailureCase{{u"pidctl", u"title", u"42", u"t"},
                        "SetConsoleTitleW",
                        8,
                        8,
                        {"SetConsoleTitleW(\"t\")", "GetLastError()"}}));

INSTANTIATE_TEST_SUITE_P(
    AppUserModelId, GivenCommandStepFails,
    ::testing::Values(
        StepFailureCase{kAppId, "SHGetPropertyStoreForWindow", 0x80004001, 0x80004001, {kGetStore}},
        StepFailureCase{
            kAppId, "CoTaskMemAlloc", std::nullopt, 0x8007000E, {kGetStore, "CoTaskMemAlloc(6)"}},
        StepFailureCase{kAppId,
                        "SetValue",
                        0x80070005,
                        0x80070005,
                        {kGetStore, "CoTaskMemAlloc(6)", kSetValue}},
        StepFailureCase{kAppId,
                        "Commit",
                        0x8000FFFF,
                        0x8000FFFF,
                        {kGetStore, "CoTaskMemAlloc(6)", kSetValue, "Commit(store)"}}));

TEST(GivenPropertyStoreStepsReturnPositiveResults, WhenSettingTheAppId_ThenTheyCountAsSuccess) {
  RecordingPlatform platform;
  platform.succeedWith("SHGetPropertyStoreForWindow", 1);
  platform.succeedWith("SetValue", 1);
  platform.succeedWith("Commit", 0x7FFFFFFF);
  EXPECT_EQ(runPidctlWith(platform, kAppId).status, 0u);
  EXPECT_EQ(platform.calls().back(), "Release(store)");
}

}  // namespace
}  // namespace pidctl::testing
