#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_platform.h"

namespace pidctl {
namespace {

// A command line that pidctl refuses with a message and status 1.
struct CommandLineErrorCase {
  const char* name;
  Args args;
  std::string message;
};

const auto rowName = [](const auto& info) { return std::string(info.param.name); };

// Command-line errors found before the console is touched.
class CommandLineCheck : public ::testing::TestWithParam<CommandLineErrorCase> {};

TEST_P(CommandLineCheck,
       GivenCommandLineRejectedBeforeTheSwitch_WhenRunning_ThenMessageAndStatus1AndNoConsoleCall) {
  RecordingPlatform platform;
  const RunOutcome outcome = runPidctlWith(platform, GetParam().args);
  EXPECT_EQ(outcome.status, 1u);
  EXPECT_EQ(outcome.errors, GetParam().message + "\n");
  EXPECT_TRUE(platform.calls().empty());
}

INSTANTIATE_TEST_SUITE_P(
    UsageAndPid, CommandLineCheck,
    ::testing::Values(
        CommandLineErrorCase{"NoArguments", {u"pidctl"}, "Usage: pidctl <command> <pid>"},
        CommandLineErrorCase{"NoPid", {u"pidctl", u"hide"}, "Usage: pidctl <command> <pid>"},
        CommandLineErrorCase{
            "NoPidForACommandWithValue", {u"pidctl", u"title"}, "Usage: pidctl <command> <pid>"},
        CommandLineErrorCase{"EmptyPid", {u"pidctl", u"hide", u""}, "Invalid pid"},
        CommandLineErrorCase{"LettersForPid", {u"pidctl", u"hide", u"abc"}, "Invalid pid"},
        CommandLineErrorCase{
            "PidBeyondTheSigned32BitRange", {u"pidctl", u"hide", u"2147483648"}, "Invalid pid"},
        CommandLineErrorCase{
            "PidOfAllUnsigned32Bits", {u"pidctl", u"hide", u"4294967295"}, "Invalid pid"},
        // The pid is checked before the command word is looked up.
        CommandLineErrorCase{
            "BadPidBeforeAnUnknownCommand", {u"pidctl", u"bogus", u"x"}, "Invalid pid"},
        CommandLineErrorCase{
            "BadPidBeforeACommandWithValue", {u"pidctl", u"title", u"x", u"t"}, "Invalid pid"}),
    rowName);

// The pid's 32 bits reach AttachConsole unchanged.
struct AttachCase {
  const char* name;
  std::u16string pidText;
  std::string attachCall;
};

class ConsoleSwitch : public ::testing::TestWithParam<AttachCase> {};

TEST_P(ConsoleSwitch, GivenValidPidText_WhenSwitchingConsoles_ThenAttachesToItsUnsignedBits) {
  RecordingPlatform platform;
  runPidctlWith(platform, {u"pidctl", u"noword", GetParam().pidText});
  EXPECT_EQ(platform.calls(),
            (Calls{"SetLastError(0)", "FreeConsole()", "SetLastError(0)", GetParam().attachCall}));
}

INSTANTIATE_TEST_SUITE_P(
    SignedAndUnsigned, ConsoleSwitch,
    ::testing::Values(AttachCase{"MinusOne", u"-1", "AttachConsole(4294967295)"},
                      AttachCase{"Smallest", u"-2147483648", "AttachConsole(2147483648)"},
                      AttachCase{"Largest", u"2147483647", "AttachConsole(2147483647)"},
                      AttachCase{"BlankSignAndTrailingLetters", u" +42abc", "AttachConsole(42)"},
                      AttachCase{"Zero", u"0", "AttachConsole(0)"}),
    rowName);

// Errors of the command word and its value, found after the switch.
class CommandLookup : public ::testing::TestWithParam<CommandLineErrorCase> {};

TEST_P(CommandLookup,
       GivenCommandRejectedAfterTheSwitch_WhenRunning_ThenMessageAndStatus1AfterAttaching) {
  RecordingPlatform platform;
  const RunOutcome outcome = runPidctlWith(platform, GetParam().args);
  EXPECT_EQ(outcome.status, 1u);
  EXPECT_EQ(outcome.errors, GetParam().message + "\n");
  EXPECT_EQ(platform.calls(), afterSwitchToConsole42({}));
}

const std::string kInvalidCommand = "Invalid command";
const std::string kTitleUsage = "Usage: pidctl title <pid> <title>";
const std::string kAppIdUsage = "Usage: pidctl appusermodelid <pid> <appid>";

INSTANTIATE_TEST_SUITE_P(
    UnknownWords, CommandLookup,
    ::testing::Values(
        CommandLineErrorCase{"CapitalInitial", {u"pidctl", u"Hide", u"42"}, kInvalidCommand},
        CommandLineErrorCase{"AllCapitals", {u"pidctl", u"HIDE", u"42"}, kInvalidCommand},
        CommandLineErrorCase{"LeadingBlank", {u"pidctl", u" hide", u"42"}, kInvalidCommand},
        CommandLineErrorCase{"TrailingBlank", {u"pidctl", u"hide ", u"42"}, kInvalidCommand},
        CommandLineErrorCase{"Abbreviation", {u"pidctl", u"showno", u"42"}, kInvalidCommand},
        CommandLineErrorCase{
            "OneLetterShort", {u"pidctl", u"shownoactivat", u"42"}, kInvalidCommand},
        CommandLineErrorCase{
            "OneLetterLong", {u"pidctl", u"shownoactivatee", u"42"}, kInvalidCommand},
        CommandLineErrorCase{
            "TrailingNul", {u"pidctl", std::u16string(u"hide\0", 5), u"42"}, kInvalidCommand},
        CommandLineErrorCase{"EmptyWord", {u"pidctl", u"", u"42"}, kInvalidCommand}),
    rowName);

INSTANTIATE_TEST_SUITE_P(
    MissingOrSplitValue, CommandLookup,
    ::testing::Values(
        CommandLineErrorCase{"TitleWithoutValue", {u"pidctl", u"title", u"42"}, kTitleUsage},
        CommandLineErrorCase{
            "TitleWithTwoValues", {u"pidctl", u"title", u"42", u"a", u"b"}, kTitleUsage},
        CommandLineErrorCase{
            "AppIdWithoutValue", {u"pidctl", u"appusermodelid", u"42"}, kAppIdUsage},
        CommandLineErrorCase{
            "AppIdWithTwoValues", {u"pidctl", u"appusermodelid", u"42", u"a", u"b"}, kAppIdUsage}),
    rowName);

// Each command word runs its own action, to the end, with status 0.
struct CommandCase {
  const char* name;
  Args args;
  Calls commandCalls;
};

class CommandDispatch : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandDispatch, GivenCommandSucceeds_WhenRunning_ThenMakesItsCallsInOrderAndStatusIs0) {
  RecordingPlatform platform;
  platform.setInputMode(0x1F7);
  const RunOutcome outcome = runPidctlWith(platform, GetParam().args);
  EXPECT_EQ(outcome.status, 0u);
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(platform.calls(), afterSwitchToConsole42(GetParam().commandCalls));
}

const Calls kFetchWindow = {"SetLastError(0)", "GetConsoleWindow()"};

Calls fetchWindowThen(const Calls& calls) {
  Calls all = kFetchWindow;
  all.insert(all.end(), calls.begin(), calls.end());
  return all;
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, CommandDispatch,
    ::testing::Values(
        CommandCase{"Hide", {u"pidctl", u"hide", u"42"}, fetchWindowThen({"ShowWindow(hwnd, 0)"})},
        CommandCase{"HideIgnoresAnExtraArgument",
                    {u"pidctl", u"hide", u"42", u"extra"},
                    fetchWindowThen({"ShowWindow(hwnd, 0)"})},
        CommandCase{"Show", {u"pidctl", u"show", u"42"}, fetchWindowThen({"ShowWindow(hwnd, 5)"})},
        CommandCase{"ShowNoActivate",
                    {u"pidctl", u"shownoactivate", u"42"},
                    fetchWindowThen({"ShowWindow(hwnd, 4)"})},
        CommandCase{"ForegroundIgnoresExtraArguments",
                    {u"pidctl", u"foreground", u"42", u"x", u"y"},
                    fetchWindowThen({"SetLastError(0)", "SetForegroundWindow(hwnd)"})},
        CommandCase{
            "TitleBeyondAscii",
            {u"pidctl", u"title", u"42", u"Build \u00FC \xD83D\xDE00 \xDC00"},
            fetchWindowThen({"SetLastError(0)",
                             "SetConsoleTitleW(\"Build \\u00FC \\uD83D\\uDE00 \\uDC00\")"})},
        CommandCase{"EmptyTitle",
                    {u"pidctl", u"title", u"42", u""},
                    fetchWindowThen({"SetLastError(0)", "SetConsoleTitleW(\"\")"})},
        CommandCase{
            "AppId",
            {u"pidctl", u"appusermodelid", u"42", u"Co.App"},
            fetchWindowThen({"SHGetPropertyStoreForWindow(hwnd, IID_IPropertyStore, NULL)",
                             "CoTaskMemAlloc(14)",
                             "SetValue(store, PKEY_AppUserModel_ID, VT_LPWSTR \"Co.App\\u0000\")",
                             "Commit(store)", "PropVariantClear(VT_LPWSTR \"Co.App\\u0000\")",
                             "Release(store)"})},
        // Characters outside the BMP take two code units each, and the size counts units.
        CommandCase{"AppIdBeyondTheBmp",
                    {u"pidctl", u"appusermodelid", u"42", u"App \U0001F600\U0001D11E"},
                    fetchWindowThen({"SHGetPropertyStoreForWindow(hwnd, IID_IPropertyStore, NULL)",
                                     "CoTaskMemAlloc(18)",
                                     "SetValue(store, PKEY_AppUserModel_ID, VT_LPWSTR \"App "
                                     "\\uD83D\\uDE00\\uD834\\uDD1E\\u0000\")",
                                     "Commit(store)",
                                     "PropVariantClear(VT_LPWSTR \"App "
                                     "\\uD83D\\uDE00\\uD834\\uDD1E\\u0000\")",
                                     "Release(store)"})},
        CommandCase{"EmptyAppId",
                    {u"pidctl", u"appusermodelid", u"42", u""},
                    fetchWindowThen({"SHGetPropertyStoreForWindow(hwnd, IID_IPropertyStore, NULL)",
                                     "CoTaskMemAlloc(2)",
                                     "SetValue(store, PKEY_AppUserModel_ID, VT_LPWSTR \"\\u0000\")",
                                     "Commit(store)", "PropVariantClear(VT_LPWSTR \"\\u0000\")",
                                     "Release(store)"})},
        CommandCase{"CtrlCIgnoresAnExtraArgument",
                    {u"pidctl", u"ctrlc", u"42", u"extra"},
                    {"SetLastError(0)", "SetConsoleCtrlHandler(NULL, TRUE)", "SetLastError(0)",
                     "GenerateConsoleCtrlEvent(0, 0)"}},
        CommandCase{"NoSelect",
                    {u"pidctl", u"noselect", u"42"},
                    {"SetLastError(0)", "CreateFileW(\"CONIN$\", 0xC0000000, 3, NULL, 3, 0, NULL)",
                     "SetLastError(0)", "GetConsoleMode(conin, mode 0x0)", "SetLastError(0)",
                     "SetConsoleMode(conin, 0x1B7)"}}),
    rowName);

}  // namespace
}  // namespace pidctl
