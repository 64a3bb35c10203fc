#include "text.h"

namespace common {

std::string hexText(std::uint32_t value, std::size_t minimumDigits) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  std::string digits;
  for (std::uint32_t rest = value; rest != 0 || digits.empty(); rest >>= 4) {
    digits.insert(digits.begin(), kHexDigits[rest & 0xF]);
  }
  if (digits.size() < minimumDigits) digits.insert(0, minimumDigits - digits.size(), '0');
  return digits;
}

}  // namespace common
