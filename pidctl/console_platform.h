#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pidctl {

// Opaque platform handles: a window, a console input buffer, a shell property store.
using WindowHandle = void*;
using InputHandle = void*;
using PropertyStore = void*;

// A COM result code; negative values are failures.
using HResult = std::int32_t;

// A string-typed property value as the shell takes it (the PROPVARIANT of type VT_LPWSTR).
// The text is memory from coTaskMemAlloc, released again by propVariantClear.
struct PropertyValue {
  std::uint16_t type = 0;
  char16_t* text = nullptr;
};

// The operating-system calls that pidctl makes, one member per call. Each member does
// exactly what the call of the same name does; results and last-error codes are the
// platform's. Strings are zero-terminated UTF-16 when they reach the platform.
class ConsolePlatform {
 public:
  virtual ~ConsolePlatform() = default;

  // FreeConsole(), AttachConsole(processId).
  virtual bool freeConsole() = 0;
  virtual bool attachConsole(std::uint32_t processId) = 0;

  // GetLastError(), SetLastError(code).
  virtual std::uint32_t getLastError() = 0;
  virtual void setLastError(std::uint32_t code) = 0;

  // GetConsoleWindow(), ShowWindow(window, showMode), SetForegroundWindow(window).
  virtual WindowHandle getConsoleWindow() = 0;
  virtual void showWindow(WindowHandle window, int showMode) = 0;
  virtual bool setForegroundWindow(WindowHandle window) = 0;

  // SetConsoleTitleW(title).
  virtual bool setConsoleTitle(const std::u16string& title) = 0;

  // SHGetPropertyStoreForWindow(window, IID_IPropertyStore, &store).
  virtual HResult getPropertyStoreForWindow(WindowHandle window, PropertyStore& store) = 0;
  // CoTaskMemAlloc(bytes).
  virtual void* coTaskMemAlloc(std::size_t bytes) = 0;
  // store->SetValue(PKEY_AppUserModel_ID, value), store->Commit(), store->Release().
  virtual HResult setAppUserModelIdValue(PropertyStore store, const PropertyValue& value) = 0;
  virtual HResult commit(PropertyStore store) = 0;
  virtual void release(PropertyStore store) = 0;
  // PropVariantClear(&value).
  virtual void propVariantClear(PropertyValue& value) = 0;

  // SetConsoleCtrlHandler(NULL, TRUE): this process ignores Ctrl+C from then on.
  virtual bool ignoreCtrlC() = 0;
  // GenerateConsoleCtrlEvent(event, processGroup).
  virtual bool generateConsoleCtrlEvent(std::uint32_t event, std::uint32_t processGroup) = 0;

  // CreateFileW(name, access, share, NULL, disposition, 0, NULL); a failed open returns
  // null or the all-bits-set invalid handle.
  virtual InputHandle createFile(const std::u16string& name, std::uint32_t access,
                                 std::uint32_t share, std::uint32_t disposition) = 0;
  // GetConsoleMode(input, &mode), SetConsoleMode(input, mode).
  virtual bool getConsoleMode(InputHandle input, std::uint32_t& mode) = 0;
  virtual bool setConsoleMode(InputHandle input, std::uint32_t mode) = 0;
};

// The real system calls of the running process (os_windows.cpp, Windows only).
ConsolePlatform& windowsPlatform();

}  // namespace pidctl
