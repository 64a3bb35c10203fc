#include "text_format.h"

#include <limits>

namespace radprobe {

namespace {

bool isCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::optional<std::int32_t> parseLeadingInt32(std::string_view text) {
  std::size_t position = 0;
  while (position < text.size() && isCSpace(text[position])) ++position;
  const bool negative = position < text.size() && text[position] == '-';
  if (position < text.size() && (text[position] == '-' || text[position] == '+')) ++position;
  if (position == text.size() || !isDigit(text[position])) return std::nullopt;

  // Magnitude limit: 2147483648 for a negative value, 2147483647 otherwise.
  const std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + negative;
  std::int64_t magnitude = 0;
  for (; position < text.size() && isDigit(text[position]); ++position) {
    magnitude = magnitude * 10 + (text[position] - '0');
    if (magnitude > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::string escapeJsonString(std::string_view text) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '"':
        escaped += "\\\"";
        break;
      case '\\':
        escaped += "\\\\";
        break;
      case '\b':
        escaped += "\\b";
        break;
      case '\f':
        escaped += "\\f";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\r':
        escaped += "\\r";
        break;
      case '\t':
        escaped += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          escaped += "\\u00";
          escaped += kHexDigits[c >> 4];
          escaped += kHexDigits[c & 0xF];
        } else {
          escaped += c;
        }
    }
  }
  return escaped;
}

}  // namespace radprobe
