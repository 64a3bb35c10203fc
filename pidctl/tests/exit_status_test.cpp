#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "recording_platform.h"

namespace pidctl {
namespace {

// A platform call whose failure ends the run with the last-error code.
struct FailingStep {
  Args args;
  std::string operation;
  Calls callsBefore;           // the run's calls before the step clears the code
  std::string call;            // the failing call as recorded
  std::uint32_t noCodeStatus;  // the status when the failure leaves no code
};

// How the last-error code stands when the step fails.
struct LastErrorCase {
  const char* name;
  std::uint32_t staleCode;               // left by calls before the step
  std::optional<std::uint32_t> codeSet;  // set by the failing call itself, if at all
};

const LastErrorCase kLastErrorCases[] = {
    {"CodeSetByTheCall", 0, 6},
    {"NoCode", 0, std::nullopt},
    {"OnlyAStaleCodeFromEarlier", 183, std::nullopt},
};

class CallForLastError : public ::testing::TestWithParam<std::tuple<FailingStep, LastErrorCase>> {};

TEST_P(CallForLastError,
       GivenPlatformStepFails_WhenRunning_ThenEndsThereWithItsCodeOrANonZeroStatusAndNoMessage) {
  const auto& [step, lastError] = GetParam();
  RecordingPlatform platform;
  platform.leaveLastError(lastError.staleCode);
  platform.fail(step.operation, lastError.codeSet);
  const RunOutcome outcome = runPidctlWith(platform, step.args);
  EXPECT_EQ(outcome.status, lastError.codeSet.value_or(step.noCodeStatus));
  EXPECT_EQ(outcome.errors, "");
  Calls expected = step.callsBefore;
  expected.insert(expected.end(), {"SetLastError(0)", step.call, "GetLastError()"});
  EXPECT_EQ(platform.calls(), expected);
}

constexpr std::uint32_t kGenFailure = 31;
constexpr std::uint32_t kInvalidWindowHandle = 1400;
constexpr std::uint32_t kAccessDenied = 5;

const Calls kFreed = {"SetLastError(0)", "FreeConsole()"};
const Calls kSwitched = afterSwitchToConsole42({});
const Calls kWindowFetched = afterSwitchToConsole42({"SetLastError(0)", "GetConsoleWindow()"});
const std::string kOpenInput = "CreateFileW(\"CONIN$\", 0xC0000000, 3, NULL, 3, 0, NULL)";
const std::string kIgnoreCtrlC = "SetConsoleCtrlHandler(NULL, TRUE)";

FailingStep windowMissing(const Args& args) {
  return {args, "GetConsoleWindow", kSwitched, "GetConsoleWindow()", kInvalidWindowHandle};
}

const FailingStep kFailingSteps[] = {
    {{u"pidctl", u"hide", u"42"}, "FreeConsole", {}, "FreeConsole()", kGenFailure},
    {{u"pidctl", u"hide", u"42"}, "AttachConsole", kFreed, "AttachConsole(42)", kGenFailure},
    // Neither the command word nor the value count is looked at after a failed switch.
    {{u"pidctl", u"Hide", u"42"}, "AttachConsole", kFreed, "AttachConsole(42)", kGenFailure},
    {{u"pidctl", u"title", u"42"}, "AttachConsole", kFreed, "AttachConsole(42)", kGenFailure},
    windowMissing({u"pidctl", u"hide", u"42"}),
    windowMissing({u"pidctl", u"show", u"42"}),
    windowMissing({u"pidctl", u"shownoactivate", u"42"}),
    windowMissing({u"pidctl", u"foreground", u"42"}),
    windowMissing({u"pidctl", u"title", u"42", u"t"}),
    windowMissing({u"pidctl", u"appusermodelid", u"42", u"id"}),
    {{u"pidctl", u"foreground", u"42"},
     "SetForegroundWindow",
     kWindowFetched,
     "SetForegroundWindow(hwnd)",
     kAccessDenied},
    {{u"pidctl", u"title", u"42", u"t"},
     "SetConsoleTitleW",
     kWindowFetched,
     "SetConsoleTitleW(\"t\")",
     kGenFailure},
    {{u"pidctl", u"ctrlc", u"42"}, "SetConsoleCtrlHandler", kSwitched, kIgnoreCtrlC, kGenFailure},
    {{u"pidctl", u"ctrlc", u"42"},
     "GenerateConsoleCtrlEvent",
     afterSwitchToConsole42({"SetLastError(0)", kIgnoreCtrlC}),
     "GenerateConsoleCtrlEvent(0, 0)",
     kGenFailure},
    {{u"pidctl", u"noselect", u"42"}, "CreateFileW", kSwitched, kOpenInput, kGenFailure},
    {{u"pidctl", u"noselect", u"42"},
     "GetConsoleMode",
     afterSwitchToConsole42({"SetLastError(0)", kOpenInput}),
     "GetConsoleMode(conin, mode 0x0)",
     kGenFailure},
    {{u"pidctl", u"noselect", u"42"},
     "SetConsoleMode",
     afterSwitchToConsole42(
         {"SetLastError(0)", kOpenInput, "SetLastError(0)", "GetConsoleMode(conin, mode 0x0)"}),
     "SetConsoleMode(conin, 0x80)",
     kGenFailure},
};

INSTANTIATE_TEST_SUITE_P(EveryStepThatEndsWithTheLastError, CallForLastError,
                         ::testing::Combine(::testing::ValuesIn(kFailingSteps),
                                            ::testing::ValuesIn(kLastErrorCases)),
                         [](const auto& info) {
                           const FailingStep& step = std::get<0>(info.param);
                           return step.operation + "_" + printable(step.args[1]) + "_" +
                                  std::get<1>(info.param).name;
                         });

}  // namespace
}  // namespace pidctl
