// The device step: one JSON object per device, with its driver's keys (read once per driver),
// its identity, memory and PCI keys (each failure fatal) and its four sensor groups (each
// failure costs one group).
#pragma once

#include <level_zero/ze_api.h>

#include <cstdint>
#include <nlohmann/json.hpp>

namespace zeprobe {

using ordered_json = nlohmann::ordered_json;

struct DriverKeys {
  std::uint32_t driverVersion;
  std::uint32_t apiVersion;  // major version in the high 16 bits, minor in the low 16
};

// The keys that every device of the driver carries. Raises FatalError when a query fails.
DriverKeys readDriverKeys(ze_driver_handle_t driver);

ordered_json buildDeviceObject(const DriverKeys& driver, ze_device_handle_t device);

}  // namespace zeprobe
