#include "device.h"

#include <level_zero/zes_api.h>

#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "common/text.h"
#include "errors.h"
#include "handles.h"
#include "level_zero.h"
#include "report_text.h"
#include "sensors.h"

namespace zeprobe {
namespace {

void addIdentityFields(ordered_json& object, ze_device_handle_t device);
void addMemoryFields(ordered_json& object, ze_device_handle_t device);
std::optional<HandleList<zes_mem_handle_t>> enumerateMemoryModules(ze_device_handle_t device);
bool memoryQueryUnsupported(ze_result_t result);
void addMemoryModule(ordered_json& object, zes_mem_handle_t module);
void addPciAddressField(ordered_json& object, ze_device_handle_t device);

}  // namespace

DriverKeys readDriverKeys(ze_driver_handle_t driver) {
  ze_driver_properties_t properties{};
  properties.stype = ZE_STRUCTURE_TYPE_DRIVER_PROPERTIES;
  checkCall<FatalError>(levelZero.zeDriverGetProperties(driver, &properties),
                        "zeDriverGetProperties");
  ze_api_version_t apiVersion{};
  checkCall<FatalError>(levelZero.zeDriverGetApiVersion(driver, &apiVersion),
                        "zeDriverGetApiVersion");
  // Taken as its 32 bits: a driver may report a major version beyond the enumeration's range.
  std::uint32_t versionBits = 0;
  std::memcpy(&versionBits, &apiVersion, sizeof versionBits);
  return {properties.driverVersion, versionBits};
}

ordered_json buildDeviceObject(const DriverKeys& driver, ze_device_handle_t device) {
  ordered_json object = ordered_json::object();
  object["driver_version"] = driver.driverVersion;
  object["driver_api_version"] = apiVersionText(driver.apiVersion);
  addIdentityFields(object, device);
  addMemoryFields(object, device);
  addPciAddressField(object, device);
  addSensorGroups(object, device);
  return object;
}

namespace {

void addIdentityFields(ordered_json& object, ze_device_handle_t device) {
  ze_device_properties_t properties{};
  properties.stype = ZE_STRUCTURE_TYPE_DEVICE_PROPERTIES;
  checkCall<FatalError>(levelZero.zeDeviceGetProperties(device, &properties),
                        "zeDeviceGetProperties");
  object["type"] = deviceTypeName(properties.type);
  object["name"] = std::string(common::fieldText(properties.name));
  object["pci_vendor_id"] = pciIdText(properties.vendorId);
  object["pci_device_id"] = pciIdText(properties.deviceId);
  object["integrated"] = (properties.flags & ZE_DEVICE_PROPERTY_FLAG_INTEGRATED) != 0;
  object["uuid"] = uuidText(properties.uuid);
}

void addMemoryFields(ordered_json& object, ze_device_handle_t device) {
  const auto modules = enumerateMemoryModules(device);
  if (!modules) return;
  for (zes_mem_handle_t module : *modules) addMemoryModule(object, module);
}

struct MemoryQueryUnsupported {
  std::string message;
};

// The memory modules, or nothing (after a message) when the driver does not support the query.
// Every other failure is fatal.
std::optional<HandleList<zes_mem_handle_t>> enumerateMemoryModules(ze_device_handle_t device) {
  constexpr const char* kEnum = "zesDeviceEnumMemoryModules";
  const auto enumerate = [device](std::uint32_t* count, zes_mem_handle_t* handles) {
    const ze_result_t result = levelZero.zesDeviceEnumMemoryModules(device, count, handles);
    if (memoryQueryUnsupported(result)) {
      throw MemoryQueryUnsupported{failedCallMessage(kEnum, result)};
    }
    return result;
  };
  try {
    return enumerateHandles<FatalError, zes_mem_handle_t>(kEnum, enumerate);
  } catch (const MemoryQueryUnsupported& unsupported) {
    std::cerr << unsupported.message << std::endl;
    return std::nullopt;
  }
}

// A device whose driver has no Sysman memory query answers it with one of these codes; it
// keeps its report, without memory keys.
bool memoryQueryUnsupported(ze_result_t result) {
  return result == ZE_RESULT_ERROR_UNSUPPORTED_FEATURE || result == ZE_RESULT_ERROR_UNINITIALIZED;
}

void addMemoryModule(ordered_json& object, zes_mem_handle_t module) {
  zes_mem_properties_t properties{};
  properties.stype = ZES_STRUCTURE_TYPE_MEM_PROPERTIES;
  checkCall<FatalError>(levelZero.zesMemoryGetProperties(module, &properties),
                        "zesMemoryGetProperties");
  if (properties.location != ZES_MEM_LOC_DEVICE) return;
  zes_mem_state_t state{};
  state.stype = ZES_STRUCTURE_TYPE_MEM_STATE;
  checkCall<FatalError>(levelZero.zesMemoryGetState(module, &state), "zesMemoryGetState");
  object["memory_physical_size"] = properties.physicalSize;
  object["memory_bus_width"] = properties.busWidth;
  object["memory_num_channels"] = properties.numChannels;
  object["memory_size"] = state.size;
  object["memory_free"] = state.free;
}

void addPciAddressField(ordered_json& object, ze_device_handle_t device) {
  ze_pci_ext_properties_t properties{};
  properties.stype = ZE_STRUCTURE_TYPE_PCI_EXT_PROPERTIES;
  checkCall<FatalError>(levelZero.zeDevicePciGetPropertiesExt(device, &properties),
                        "zeDevicePciGetPropertiesExt");
  const ze_pci_address_ext_t& address = properties.address;
  object["pci_address"] = common::pciAddressText(address.bus, address.device, address.function);
}

}  // namespace
}  // namespace zeprobe
