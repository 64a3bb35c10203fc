// radprobe's string escaping: for any bytes, the escaped text between double quotes must be
// a JSON string that decodes back to exactly those bytes. A decoder of our own checks every
// input (bytes that are not UTF-8 pass through unchanged by design); where the input is
// valid UTF-8, the JSON library must parse the string and return the same bytes as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "radprobe/text_format.h"

namespace {

std::optional<int> hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

// Decodes one escape starting after its backslash; only escapes JSON defines are valid, and
// \u is accepted for the one-byte range that the escaping produces.
std::optional<char> decodeEscape(const std::string& text, std::size_t& position) {
  switch (text[position++]) {
    case '"':
      return '"';
    case '\\':
      return '\\';
    case '/':
      return '/';
    case 'b':
      return '\b';
    case 'f':
      return '\f';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    case 'u':
      break;
    default:
      return std::nullopt;
  }
  if (position + 4 > text.size()) return std::nullopt;
  int value = 0;
  for (int i = 0; i < 4; ++i) {
    const auto digit = hexValue(text[position++]);
    if (!digit) return std::nullopt;
    value = value * 16 + *digit;
  }
  if (value > 0xFF) return std::nullopt;
  return static_cast<char>(value);
}

// The contents of a JSON string as bytes, or nothing when the text is not valid JSON string
// contents (a bare double quote, a raw control character, a malformed escape).
std::optional<std::string> decodeJsonStringContents(const std::string& text) {
  std::string decoded;
  std::size_t position = 0;
  while (position < text.size()) {
    const char c = text[position++];
    if (c == '"' || static_cast<unsigned char>(c) < 0x20) return std::nullopt;
    if (c != '\\') {
      decoded += c;
      continue;
    }
    if (position == text.size()) return std::nullopt;
    const auto escaped = decodeEscape(text, position);
    if (!escaped) return std::nullopt;
    decoded += *escaped;
  }
  return decoded;
}

bool isValidUtf8(const std::string& text) {
  try {
    (void)nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
    return true;
  } catch (const nlohmann::json::type_error&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string escaped = radprobe::escapeJsonString(input);
  if (decodeJsonStringContents(escaped) != input) std::abort();
  if (isValidUtf8(input) &&
      nlohmann::json::parse('"' + escaped + '"').get<std::string>() != input) {
    std::abort();
  }
  return 0;
}
