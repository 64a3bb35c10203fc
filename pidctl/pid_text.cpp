#include "pid_text.h"

namespace pidctl {
namespace {

bool isWhiteSpace(char16_t unit) {
  return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

bool isDigit(char16_t unit) {
  return unit >= u'0' && unit <= u'9';
}

}  // namespace

std::optional<std::int32_t> parsePidText(std::u16string_view text) {
  std::size_t position = 0;
  while (position < text.size() && isWhiteSpace(text[position])) ++position;
  const bool negative = position < text.size() && text[position] == u'-';
  if (position < text.size() && (text[position] == u'-' || text[position] == u'+')) ++position;
  if (position == text.size() || !isDigit(text[position])) return std::nullopt;

  // The magnitude may reach 2^31 for a negative value; anything beyond fails early, so the
  // 64-bit accumulator never overflows however many digits follow.
  const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
  std::int64_t magnitude = 0;
  for (; position < text.size() && isDigit(text[position]); ++position) {
    magnitude = magnitude * 10 + (text[position] - u'0');
    if (magnitude > limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace pidctl
