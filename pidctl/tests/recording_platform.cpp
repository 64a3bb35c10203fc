#include "recording_platform.h"

#include <cstdio>
#include <cstring>
#include <sstream>

#include "pidctl/pidctl.h"

namespace pidctl {
namespace {

std::string hex(std::uint32_t value);
std::string nameOf(const void* handle);

}  // namespace

RunOutcome runPidctlWith(RecordingPlatform& platform, const Args& args) {
  std::ostringstream errors;
  const std::uint32_t status = runPidctl(args, platform, errors);
  return RunOutcome{status, errors.str()};
}

Calls afterSwitchToConsole42(const Calls& calls) {
  Calls all = {"SetLastError(0)", "FreeConsole()", "SetLastError(0)", "AttachConsole(42)"};
  all.insert(all.end(), calls.begin(), calls.end());
  return all;
}

std::string printable(const std::u16string& text) {
  std::string result;
  for (const char16_t unit : text) {
    if (unit >= 0x20 && unit < 0x7F) {
      result += static_cast<char>(unit);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
      result += escaped;
    }
  }
  return result;
}

void RecordingPlatform::fail(const std::string& operation,
                             std::optional<std::uint32_t> lastErrorCode) {
  failures_[operation] = lastErrorCode;
}

bool RecordingPlatform::perform(const std::string& operation, const std::string& arguments) {
  calls_.push_back(operation + "(" + arguments + ")");
  const auto failure = failures_.find(operation);
  if (failure == failures_.end()) return true;
  if (failure->second) lastErrorCode_ = *failure->second;
  return false;
}

HResult RecordingPlatform::performComCall(const std::string& operation,
                                          const std::string& arguments) {
  calls_.push_back(operation + "(" + arguments + ")");
  const auto failure = failures_.find(operation);
  if (failure != failures_.end()) return static_cast<HResult>(failure->second.value_or(0));
  const auto result = results_.find(operation);
  return result == results_.end() ? 0 : result->second;
}

bool RecordingPlatform::freeConsole() {
  return perform("FreeConsole", "");
}

bool RecordingPlatform::attachConsole(std::uint32_t processId) {
  return perform("AttachConsole", std::to_string(processId));
}

std::uint32_t RecordingPlatform::getLastError() {
  calls_.push_back("GetLastError()");
  return lastErrorCode_;
}

void RecordingPlatform::setLastError(std::uint32_t code) {
  calls_.push_back("SetLastError(" + std::to_string(code) + ")");
  lastErrorCode_ = code;
}

WindowHandle RecordingPlatform::getConsoleWindow() {
  return perform("GetConsoleWindow", "") ? kWindow : nullptr;
}

void RecordingPlatform::showWindow(WindowHandle window, int showMode) {
  perform("ShowWindow", nameOf(window) + ", " + std::to_string(showMode));
}

bool RecordingPlatform::setForegroundWindow(WindowHandle window) {
  return perform("SetForegroundWindow", nameOf(window));
}

bool RecordingPlatform::setConsoleTitle(const std::u16string& title) {
  return perform("SetConsoleTitleW", "\"" + printable(title) + "\"");
}

HResult RecordingPlatform::getPropertyStoreForWindow(WindowHandle window, PropertyStore& store) {
  const std::string arguments = nameOf(window) + ", IID_IPropertyStore, " + nameOf(store);
  const HResult result = performComCall("SHGetPropertyStoreForWindow", arguments);
  if (result >= 0) store = kStore;
  return result;
}

void* RecordingPlatform::coTaskMemAlloc(std::size_t bytes) {
  if (!perform("CoTaskMemAlloc", std::to_string(bytes))) return nullptr;
  allocations_.emplace_back(bytes, std::byte{0xA5});
  return allocations_.back().data();
}

std::string RecordingPlatform::describe(const PropertyValue& value) const {
  const std::string type = value.type == 31 ? "VT_LPWSTR" : "vt " + std::to_string(value.type);
  if (value.text == nullptr) return type + " NULL";
  for (const std::vector<std::byte>& block : allocations_) {
    if (static_cast<const void*>(block.data()) != value.text) continue;
    std::u16string units(block.size() / sizeof(char16_t), u'\0');
    std::memcpy(units.data(), block.data(), units.size() * sizeof(char16_t));
    return type + " \"" + printable(units) + "\"";
  }
  return type + " outside any CoTaskMemAlloc block";
}

HResult RecordingPlatform::setAppUserModelIdValue(PropertyStore store, const PropertyValue& value) {
  return performComCall("SetValue", nameOf(store) + ", PKEY_AppUserModel_ID, " + describe(value));
}

HResult RecordingPlatform::commit(PropertyStore store) {
  return performComCall("Commit", nameOf(store));
}

void RecordingPlatform::release(PropertyStore store) {
  perform("Release", nameOf(store));
}

void RecordingPlatform::propVariantClear(PropertyValue& value) {
  perform("PropVariantClear", describe(value));
  value = PropertyValue{};
}

bool RecordingPlatform::ignoreCtrlC() {
  return perform("SetConsoleCtrlHandler", "NULL, TRUE");
}

bool RecordingPlatform::generateConsoleCtrlEvent(std::uint32_t event, std::uint32_t processGroup) {
  return perform("GenerateConsoleCtrlEvent",
                 std::to_string(event) + ", " + std::to_string(processGroup));
}

InputHandle RecordingPlatform::createFile(const std::u16string& name, std::uint32_t access,
                                          std::uint32_t share, std::uint32_t disposition) {
  const std::string arguments = "\"" + printable(name) + "\", " + hex(access) + ", " +
                                std::to_string(share) + ", NULL, " + std::to_string(disposition) +
                                ", 0, NULL";
  return perform("CreateFileW", arguments) ? kInput : failedInput_;
}

bool RecordingPlatform::getConsoleMode(InputHandle input, std::uint32_t& mode) {
  const std::string arguments = nameOf(input) + ", mode " + hex(mode);
  if (!perform("GetConsoleMode", arguments)) return false;
  mode = inputMode_;
  return true;
}

bool RecordingPlatform::setConsoleMode(InputHandle input, std::uint32_t mode) {
  return perform("SetConsoleMode", nameOf(input) + ", " + hex(mode));
}

namespace {

std::string hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

std::string nameOf(const void* handle) {
  if (handle == RecordingPlatform::kWindow) return "hwnd";
  if (handle == RecordingPlatform::kStore) return "store";
  if (handle == RecordingPlatform::kInput) return "conin";
  return handle == nullptr ? "NULL" : "unknown handle";
}

}  // namespace
}  // namespace pidctl
