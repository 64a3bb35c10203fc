#include <windows.h>

#include <cstring>

#include "os.h"

namespace simulated {
namespace {

std::string utf8Text(const std::wstring& text);

constexpr UINT kDialogsOff = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX;

// Read while the library is being loaded, before the program can call any of its functions.
const UINT errorModeAtLoad = GetErrorMode();

}  // namespace

std::optional<std::string> environmentValue(const char* name) {
  // Variable names here are ASCII, so each byte is one UTF-16 unit.
  const std::wstring wideName(name, name + std::strlen(name));
  const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
  if (length >= size) return std::nullopt;
  value.resize(length);
  return utf8Text(value);
}

const char* errorDialogsLeftOn() {
  if ((errorModeAtLoad & kDialogsOff) == kDialogsOff) return nullptr;
  return "the program loaded the library with system error dialogs switched on";
}

namespace {

std::string utf8Text(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

}  // namespace
}  // namespace simulated
