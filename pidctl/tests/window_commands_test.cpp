#include <gtest/gtest.h>

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

// How GetConsoleWindow leaves the last-error code when it returns null.
struct MissingWindowCase {
  const char* name;
  std::uint32_t staleCode;  // left by calls before it
  bool setsCode;            // whether the null return sets a code of its own
  std::uint32_t expectedStatus;
};

const MissingWindowCase kMissingWindowCases[] = {
    {"CodeSetByTheCall", 0, true, 6},
    {"NoCode", 0, false, 1400},
    {"OnlyAStaleCodeFromEarlier", 183, false, 1400},
};

class GivenNullConsoleWindow
    : public ::testing::TestWithParam<std::tuple<Args, MissingWindowCase>> {};

TEST_P(GivenNullConsoleWindow, WhenRunningAWindowCommand_ThenEndsWithItsStatusAndNoMessage) {
  const auto& [args, missing] = GetParam();
  RecordingPlatform platform;
  platform.leaveLastError(missing.staleCode);
  if (missing.setsCode) {
    platform.fail("GetConsoleWindow", 6);
  } else {
    platform.failSilently("GetConsoleWindow");
  }
  const RunOutcome outcome = runPidctlWith(platform, args);
  EXPECT_EQ(outcome.status, missing.expectedStatus);
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(platform.calls(), (Calls{"FreeConsole()", "AttachConsole(42)", "SetLastError(0)",
                                     "GetConsoleWindow()", "GetLastError()"}));
}

INSTANTIATE_TEST_SUITE_P(AllSixCommands, GivenNullConsoleWindow,
                         ::testing::Combine(::testing::ValuesIn(kWindowCommands),
                                            ::testing::ValuesIn(kMissingWindowCases)),
                         [](const auto& info) {
                           const Args& args = std::get<0>(info.param);
                           return printable(args[1]) + "_" + std::get<1>(info.param).name;
                         });

// A step after the console window fails; the run ends right after reading its result.
struct StepFailureCase {
  Args args;
  std::string operation;
  std::uint32_t code;  // last-error code, or the HRESULT of a property-store step
  bool setsCode;
  std::uint32_t expectedStatus;
  Calls callsAfterWindow;
};

class GivenCommandStepFails : public ::testing::TestWithParam<StepFailureCase> {};

TEST_P(GivenCommandStepFails, WhenRunning_ThenStatusIsThePlatformCodeAndNoMessage) {
  const StepFailureCase& step = GetParam();
  RecordingPlatform platform;
  platform.leaveLastError(183);
  if (step.setsCode) {
    platform.fail(step.operation, step.code);
  } else {
    platform.failSilently(step.operation);
  }
  const RunOutcome outcome = runPidctlWith(platform, step.args);
  EXPECT_EQ(outcome.status, step.expectedStatus);
  EXPECT_EQ(outcome.errors, "");
  Calls expected = {"FreeConsole()", "AttachConsole(42)", "SetLastError(0)", "GetConsoleWindow()"};
  expected.insert(expected.end(), step.callsAfterWindow.begin(), step.callsAfterWindow.end());
  EXPECT_EQ(platform.calls(), expected);
}

const Args kForeground = {u"pidctl", u"foreground", u"42"};
const Args kAppId = {u"pidctl", u"appusermodelid", u"42", u"id"};
const std::string kGetStore = "SHGetPropertyStoreForWindow(hwnd, IID_IPropertyStore, NULL)";
const std::string kSetValue = "SetValue(store, PKEY_AppUserModel_ID, VT_LPWSTR \"id\")";

INSTANTIATE_TEST_SUITE_P(
    ForegroundAndTitle, GivenCommandStepFails,
    ::testing::Values(
        StepFailureCase{kForeground,
                        "SetForegroundWindow",
                        1459,
                        true,
                        1459,
                        {"SetLastError(0)", "SetForegroundWindow(hwnd)", "GetLastError()"}},
        // A refusal that leaves no code must not end with 0, nor with a stale code.
        StepFailureCase{kForeground,
                        "SetForegroundWindow",
                        0,
                        false,
                        5,
                        {"SetLastError(0)", "SetForegroundWindow(hwnd)", "GetLastError()"}},
        StepFailureCase{{u"pidctl", u"title", u"42", u"t"},
                        "SetConsoleTitleW",
                        8,
                        true,
                        8,
                        {"SetConsoleTitleW(\"t\")", "GetLastError()"}}));

INSTANTIATE_TEST_SUITE_P(
    AppUserModelId, GivenCommandStepFails,
    ::testing::Values(
        StepFailureCase{
            kAppId, "SHGetPropertyStoreForWindow", 0x80004001, true, 0x80004001, {kGetStore}},
        StepFailureCase{
            kAppId, "CoTaskMemAlloc", 0, false, 0x8007000E, {kGetStore, "CoTaskMemAlloc(6)"}},
        StepFailureCase{kAppId,
                        "SetValue",
                        0x80070005,
                        true,
                        0x80070005,
                        {kGetStore, "CoTaskMemAlloc(6)", kSetValue}},
        StepFailureCase{kAppId,
                        "Commit",
                        0x8000FFFF,
                        true,
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
