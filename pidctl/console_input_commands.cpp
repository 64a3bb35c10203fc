#include "console_input_commands.h"

namespace pidctl {
namespace {

constexpr std::uint32_t kCtrlCEvent = 0;
constexpr std::uint32_t kAllProcessesOfConsole = 0;

constexpr std::uint32_t kGenericReadWrite = 0xC0000000;
constexpr std::uint32_t kFileShareReadWrite = 3;
constexpr std::uint32_t kOpenExisting = 3;

constexpr std::uint32_t kEnableQuickEditMode = 0x0040;
// A change of the quick-edit flag takes effect only with this flag set in the same call.
constexpr std::uint32_t kEnableExtendedFlags = 0x0080;

ExitStatus openConsoleInput(ConsolePlatform& platform, InputHandle& input);
bool isOpen(InputHandle handle);

}  // namespace

ExitStatus sendCtrlC(ConsolePlatform& platform) {
  // The event reaches this process too; unhandled, it would end it with the platform's
  // Ctrl+C status instead of the command's own.
  if (const ExitStatus failure =
          callForLastError(platform, [&] { return platform.ignoreCtrlC(); })) {
    return failure;
  }
  return callForLastError(platform, [&] {
    return platform.generateConsoleCtrlEvent(kCtrlCEvent, kAllProcessesOfConsole);
  });
}

ExitStatus switchOffQuickEdit(ConsolePlatform& platform) {
  InputHandle input = nullptr;
  if (const ExitStatus failure = openConsoleInput(platform, input)) return failure;
  std::uint32_t mode = 0;
  if (const ExitStatus failure =
          callForLastError(platform, [&] { return platform.getConsoleMode(input, mode); })) {
    return failure;
  }
  const std::uint32_t newMode = (mode & ~kEnableQuickEditMode) | kEnableExtendedFlags;
  return callForLastError(platform, [&] { return platform.setConsoleMode(input, newMode); });
}

namespace {

// Opens the console's input buffer; a failed open yields the status that ends the run.
ExitStatus openConsoleInput(ConsolePlatform& platform, InputHandle& input) {
  return callForLastError(platform, [&] {
    input = platform.createFile(u"CONIN$", kGenericReadWrite, kFileShareReadWrite, kOpenExisting);
    return isOpen(input);
  });
}

bool isOpen(InputHandle handle) {
  return handle != nullptr && reinterpret_cast<std::uintptr_t>(handle) != ~std::uintptr_t{0};
}

}  // namespace
}  // namespace pidctl
