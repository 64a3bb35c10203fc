// Windows face of the simulation: a stand-in for ze_loader.dll that exports the Level Zero
// functions zeprobe calls and answers them from the scenario.
#include <windows.h>

#include <vector>

#include "engine.hpp"

namespace zesim {

// GetEnvironmentVariableA, not getenv: the C runtime's copy of the environment does not see
// variables that the program set with SetEnvironmentVariableW.
std::optional<std::string> environmentValue(const char* name) {
  const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
  if (size == 0) return std::nullopt;
  std::vector<char> value(size);
  const DWORD length = GetEnvironmentVariableA(name, value.data(), size);
  if (length == 0 || length >= size) return std::nullopt;
  return std::string(value.data(), length);
}

}  // namespace zesim

extern "C" {

ze_result_t ZE_APICALL zeInit(ze_init_flags_t flags) {
  return zesim::init(flags);
}

ze_result_t ZE_APICALL zeDriverGet(uint32_t* pCount, ze_driver_handle_t* phDrivers) {
  return zesim::driverGet(pCount, phDrivers);
}

ze_result_t ZE_APICALL zeDriverGetProperties(ze_driver_handle_t hDriver,
                                             ze_driver_properties_t* pDriverProperties) {
  return zesim::driverGetProperties(hDriver, pDriverProperties);
}

ze_result_t ZE_APICALL zeDriverGetApiVersion(ze_driver_handle_t hDriver,
                                             ze_api_version_t* version) {
  return zesim::driverGetApiVersion(hDriver, version);
}

ze_result_t ZE_APICALL zeDeviceGet(ze_driver_handle_t hDriver, uint32_t* pCount,
                                   ze_device_handle_t* phDevices) {
  return zesim::deviceGet(hDriver, pCount, phDevices);
}

ze_result_t ZE_APICALL zeDeviceGetProperties(ze_device_handle_t hDevice,
                                             ze_device_properties_t* pDeviceProperties) {
  return zesim::deviceGetProperties(hDevice, pDeviceProperties);
}

ze_result_t ZE_APICALL zeDevicePciGetPropertiesExt(ze_device_handle_t hDevice,
                                                   ze_pci_ext_properties_t* pPciProperties) {
  return zesim::devicePciGetPropertiesExt(hDevice, pPciProperties);
}

ze_result_t ZE_APICALL zesDeviceEnumMemoryModules(zes_device_handle_t hDevice, uint32_t* pCount,
                                                  zes_mem_handle_t* phMemory) {
  return zesim::deviceEnumMemoryModules(hDevice, pCount, phMemory);
}

ze_result_t ZE_APICALL zesMemoryGetProperties(zes_mem_handle_t hMemory,
                                              zes_mem_properties_t* pProperties) {
  return zesim::memoryGetProperties(hMemory, pProperties);
}

ze_result_t ZE_APICALL zesMemoryGetState(zes_mem_handle_t hMemory, zes_mem_state_t* pState) {
  return zesim::memoryGetState(hMemory, pState);
}

ze_result_t ZE_APICALL zesDeviceEnumTemperatureSensors(zes_device_handle_t hDevice,
                                                       uint32_t* pCount,
                                                       zes_temp_handle_t* phTemperature) {
  return zesim::deviceEnumTemperatureSensors(hDevice, pCount, phTemperature);
}

ze_result_t ZE_APICALL zesTemperatureGetProperties(zes_temp_handle_t hTemperature,
                                                   zes_temp_properties_t* pProperties) {
  return zesim::temperatureGetProperties(hTemperature, pProperties);
}

ze_result_t ZE_APICALL zesTemperatureGetState(zes_temp_handle_t hTemperature,
                                              double* pTemperature) {
  return zesim::temperatureGetState(hTemperature, pTemperature);
}

ze_result_t ZE_APICALL zesDeviceEnumFrequencyDomains(zes_device_handle_t hDevice, uint32_t* pCount,
                                                     zes_freq_handle_t* phFrequency) {
  return zesim::deviceEnumFrequencyDomains(hDevice, pCount, phFrequency);
}

ze_result_t ZE_APICALL zesFrequencyGetProperties(zes_freq_handle_t hFrequency,
                                                 zes_freq_properties_t* pProperties) {
  return zesim::frequencyGetProperties(hFrequency, pProperties);
}

ze_result_t ZE_APICALL zesFrequencyGetState(zes_freq_handle_t hFrequency,
                                            zes_freq_state_t* pState) {
  return zesim::frequencyGetState(hFrequency, pState);
}

ze_result_t ZE_APICALL zesDeviceGetCardPowerDomain(zes_device_handle_t hDevice,
                                                   zes_pwr_handle_t* phPower) {
  return zesim::deviceGetCardPowerDomain(hDevice, phPower);
}

ze_result_t ZE_APICALL zesPowerGetEnergyCounter(zes_pwr_handle_t hPower,
                                                zes_power_energy_counter_t* pEnergy) {
  return zesim::powerGetEnergyCounter(hPower, pEnergy);
}

ze_result_t ZE_APICALL zesDeviceEnumFans(zes_device_handle_t hDevice, uint32_t* pCount,
                                         zes_fan_handle_t* phFan) {
  return zesim::deviceEnumFans(hDevice, pCount, phFan);
}

ze_result_t ZE_APICALL zesFanGetState(zes_fan_handle_t hFan, zes_fan_speed_units_t units,
                                      int32_t* pSpeed) {
  return zesim::fanGetState(hFan, units, pSpeed);
}

}  // extern "C"
