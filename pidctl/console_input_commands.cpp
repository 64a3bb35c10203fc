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

bool isOpen(InputHandle handle) {
  return handle != nullptr && reinterpret_cast<std::uintptr_t>(handle) != ~std::uintptr_t{0};
}

}  // namespace

ExitStatus sendCtrlC(ConsolePlatform& platform) {
  // The event reaches this process too; unhandled, it would end it with the platform's
  // Ctrl+C status instead of the command's own.
  if (!platform.ignoreCtrlC()) return lastError(platform);
  if (!platform.generateConsoleCtrlEvent(kCtrlCEvent, kAllProcessesOfConsole)) {
    return lastError(platform);
  }
  return kSuccess;
}

ExitStatus switchOffQuickEdit(ConsolePlatform& platform) {
  const InputHandle input =
      platform.createFile(u"CONIN$", kGenericReadWrite, kFileShareReadWrite, kOpenExisting);
  if (!isOpen(input)) return lastError(platform);
  std::uint32_t mode = 0;
  if (!platform.getConsoleMode(input, mode)) return lastError(platform);
  const std::uint32_t newMode = (mode & ~kEnableQuickEditMode) | kEnableExtendedFlags;
  if (!platform.setConsoleMode(input, newMode)) return lastError(platform);
  return kSuccess;
}

}  // namespace pidctl
