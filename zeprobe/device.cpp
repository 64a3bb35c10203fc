#include "device.h"

#include <level_zero/zes_api.h>

#include <cstring>
#include <iostream>
#include <new>
#include <optional>
#include <string>

#include "errors.h"
#include "handles.h"
#include "level_zero.h"
#include "report_text.h"
#include "sensors.h"
#include "text.h"

namespace zeprobe {
namespace {

void addTemperatures(ordered_json& object, zes_device_handle_t device) {
  for (const TemperatureSample& sample : collectTemperatureSensors(device)) {
    if (sample.properties.type == ZES_TEMP_SENSORS_GPU) {
      object["temperature_gpu"] = sample.temperature;
    } else if (sample.properties.type == ZES_TEMP_SENSORS_MEMORY) {
      object["temperature_memory"] = sample.temperature;
    }
  }
}

// ZES_FREQ_DOMAIN_MEDIA came with a later Level Zero version than Debian's headers know.
constexpr std::uint32_t kFrequencyDomainMedia = 2;

const char* frequencyKey(zes_freq_domain_t domain) {
  switch (static_cast<std::uint32_t>(domain)) {
    case ZES_FREQ_DOMAIN_GPU:
      return "frequency_gpu";
    case ZES_FREQ_DOMAIN_MEMORY:
      return "frequency_memory";
    case kFrequencyDomainMedia:
      return "frequency_media";
    default:
      return nullptr;
  }
}

void addFrequencies(ordered_json& object, zes_device_handle_t device) {
  for (const FrequencySample& sample : collectFrequencyDomains(device)) {
    if (const char* key = frequencyKey(sample.properties.type)) object[key] = sample.state.actual;
  }
}

void addPower(ordered_json& object, zes_device_handle_t device) {
  object["power"] = measureCardPower(device);
}

void addFanSpeed(ordered_json& object, zes_device_handle_t device) {
  object["fan_speeds"] = collectFanSpeeds(device).front();
}

void reportSensorGroupFailure(const std::exception& error) {
  std::cerr << error.what() << std::endl;
}

// Runs one sensor group; its failure is reported and leaves only that group's keys out. A
// group fails by a Level Zero call or reading (SensorError), by a value the JSON library
// refuses, or for want of memory; every other error, a FatalError above all, ends the run.
template <typename Group>
void runSensorGroup(Group group, ordered_json& object, zes_device_handle_t device) {
  try {
    group(object, device);
  } catch (const SensorError& error) {
    reportSensorGroupFailure(error);
  } catch (const nlohmann::json::exception& error) {
    reportSensorGroupFailure(error);
  } catch (const std::bad_alloc& error) {
    reportSensorGroupFailure(error);
  }
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

// A device whose driver has no Sysman memory query answers it with one of these codes; it
// keeps its report, without memory keys.
bool memoryQueryUnsupported(ze_result_t result) {
  return result == ZE_RESULT_ERROR_UNSUPPORTED_FEATURE || result == ZE_RESULT_ERROR_UNINITIALIZED;
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

}  // namespace

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

void addPciAddressField(ordered_json& object, ze_device_handle_t device) {
  ze_pci_ext_properties_t properties{};
  properties.stype = ZE_STRUCTURE_TYPE_PCI_EXT_PROPERTIES;
  checkCall<FatalError>(levelZero.zeDevicePciGetPropertiesExt(device, &properties),
                        "zeDevicePciGetPropertiesExt");
  const ze_pci_address_ext_t& address = properties.address;
  object["pci_address"] = common::pciAddressText(address.bus, address.device, address.function);
}

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
  runSensorGroup(addTemperatures, object, device);
  runSensorGroup(addFrequencies, object, device);
  runSensorGroup(addPower, object, device);
  runSensorGroup(addFanSpeed, object, device);
  return object;
}

}  // namespace zeprobe
