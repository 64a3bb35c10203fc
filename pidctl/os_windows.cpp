// The Windows face of pidctl: the real system calls behind ConsolePlatform.
// Include order matters: windows.h first, then initguid.h so that propkey.h defines
// PKEY_AppUserModel_ID in this file rather than only declaring it.
// clang-format off
#include <windows.h>
#include <initguid.h>
#include <propkey.h>
#include <propsys.h>
#include <shellapi.h>
// clang-format on

#include <string>

#include "console_platform.h"

namespace pidctl {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 strings pass through unchanged");

// The string's own UTF-16 units as Windows reads them. No copy is made, so nothing is freed
// between a call and the reading of its last-error code.
const wchar_t* wideText(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

PROPVARIANT toPropVariant(const PropertyValue& value) {
  PROPVARIANT variant;
  PropVariantInit(&variant);
  variant.vt = value.type;
  variant.pwszVal = reinterpret_cast<LPWSTR>(value.text);
  return variant;
}

IPropertyStore* toStore(PropertyStore store) {
  return static_cast<IPropertyStore*>(store);
}

class WindowsConsolePlatform final : public ConsolePlatform {
 public:
  bool freeConsole() override { return FreeConsole() != 0; }
  bool attachConsole(std::uint32_t processId) override { return AttachConsole(processId) != 0; }

  std::uint32_t getLastError() override { return GetLastError(); }
  void setLastError(std::uint32_t code) override { SetLastError(code); }

  WindowHandle getConsoleWindow() override { return GetConsoleWindow(); }
  void showWindow(WindowHandle window, int showMode) override {
    ShowWindow(static_cast<HWND>(window), showMode);
  }
  bool setForegroundWindow(WindowHandle window) override {
    return SetForegroundWindow(static_cast<HWND>(window)) != 0;
  }

  bool setConsoleTitle(const std::u16string& title) override {
    return SetConsoleTitleW(wideText(title)) != 0;
  }

  HResult getPropertyStoreForWindow(WindowHandle window, PropertyStore& store) override {
    return SHGetPropertyStoreForWindow(static_cast<HWND>(window), IID_IPropertyStore, &store);
  }
  void* coTaskMemAlloc(std::size_t bytes) override { return CoTaskMemAlloc(bytes); }
  HResult setAppUserModelIdValue(PropertyStore store, const PropertyValue& value) override {
    const PROPVARIANT variant = toPropVariant(value);
    return toStore(store)->SetValue(PKEY_AppUserModel_ID, variant);
  }
  HResult commit(PropertyStore store) override { return toStore(store)->Commit(); }
  void release(PropertyStore store) override { toStore(store)->Release(); }
  void propVariantClear(PropertyValue& value) override {
    PROPVARIANT variant = toPropVariant(value);
    PropVariantClear(&variant);
    value = PropertyValue{};
  }

  bool ignoreCtrlC() override { return SetConsoleCtrlHandler(nullptr, TRUE) != 0; }
  bool generateConsoleCtrlEvent(std::uint32_t event, std::uint32_t processGroup) override {
    return GenerateConsoleCtrlEvent(event, processGroup) != 0;
  }

  InputHandle createFile(const std::u16string& name, std::uint32_t access, std::uint32_t share,
                         std::uint32_t disposition) override {
    return CreateFileW(wideText(name), access, share, nullptr, disposition, 0, nullptr);
  }
  bool getConsoleMode(InputHandle input, std::uint32_t& mode) override {
    DWORD read = 0;
    const bool succeeded = GetConsoleMode(input, &read) != 0;
    mode = read;
    return succeeded;
  }
  bool setConsoleMode(InputHandle input, std::uint32_t mode) override {
    return SetConsoleMode(input, mode) != 0;
  }
};

}  // namespace

ConsolePlatform& windowsPlatform() {
  static WindowsConsolePlatform platform;
  return platform;
}

}  // namespace pidctl
