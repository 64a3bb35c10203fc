#include "pidctl.h"

#include <array>
#include <optional>
#include <string_view>

#include "console_input_commands.h"
#include "pid_text.h"
#include "window_commands.h"

namespace pidctl {
namespace {

using Action = ExitStatus (*)(ConsolePlatform& platform, const std::u16string& value);

struct Command {
  std::u16string_view word;
  // Set for the commands that take a value: they need exactly four arguments.
  std::string_view valueUsage;
  Action action;
};

constexpr std::array kCommands{
    Command{
        u"hide",
        {},
        [](ConsolePlatform& p, const std::u16string&) { return showConsoleWindow(p, kSwHide); }},
    Command{
        u"show",
        {},
        [](ConsolePlatform& p, const std::u16string&) { return showConsoleWindow(p, kSwShow); }},
    Command{u"shownoactivate",
            {},
            [](ConsolePlatform& p, const std::u16string&) {
              return showConsoleWindow(p, kSwShowNoActivate);
            }},
    Command{u"foreground",
            {},
            [](ConsolePlatform& p, const std::u16string&) {
              return bringConsoleWindowToForeground(p);
            }},
    Command{u"appusermodelid", "Usage: pidctl appusermodelid <pid> <appid>", setAppUserModelId},
    Command{u"ctrlc", {}, [](ConsolePlatform& p, const std::u16string&) { return sendCtrlC(p); }},
    Command{u"noselect",
            {},
            [](ConsolePlatform& p, const std::u16string&) { return switchOffQuickEdit(p); }},
    Command{u"title", "Usage: pidctl title <pid> <title>", setConsoleTitle},
};

constexpr std::size_t kLeastArgumentCount = 3;
constexpr std::size_t kArgumentCountWithValue = 4;

ExitStatus reportCommandLineError(std::ostream& errors, std::string_view message) {
  errors << message << '\n' << std::flush;
  return kCommandLineError;
}

// Matching is exact: same length, same code units, case included.
const Command* findCommand(std::u16string_view word) {
  for (const Command& command : kCommands) {
    if (command.word == word) return &command;
  }
  return nullptr;
}

// Leaves this process's console for the target's; the pid's 32 bits go to the platform
// unchanged, so -1 names the console of this process's parent.
ExitStatus switchToConsoleOf(ConsolePlatform& platform, std::int32_t pid) {
  if (!platform.freeConsole()) return lastError(platform);
  if (!platform.attachConsole(static_cast<std::uint32_t>(pid))) return lastError(platform);
  return kSuccess;
}

}  // namespace

ExitStatus runPidctl(std::span<const std::u16string> args, ConsolePlatform& platform,
                     std::ostream& errors) {
  if (args.size() < kLeastArgumentCount) {
    return reportCommandLineError(errors, "Usage: pidctl <command> <pid>");
  }
  const std::u16string& word = args[1];
  const std::optional<std::int32_t> pid = parsePidText(args[2]);
  if (!pid) return reportCommandLineError(errors, "Invalid pid");

  if (const ExitStatus failure = switchToConsoleOf(platform, *pid)) return failure;

  const Command* command = findCommand(word);
  if (command == nullptr) return reportCommandLineError(errors, "Invalid command");
  const bool takesValue = !command->valueUsage.empty();
  if (takesValue && args.size() != kArgumentCountWithValue) {
    return reportCommandLineError(errors, command->valueUsage);
  }
  static const std::u16string noValue;
  return command->action(platform, takesValue ? args[3] : noValue);
}

}  // namespace pidctl
