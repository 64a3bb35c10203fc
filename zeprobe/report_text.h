// Text forms of the values that the report writes as strings.
#pragma once

#include <level_zero/ze_api.h>

#include <cstdint>
#include <string>

namespace zeprobe {

// "major.minor" in decimal, e.g. 1.10.
std::string apiVersionText(std::uint32_t version);

// "gpu", "cpu", "fpga", "mca", "vpu", or "" for any other value.
std::string deviceTypeName(ze_device_type_t type);

// Lowercase hexadecimal, zero-filled to at least 4 digits.
std::string pciIdText(std::uint32_t id);

// The 16 bytes in storage order as 8-4-4-4-12 lowercase hexadecimal digits.
std::string uuidText(const ze_device_uuid_t& uuid);

}  // namespace zeprobe
