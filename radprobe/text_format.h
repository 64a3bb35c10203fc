// Pure text helpers of the report: no I/O, no state, callable on any input.
#pragma once

#include <string>
#include <string_view>

namespace radprobe {

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
