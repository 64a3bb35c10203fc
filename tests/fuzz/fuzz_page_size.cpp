// radprobe's page-size argument: the parser must accept exactly what strtoll reads within
// the 32-bit range, for any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "leading_integer_reference.h"
#include "text_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  requireSameReading(radprobe::parseLeadingInt32(text), referenceLeadingInt32(text));
  return 0;
}
