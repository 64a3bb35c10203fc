// The straightforward reading of a leading decimal integer that the reader (common/text.h) is
// checked against: the C library's strtoll on the same characters, then the signed 32-bit range.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

inline std::optional<std::int32_t> referenceLeadingInt32(const std::string& text) {
  const char* start = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(start, &end, 10);
  if (end == start || errno == ERANGE) return std::nullopt;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

// Aborts, without writing either reading, when the two differ, so that libFuzzer keeps the
// input as a crash.
inline void requireSameReading(std::optional<std::int32_t> actual,
                               std::optional<std::int32_t> expected) {
  if (actual != expected) std::abort();
}
