#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pidctl {

// Reads a process id the way the command line gives it: leading white space, one optional
// sign, then decimal digits up to the first other character (the rest is ignored). Empty
// when no digit follows or the value lies outside the signed 32-bit range.
std::optional<std::int32_t> parsePidText(std::u16string_view text);

}  // namespace pidctl
