// Pure text helpers of the report: no I/O, no state, callable on any input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace radprobe {

// Reads a base-10 integer from the start of the text the way strtol does: leading white
// space and one sign are accepted and reading stops at the first non-digit. Empty when no
// digit is read or the value does not fit a signed 32-bit integer.
std::optional<std::int32_t> parseLeadingInt32(std::string_view text);

// The text as the contents of a JSON string: backslash and double quote escaped, control
// characters as their short escapes or \u00xx, every other byte unchanged.
std::string escapeJsonString(std::string_view text);

// The text of a fixed-size character field up to its first NUL, never beyond the field.
template <std::size_t Size>
std::string_view fieldText(const char (&field)[Size]) {
  std::size_t length = 0;
  while (length < Size && field[length] != '\0') ++length;
  return {field, length};
}

}  // namespace radprobe
