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

// bus:device.function; bus and device zero-filled to 2 digits, the domain left out.
std::string pciAddressText(const ze_pci_address_ext_t& address);

// The device name up to its first NUL, never beyond the end of the field.
std::string deviceName(const ze_device_properties_t& properties);

}  // namespace zeprobe
