// Small text helpers that the programs share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace common {

// Reads a base-10 integer from the start of the text the way strtol does: leading white
// space and one sign are accepted and reading stops at the first non-digit, the rest being
// ignored. Empty when no digit is read or the value does not fit a signed 32-bit integer.
// Any character type: radprobe's arguments are bytes, pidctl's UTF-16 code units.
template <typename Char>
std::optional<std::int32_t> parseLeadingInt32(std::basic_string_view<Char> text) {
  const auto isSpace = [](Char c) {
    return c == Char(' ') || (c >= Char('\t') && c <= Char('\r'));
  };
  const auto isDigit = [](Char c) { return c >= Char('0') && c <= Char('9'); };
  std::size_t position = 0;
  while (position < text.size() && isSpace(text[position])) ++position;
  const bool negative = position < text.size() && text[position] == Char('-');
  if (position < text.size() && (text[position] == Char('-') || text[position] == Char('+'))) {
    ++position;
  }
  if (position == text.size() || !isDigit(text[position])) return std::nullopt;

  // Magnitude limit: 2147483648 for a negative value, 2147483647 otherwise. Reading stops as
  // soon as it is passed, so the 64-bit accumulator never overflows however many digits follow.
  const std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + negative;
  std::int64_t magnitude = 0;
  for (; position < text.size() && isDigit(text[position]); ++position) {
    magnitude = magnitude * 10 + (text[position] - Char('0'));
    if (magnitude > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

// Lower-case hexadecimal, zero-filled to at least minimumDigits; a longer number in full.
std::string hexText(std::uint32_t value, std::size_t minimumDigits);

// A PCI address without its domain, "bb:dd.f": bus and device zero-filled to 2 hexadecimal
// digits, the function to 1, a longer number in full (hexText).
std::string pciAddressText(std::uint32_t bus, std::uint32_t device, std::uint32_t function);

// The text of a fixed-size character field of a vendor structure up to its first NUL, never
// beyond the field.
template <std::size_t Size>
std::string_view fieldText(const char (&field)[Size]) {
  std::size_t length = 0;
  while (length < Size && field[length] != '\0') ++length;
  return {field, length};
}

}  // namespace common
