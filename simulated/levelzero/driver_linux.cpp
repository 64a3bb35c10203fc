// Linux face of the simulation: a Level Zero driver library. The loader fills its dispatch
// tables through these getters, all of which it requires; the tables the simulation does not
// serve are handed back empty.
#include <level_zero/ze_ddi.h>
#include <level_zero/zes_ddi.h>
#include <level_zero/zet_ddi.h>

#include <cstdlib>

#include "engine.hpp"

namespace zesim {

std::optional<std::string> environmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

// A Linux process has no system error dialogs to switch off.
std::optional<std::string> processSetupProblem() {
  return std::nullopt;
}

}  // namespace zesim

namespace {

// Clears the caller's table and lets `fill` set the slots that the simulation serves.
template <typename Table, typename Fill>
ze_result_t provideTable(ze_api_version_t version, Table* table, Fill fill) {
  if (table == nullptr) return ZE_RESULT_ERROR_INVALID_NULL_POINTER;
  if (ZE_MAJOR_VERSION(version) != ZE_MAJOR_VERSION(ZE_API_VERSION_CURRENT)) {
    return ZE_RESULT_ERROR_UNSUPPORTED_VERSION;
  }
  *table = Table{};
  fill(*table);
  return ZE_RESULT_SUCCESS;
}

}  // namespace

#define ZESIM_EMPTY_TABLE(getter, Table)                                                          \
  extern "C" ZE_DLLEXPORT ze_result_t ZE_APICALL getter(ze_api_version_t version, Table* table) { \
    return provideTable(version, table, [](Table&) {});                                           \
  }

extern "C" {

ZE_DLLEXPORT ze_result_t ZE_APICALL zeGetGlobalProcAddrTable(ze_api_version_t version,
                                                             ze_global_dditable_t* table) {
  return provideTable(version, table, [](ze_global_dditable_t& slots) { slots.pfnInit = zeInit; });
}

ZE_DLLEXPORT ze_result_t ZE_APICALL zeGetDriverProcAddrTable(ze_api_version_t version,
                                                             ze_driver_dditable_t* table) {
  return provideTable(version, table, [](ze_driver_dditable_t& slots) {
    slots.pfnGet = zeDriverGet;
    slots.pfnGetApiVersion = zeDriverGetApiVersion;
    slots.pfnGetProperties = zeDriverGetProperties;
  });
}

ZE_DLLEXPORT ze_result_t ZE_APICALL zeGetDeviceProcAddrTable(ze_api_version_t version,
                                                             ze_device_dditable_t* table) {
  return provideTable(version, table, [](ze_device_dditable_t& slots) {
    slots.pfnGet = zeDeviceGet;
    slots.pfnGetProperties = zeDeviceGetProperties;
    slots.pfnPciGetPropertiesExt = zeDevicePciGetPropertiesExt;
  });
}

ZE_DLLEXPORT ze_result_t ZE_APICALL zesGetDeviceProcAddrTable(ze_api_version_t version,
                                                              zes_device_dditable_t* table) {
  return provideTable(version, table, [](zes_device_dditable_t& slots) {
    slots.pfnEnumMemoryModules = zesDeviceEnumMemoryModules;
    slots.pfnEnumTemperatureSensors = zesDeviceEnumTemperatureSensors;
    slots.pfnEnumFrequencyDomains = zesDeviceEnumFrequencyDomains;
    slots.pfnGetCardPowerDomain = zesDeviceGetCardPowerDomain;
    slots.pfnEnumFans = zesDeviceEnumFans;
  });
}

ZE_DLLEXPORT ze_result_t ZE_APICALL zesGetMemoryProcAddrTable(ze_api_version_t version,
                                                              zes_memory_dditable_t* table) {
  return provideTable(version, table, [](zes_memory_dditable_t& slots) {
    slots.pfnGetProperties = zesMemoryGetProperties;
    slots.pfnGetState = zesMemoryGetState;
  });
}

ZE_DLLEXPORT ze_result_t ZE_APICALL
zesGetTemperatureProcAddrTable(ze_api_version_t version, zes_temperature_dditable_t* table) {
  return provideTable(version, table, [](zes_temperature_dditable_t& slots) {
    slots.pfnGetProperties = zesTemperatureGetProperties;
    slots.pfnGetState = zesTemperatureGetState;
  });
}

ZE_DLLEXPORT ze_result_t ZE_APICALL zesGetFrequencyProcAddrTable(ze_api_version_t version,
                                                                 zes_frequency_dditable_t* table) {
  return provideTable(version, table, [](zes_frequency_dditable_t& slots) {
    slots.pfnGetProperties = zesFrequencyGetProperties;
    slots.pfnGetState = zesFrequencyGetState;
  });
}

ZE_DLLEXPORT ze_result_t ZE_APICALL zesGetPowerProcAddrTable(ze_api_version_t version,
                                                             zes_power_dditable_t* table) {
  return provideTable(version, table, [](zes_power_dditable_t& slots) {
    slots.pfnGetEnergyCounter = zesPowerGetEnergyCounter;
  });
}

ZE_DLLEXPORT ze_result_t ZE_APICALL zesGetFanProcAddrTable(ze_api_version_t version,
                                                           zes_fan_dditable_t* table) {
  return provideTable(version, table,
                      [](zes_fan_dditable_t& slots) { slots.pfnGetState = zesFanGetState; });
}

}  // extern "C"

ZESIM_EMPTY_TABLE(zeGetCommandListProcAddrTable, ze_command_list_dditable_t)
ZESIM_EMPTY_TABLE(zeGetCommandQueueProcAddrTable, ze_command_queue_dditable_t)
ZESIM_EMPTY_TABLE(zeGetContextProcAddrTable, ze_context_dditable_t)
ZESIM_EMPTY_TABLE(zeGetEventPoolProcAddrTable, ze_event_pool_dditable_t)
ZESIM_EMPTY_TABLE(zeGetEventProcAddrTable, ze_event_dditable_t)
ZESIM_EMPTY_TABLE(zeGetFenceProcAddrTable, ze_fence_dditable_t)
ZESIM_EMPTY_TABLE(zeGetImageProcAddrTable, ze_image_dditable_t)
ZESIM_EMPTY_TABLE(zeGetKernelProcAddrTable, ze_kernel_dditable_t)
ZESIM_EMPTY_TABLE(zeGetMemProcAddrTable, ze_mem_dditable_t)
ZESIM_EMPTY_TABLE(zeGetModuleBuildLogProcAddrTable, ze_module_build_log_dditable_t)
ZESIM_EMPTY_TABLE(zeGetModuleProcAddrTable, ze_module_dditable_t)
ZESIM_EMPTY_TABLE(zeGetPhysicalMemProcAddrTable, ze_physical_mem_dditable_t)
ZESIM_EMPTY_TABLE(zeGetSamplerProcAddrTable, ze_sampler_dditable_t)
ZESIM_EMPTY_TABLE(zeGetVirtualMemProcAddrTable, ze_virtual_mem_dditable_t)
ZESIM_EMPTY_TABLE(zesGetDiagnosticsProcAddrTable, zes_diagnostics_dditable_t)
ZESIM_EMPTY_TABLE(zesGetDriverProcAddrTable, zes_driver_dditable_t)
ZESIM_EMPTY_TABLE(zesGetEngineProcAddrTable, zes_engine_dditable_t)
ZESIM_EMPTY_TABLE(zesGetFabricPortProcAddrTable, zes_fabric_port_dditable_t)
ZESIM_EMPTY_TABLE(zesGetFirmwareProcAddrTable, zes_firmware_dditable_t)
ZESIM_EMPTY_TABLE(zesGetLedProcAddrTable, zes_led_dditable_t)
ZESIM_EMPTY_TABLE(zesGetPerformanceFactorProcAddrTable, zes_performance_factor_dditable_t)
ZESIM_EMPTY_TABLE(zesGetPsuProcAddrTable, zes_psu_dditable_t)
ZESIM_EMPTY_TABLE(zesGetRasProcAddrTable, zes_ras_dditable_t)
ZESIM_EMPTY_TABLE(zesGetSchedulerProcAddrTable, zes_scheduler_dditable_t)
ZESIM_EMPTY_TABLE(zesGetStandbyProcAddrTable, zes_standby_dditable_t)
ZESIM_EMPTY_TABLE(zetGetCommandListProcAddrTable, zet_command_list_dditable_t)
ZESIM_EMPTY_TABLE(zetGetContextProcAddrTable, zet_context_dditable_t)
ZESIM_EMPTY_TABLE(zetGetDebugProcAddrTable, zet_debug_dditable_t)
ZESIM_EMPTY_TABLE(zetGetDeviceProcAddrTable, zet_device_dditable_t)
ZESIM_EMPTY_TABLE(zetGetKernelProcAddrTable, zet_kernel_dditable_t)
ZESIM_EMPTY_TABLE(zetGetMetricGroupProcAddrTable, zet_metric_group_dditable_t)
ZESIM_EMPTY_TABLE(zetGetMetricProcAddrTable, zet_metric_dditable_t)
ZESIM_EMPTY_TABLE(zetGetMetricQueryPoolProcAddrTable, zet_metric_query_pool_dditable_t)
ZESIM_EMPTY_TABLE(zetGetMetricQueryProcAddrTable, zet_metric_query_dditable_t)
ZESIM_EMPTY_TABLE(zetGetMetricStreamerProcAddrTable, zet_metric_streamer_dditable_t)
ZESIM_EMPTY_TABLE(zetGetModuleProcAddrTable, zet_module_dditable_t)
ZESIM_EMPTY_TABLE(zetGetTracerExpProcAddrTable, zet_tracer_exp_dditable_t)
