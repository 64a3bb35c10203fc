#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "recording_platform.h"

namespace pidctl {
namespace {

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

class SetAppUserModelId : public ::testing::TestWithParam<StepFailureCase> {};

TEST_P(SetAppUserModelId,
       GivenCommandStepFails_WhenRunning_ThenStatusIsThePlatformCodeAndNoMessage) {
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

const Args kAppId = {u"pidctl", u"appusermodelid", u"42", u"id"};
const std::string kGetStore = "SHGetPropertyStoreForWindow(hwnd, IID_IPropertyStore, NULL)";
const std::string kSetValue = "SetValue(store, PKEY_AppUserModel_ID, VT_LPWSTR \"id\\u0000\")";

INSTANTIATE_TEST_SUITE_P(
    AppUserModelId, SetAppUserModelId,
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
                        {kGetStore, "CoTaskMemAlloc(6)", kSetValue, "Commit(store)"}}),
    [](const auto& info) { return info.param.operation; });

TEST(PropertyStoreResults, GivenPositiveResults_WhenSettingTheAppId_ThenTheyCountAsSuccess) {
  RecordingPlatform platform;
  platform.succeedWith("SHGetPropertyStoreForWindow", 1);
  platform.succeedWith("SetValue", 1);
  platform.succeedWith("Commit", 0x7FFFFFFF);
  EXPECT_EQ(runPidctlWith(platform, kAppId).status, 0u);
  EXPECT_EQ(platform.calls().back(), "Release(store)");
}

}  // namespace
}  // namespace pidctl
