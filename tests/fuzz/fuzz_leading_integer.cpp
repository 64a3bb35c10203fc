// The leading-integer reader that radprobe's page size (bytes) and pidctl's pid (UTF-16 code
// units) go through: for any input, read both ways, it must accept exactly what strtoll reads
// within the 32-bit range.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/text.h"
#include "leading_integer_reference.h"

namespace {

std::u16string asUtf16(const std::uint8_t* data, std::size_t size);
std::string narrowed(std::u16string_view text);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  requireSameReading(common::parseLeadingInt32(std::string_view(bytes)),
                     referenceLeadingInt32(bytes));
  const std::u16string units = asUtf16(data, size);
  requireSameReading(common::parseLeadingInt32(std::u16string_view(units)),
                     referenceLeadingInt32(narrowed(units)));
  return 0;
}

namespace {

// The bytes as the code units of a UTF-16 command line, pairs taken little-endian.
std::u16string asUtf16(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  return text;
}

// strtoll sees a narrow text: a unit beyond ASCII can be neither space, sign nor digit, so it
// stands in as a letter; NUL stays NUL and ends the reading there, as it must.
std::string narrowed(std::u16string_view text) {
  std::string narrow;
  for (const char16_t unit : text) narrow.push_back(unit < 0x80 ? static_cast<char>(unit) : 'x');
  return narrow;
}

}  // namespace
