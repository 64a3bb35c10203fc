// The simulated Level Zero functions, with the vendor's signatures. Both faces of the
// simulation (the Linux driver library and the Windows ze_loader.dll) hand these out.
//
// init loads the scenario named by ZE_SIM_SCENARIO and, like a real driver, enables the
// Sysman functions only when ZES_ENABLE_SYSMAN is "1" at that moment. A scenario that cannot
// be loaded is reported on standard error and init fails with ZE_RESULT_ERROR_UNKNOWN.
#pragma once

#include <level_zero/ze_api.h>
#include <level_zero/zes_api.h>

#include <optional>
#include <string>

namespace zesim {

// Reads a variable of the process environment; each face supplies its own.
std::optional<std::string> environmentValue(const char* name);

ze_result_t ZE_APICALL init(ze_init_flags_t flags);
ze_result_t ZE_APICALL driverGet(uint32_t* pCount, ze_driver_handle_t* phDrivers);
ze_result_t ZE_APICALL driverGetProperties(ze_driver_handle_t hDriver,
                                           ze_driver_properties_t* pDriverProperties);
ze_result_t ZE_APICALL driverGetApiVersion(ze_driver_handle_t hDriver, ze_api_version_t* version);
ze_result_t ZE_APICALL deviceGet(ze_driver_handle_t hDriver, uint32_t* pCount,
                                 ze_device_handle_t* phDevices);
ze_result_t ZE_APICALL deviceGetProperties(ze_device_handle_t hDevice,
                                           ze_device_properties_t* pDeviceProperties);
ze_result_t ZE_APICALL devicePciGetPropertiesExt(ze_device_handle_t hDevice,
                                                 ze_pci_ext_properties_t* pPciProperties);

ze_result_t ZE_APICALL deviceEnumMemoryModules(zes_device_handle_t hDevice, uint32_t* pCount,
                                               zes_mem_handle_t* phMemory);
ze_result_t ZE_APICALL memoryGetProperties(zes_mem_handle_t hMemory,
                                           zes_mem_properties_t* pProperties);
ze_result_t ZE_APICALL memoryGetState(zes_mem_handle_t hMemory, zes_mem_state_t* pState);
ze_result_t ZE_APICALL deviceEnumTemperatureSensors(zes_device_handle_t hDevice, uint32_t* pCount,
                                                    zes_temp_handle_t* phTemperature);
ze_result_t ZE_APICALL temperatureGetProperties(zes_temp_handle_t hTemperature,
                                                zes_temp_properties_t* pProperties);
ze_result_t ZE_APICALL temperatureGetState(zes_temp_handle_t hTemperature, double* pTemperature);
ze_result_t ZE_APICALL deviceEnumFrequencyDomains(zes_device_handle_t hDevice, uint32_t* pCount,
                                                  zes_freq_handle_t* phFrequency);
ze_result_t ZE_APICALL frequencyGetProperties(zes_freq_handle_t hFrequency,
                                              zes_freq_properties_t* pProperties);
ze_result_t ZE_APICALL frequencyGetState(zes_freq_handle_t hFrequency, zes_freq_state_t* pState);
ze_result_t ZE_APICALL deviceGetCardPowerDomain(zes_device_handle_t hDevice,
                                                zes_pwr_handle_t* phPower);
ze_result_t ZE_APICALL powerGetEnergyCounter(zes_pwr_handle_t hPower,
                                             zes_power_energy_counter_t* pEnergy);
ze_result_t ZE_APICALL deviceEnumFans(zes_device_handle_t hDevice, uint32_t* pCount,
                                      zes_fan_handle_t* phFan);
ze_result_t ZE_APICALL fanGetState(zes_fan_handle_t hFan, zes_fan_speed_units_t units,
                                   int32_t* pSpeed);

}  // namespace zesim
