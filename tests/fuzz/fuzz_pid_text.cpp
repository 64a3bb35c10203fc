// pidctl's pid text: the input bytes are taken as UTF-16 code units, as the command line
// delivers them. The parser must accept exactly what strtoll reads within the 32-bit range.
#include <cstddef>
#include <cstdint>
#include <string>

#include "leading_integer_reference.h"
#include "pid_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  // strtoll sees a narrow text: a unit beyond ASCII can be neither space, sign nor digit,
  // so it stands in as a letter; NUL stays NUL and ends the reading there, as it must.
  std::string narrow;
  for (const char16_t unit : text) narrow.push_back(unit < 0x80 ? static_cast<char>(unit) : 'x');
  requireSameReading(pidctl::parsePidText(text), referenceLeadingInt32(narrow));
  return 0;
}
