#include "window_commands.h"

#include <algorithm>

namespace pidctl {
namespace {

constexpr std::uint16_t kVtLpwstr = 31;

// Show modes of ShowWindow.
constexpr int kSwHide = 0;
constexpr int kSwShowNoActivate = 4;
constexpr int kSwShow = 5;

ExitStatus applyShowMode(ConsolePlatform& platform, int showMode);
ExitStatus fetchConsoleWindow(ConsolePlatform& platform, WindowHandle& window);
bool failed(HResult result);
ExitStatus statusOf(HResult result);
bool buildStringValue(ConsolePlatform& platform, const std::u16string& text, PropertyValue& value);

}  // namespace

ExitStatus hideConsoleWindow(ConsolePlatform& platform) {
  return applyShowMode(platform, kSwHide);
}

ExitStatus showConsoleWindow(ConsolePlatform& platform) {
  return applyShowMode(platform, kSwShow);
}

ExitStatus showConsoleWindowNoActivate(ConsolePlatform& platform) {
  return applyShowMode(platform, kSwShowNoActivate);
}

ExitStatus bringConsoleWindowToForeground(ConsolePlatform& platform) {
  WindowHandle window = nullptr;
  if (const ExitStatus failure = fetchConsoleWindow(platform, window)) return failure;
  // A refusal is not documented to set a last-error code either.
  return callForLastError(
      platform, [&] { return platform.setForegroundWindow(window); }, kErrorAccessDenied);
}

ExitStatus setConsoleTitle(ConsolePlatform& platform, const std::u16string& title) {
  WindowHandle window = nullptr;
  if (const ExitStatus failure = fetchConsoleWindow(platform, window)) return failure;
  return callForLastError(platform, [&] { return platform.setConsoleTitle(title); });
}

ExitStatus setAppUserModelId(ConsolePlatform& platform, const std::u16string& id) {
  WindowHandle window = nullptr;
  if (const ExitStatus failure = fetchConsoleWindow(platform, window)) return failure;
  PropertyStore store = nullptr;
  if (const HResult result = platform.getPropertyStoreForWindow(window, store); failed(result)) {
    return statusOf(result);
  }
  PropertyValue value;
  if (!buildStringValue(platform, id, value)) return kEOutOfMemory;
  if (const HResult result = platform.setAppUserModelIdValue(store, value); failed(result)) {
    return statusOf(result);
  }
  if (const HResult result = platform.commit(store); failed(result)) return statusOf(result);
  platform.propVariantClear(value);
  platform.release(store);
  return kSuccess;
}

namespace {

ExitStatus applyShowMode(ConsolePlatform& platform, int showMode) {
  WindowHandle window = nullptr;
  if (const ExitStatus failure = fetchConsoleWindow(platform, window)) return failure;
  // ShowWindow's result only tells whether the window was visible before.
  platform.showWindow(window, showMode);
  return kSuccess;
}

// Fetches the console window; a console without one yields the status that ends the run.
// GetConsoleWindow is not documented to set a last-error code when it returns null.
ExitStatus fetchConsoleWindow(ConsolePlatform& platform, WindowHandle& window) {
  return callForLastError(
      platform,
      [&] {
        window = platform.getConsoleWindow();
        return window != nullptr;
      },
      kErrorInvalidWindowHandle);
}

bool failed(HResult result) {
  return result < 0;
}

ExitStatus statusOf(HResult result) {
  return static_cast<ExitStatus>(result);
}

// Copies the text with its terminating zero into memory from CoTaskMemAlloc, which the
// platform's PropVariantClear releases again.
bool buildStringValue(ConsolePlatform& platform, const std::u16string& text, PropertyValue& value) {
  void* memory = platform.coTaskMemAlloc((text.size() + 1) * sizeof(char16_t));
  if (memory == nullptr) return false;
  auto* units = static_cast<char16_t*>(memory);
  *std::copy(text.begin(), text.end(), units) = u'\0';
  value = PropertyValue{kVtLpwstr, units};
  return true;
}

}  // namespace
}  // namespace pidctl
