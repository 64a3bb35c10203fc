#include "pidctl.h"

#include <array>
#include <optional>
#include <string_view>

#include "common/text.h"
#include "console_input_commands.h"
#include "window_commands.h"

namespace pidctl {
namespace {

struct Command {
  std::u16string_view word;
  ExitStatus (*action)(ConsolePlatform& platform);
  // The commands that take a value (argument 3) need exactly four arguments.
  ExitStatus (*actionWithValue)(ConsolePlatform& platform, const std::u16string& value);
  std::string_view valueUsage;
};

constexpr std::size_t kLeastArgumentCount = 3;
constexpr std::size_t kArgumentCountWithValue = 4;

ExitStatus reportCommandLineError(std::ostream& errors, std::string_view message);
ExitStatus switchToConsoleOf(ConsolePlatform& platform, std::int32_t pid);
const Command* findCommand(std::u16string_view word);

}  // namespace

ExitStatus runPidctl(std::span<const std::u16string> args, ConsolePlatform& platform,
                     std::ostream& errors) {
  if (args.size() < kLeastArgumentCount) {
    return reportCommandLineError(errors, "Usage: pidctl <command> <pid>");
  }
  const std::u16string& word = args[1];
  const std::optional<std::int32_t> pid = common::parseLeadingInt32(std::u16string_view(args[2]));
  if (!pid) return reportCommandLineError(errors, "Invalid pid");

  if (const ExitStatus failure = switchToConsoleOf(platform, *pid)) return failure;

  const Command* command = findCommand(word);
  if (command == nullptr) return reportCommandLineError(errors, "Invalid command");
  if (command->action != nullptr) return command->action(platform);
  if (args.size() != kArgumentCountWithValue) {
    return reportCommandLineError(errors, command->valueUsage);
  }
  return command->actionWithValue(platform, args[3]);
}

namespace {

ExitStatus reportCommandLineError(std::ostream& errors, std::string_view message) {
  errors << message << '\n' << std::flush;
  return kCommandLineError;
}

// Leaves this process's console for the target's; the pid's 32 bits go to the platform
// unchanged, so -1 names the console of this process's parent. A failure of either step
// ends the run, since the command would otherwise act on the wrong console or on none.
ExitStatus switchToConsoleOf(ConsolePlatform& platform, std::int32_t pid) {
  if (const ExitStatus failure =
          callForLastError(platform, [&] { return platform.freeConsole(); })) {
    return failure;
  }
  return callForLastError(platform,
                          [&] { return platform.attachConsole(static_cast<std::uint32_t>(pid)); });
}

constexpr std::array kCommands{
    Command{u"hide", hideConsoleWindow, nullptr, {}},
    Command{u"show", showConsoleWindow, nullptr, {}},
    Command{u"shownoactivate", showConsoleWindowNoActivate, nullptr, {}},
    Command{u"foreground", bringConsoleWindowToForeground, nullptr, {}},
    Command{u"appusermodelid", nullptr, setAppUserModelId,
            "Usage: pidctl appusermodelid <pid> <appid>"},
    Command{u"ctrlc", sendCtrlC, nullptr, {}},
    Command{u"noselect", switchOffQuickEdit, nullptr, {}},
    Command{u"title", nullptr, setConsoleTitle, "Usage: pidctl title <pid> <title>"},
};

// Matching is exact: same length, same code units, case included.
const Command* findCommand(std::u16string_view word) {
  for (const Command& command : kCommands) {
    if (command.word == word) return &command;
  }
  return nullptr;
}

}  // namespace
}  // namespace pidctl
