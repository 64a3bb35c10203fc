// The device step: one JSON object per device, with its driver's keys, its identity, memory
// and PCI keys (each failure fatal) and its four sensor groups (each failure costs one group).
#pragma once

#include <level_zero/ze_api.h>

#include <cstdint>
#include <nlohmann/json.hpp>

using ordered_json = nlohmann::ordered_json;

struct DriverKeys {
  std::uint32_t driverVersion;
  std::uint32_t apiVersion;  // major version in the high 16 bits, minor in the low 16
};

ordered_json buildDeviceObject(const DriverKeys& driver, ze_device_handle_t device);

void addIdentityFields(ordered_json& object, ze_device_handle_t device);
void addMemoryFields(ordered_json& object, ze_device_handle_t device);
void addPciAddressField(ordered_json& object, ze_device_handle_t device);
