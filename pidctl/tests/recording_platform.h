#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pidctl/console_platform.h"

namespace pidctl {

// A run's command line, the program's name first.
using Args = std::vector<std::u16string>;
// The platform calls of a run, one recorded line each.
using Calls = std::vector<std::string>;

// A recording console platform in place of the operating system. Every call is recorded as one line
// in the platform's own terms, e.g. "AttachConsole(42)"; each operation succeeds unless a test
// scripts it to fail. The thread's last-error code is modelled: a scripted failure may leave
// a code, SetLastError replaces it, and anything else leaves it as it was. CoTaskMemAlloc
// hands out blocks filled with 0xA5 bytes, as the real allocator may leave them, and a
// property value is recorded as every code unit of its block, so a missing terminating zero
// shows as a \uA5A5 where the \u0000 belongs.
class RecordingPlatform final : public ConsolePlatform {
 public:
  // Handles that the successful operations hand out; recorded by these names.
  static inline WindowHandle const kWindow = reinterpret_cast<WindowHandle>(0x5150);
  static inline PropertyStore const kStore = reinterpret_cast<PropertyStore>(0x5170);
  static inline InputHandle const kInput = reinterpret_cast<InputHandle>(0x5190);
  static inline InputHandle const kInvalidHandle =
      reinterpret_cast<InputHandle>(~std::uintptr_t{0});

  // Makes `operation` (its platform name) fail and leave `lastErrorCode` behind, or leave
  // the last-error code untouched when it is empty. For the HRESULT operations the code is
  // the failing result instead.
  void fail(const std::string& operation, std::optional<std::uint32_t> lastErrorCode);
  // The handle that a failing CreateFileW returns: the invalid handle unless set otherwise.
  void failedOpenReturns(InputHandle handle) { failedInput_ = handle; }
  // The last-error code that earlier, unrecorded calls left behind.
  void leaveLastError(std::uint32_t code) { lastErrorCode_ = code; }
  void setInputMode(std::uint32_t mode) { inputMode_ = mode; }
  // Makes a property-store operation return this (non-failing) result.
  void succeedWith(const std::string& operation, HResult result) { results_[operation] = result; }

  const Calls& calls() const { return calls_; }

  bool freeConsole() override;
  bool attachConsole(std::uint32_t processId) override;
  std::uint32_t getLastError() override;
  void setLastError(std::uint32_t code) override;
  WindowHandle getConsoleWindow() override;
  void showWindow(WindowHandle window, int showMode) override;
  bool setForegroundWindow(WindowHandle window) override;
  bool setConsoleTitle(const std::u16string& title) override;
  HResult getPropertyStoreForWindow(WindowHandle window, PropertyStore& store) override;
  void* coTaskMemAlloc(std::size_t bytes) override;
  HResult setAppUserModelIdValue(PropertyStore store, const PropertyValue& value) override;
  HResult commit(PropertyStore store) override;
  void release(PropertyStore store) override;
  void propVariantClear(PropertyValue& value) override;
  bool ignoreCtrlC() override;
  bool generateConsoleCtrlEvent(std::uint32_t event, std::uint32_t processGroup) override;
  InputHandle createFile(const std::u16string& name, std::uint32_t access, std::uint32_t share,
                         std::uint32_t disposition) override;
  bool getConsoleMode(InputHandle input, std::uint32_t& mode) override;
  bool setConsoleMode(InputHandle input, std::uint32_t mode) override;

 private:
  // Records the call and applies its scripted outcome; true when it succeeds.
  bool perform(const std::string& operation, const std::string& arguments);
  HResult performComCall(const std::string& operation, const std::string& arguments);
  std::string describe(const PropertyValue& value) const;

  Calls calls_;
  std::map<std::string, std::optional<std::uint32_t>> failures_;
  std::map<std::string, HResult> results_;
  std::uint32_t lastErrorCode_ = 0;
  std::uint32_t inputMode_ = 0;
  InputHandle failedInput_ = kInvalidHandle;
  std::vector<std::vector<std::byte>> allocations_;
};

// What a run of pidctl left: its exit status and the text written on standard error.
struct RunOutcome {
  std::uint32_t status;
  std::string errors;
};

// Runs pidctl's entry function with these arguments (the program's name comes first).
RunOutcome runPidctlWith(RecordingPlatform& platform, const Args& args);

// The calls of a run that switched to the console of process 42, followed by `calls`.
Calls afterSwitchToConsole42(const Calls& calls);

// Writes UTF-16 text readably: printable ASCII as it is, every other unit as \uXXXX.
std::string printable(const std::u16string& text);

}  // namespace pidctl
