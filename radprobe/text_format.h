// Pure text helpers of the report: no I/O, no state, callable on any input.
#pragma once

#include <string>
#include <string_view>

namespace radprobe {

// The text as the contents of a JSON string: backslash and double quote escaped, control
// characters as their short escapes or \u00xx, every other byte unchanged.
std::string escapeJsonString(std::string_view text);

}  // namespace radprobe
