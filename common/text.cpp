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

std::string pciAddressText(std::uint32_t bus, std::uint32_t device, std::uint32_t function) {
  return hexText(bus, 2) + ':' + hexText(device, 2) + '.' + hexText(function, 1);
}

}  // namespace common
