// Linux face of the simulation: a Level Zero driver library. The loader fills its dispatch
// tables through these getters, all of which it requires. Each table's slots for the functions
// of interfaces/level_zero_entry_points.inc point to the engine; every other slot is left empty.
#include <level_zero/ze_api.h>
#include <level_zero/ze_ddi.h>
#include <level_zero/zes_api.h>
#include <level_zero/zes_ddi.h>
#include <level_zero/zet_ddi.h>

#include <type_traits>

namespace simulated::level_zero {
namespace {

// Sets the slots of the table that serve a function of level_zero_entry_points.inc.
template <typename Table>
void fillServedSlots(Table& table) {
#define LEVEL_ZERO_ENTRY_POINT(name, ServingTable, slot) \
  if constexpr (std::is_same_v<Table, ServingTable>) table.slot = ::name;
#include "interfaces/level_zero_entry_points.inc"
}

// Clears the caller's table and sets the slots that the simulation serves.
template <typename Table>
ze_result_t provideTable(ze_api_version_t version, Table* table) {
  if (table == nullptr) return ZE_RESULT_ERROR_INVALID_NULL_POINTER;
  if (ZE_MAJOR_VERSION(version) != ZE_MAJOR_VERSION(ZE_API_VERSION_CURRENT)) {
    return ZE_RESULT_ERROR_UNSUPPORTED_VERSION;
  }
  *table = Table{};
  fillServedSlots(*table);
  return ZE_RESULT_SUCCESS;
}

}  // namespace
}  // namespace simulated::level_zero

// The dispatch-table getters that the loader requires of a driver library, each with the
// table it fills.
#define DISPATCH_TABLE_GETTER(getter, Table)                                                      \
  extern "C" ZE_DLLEXPORT ze_result_t ZE_APICALL getter(ze_api_version_t version, Table* table) { \
    return simulated::level_zero::provideTable(version, table);                                   \
  }

DISPATCH_TABLE_GETTER(zeGetCommandListProcAddrTable, ze_command_list_dditable_t)
DISPATCH_TABLE_GETTER(zeGetCommandQueueProcAddrTable, ze_command_queue_dditable_t)
DISPATCH_TABLE_GETTER(zeGetContextProcAddrTable, ze_context_dditable_t)
DISPATCH_TABLE_GETTER(zeGetDeviceProcAddrTable, ze_device_dditable_t)
DISPATCH_TABLE_GETTER(zeGetDriverProcAddrTable, ze_driver_dditable_t)
DISPATCH_TABLE_GETTER(zeGetEventPoolProcAddrTable, ze_event_pool_dditable_t)
DISPATCH_TABLE_GETTER(zeGetEventProcAddrTable, ze_event_dditable_t)
DISPATCH_TABLE_GETTER(zeGetFenceProcAddrTable, ze_fence_dditable_t)
DISPATCH_TABLE_GETTER(zeGetGlobalProcAddrTable, ze_global_dditable_t)
DISPATCH_TABLE_GETTER(zeGetImageProcAddrTable, ze_image_dditable_t)
DISPATCH_TABLE_GETTER(zeGetKernelProcAddrTable, ze_kernel_dditable_t)
DISPATCH_TABLE_GETTER(zeGetMemProcAddrTable, ze_mem_dditable_t)
DISPATCH_TABLE_GETTER(zeGetModuleBuildLogProcAddrTable, ze_module_build_log_dditable_t)
DISPATCH_TABLE_GETTER(zeGetModuleProcAddrTable, ze_module_dditable_t)
DISPATCH_TABLE_GETTER(zeGetPhysicalMemProcAddrTable, ze_physical_mem_dditable_t)
DISPATCH_TABLE_GETTER(zeGetSamplerProcAddrTable, ze_sampler_dditable_t)
DISPATCH_TABLE_GETTER(zeGetVirtualMemProcAddrTable, ze_virtual_mem_dditable_t)
DISPATCH_TABLE_GETTER(zesGetDeviceProcAddrTable, zes_device_dditable_t)
DISPATCH_TABLE_GETTER(zesGetDiagnosticsProcAddrTable, zes_diagnostics_dditable_t)
DISPATCH_TABLE_GETTER(zesGetDriverProcAddrTable, zes_driver_dditable_t)
DISPATCH_TABLE_GETTER(zesGetEngineProcAddrTable, zes_engine_dditable_t)
DISPATCH_TABLE_GETTER(zesGetFabricPortProcAddrTable, zes_fabric_port_dditable_t)
DISPATCH_TABLE_GETTER(zesGetFanProcAddrTable, zes_fan_dditable_t)
DISPATCH_TABLE_GETTER(zesGetFirmwareProcAddrTable, zes_firmware_dditable_t)
DISPATCH_TABLE_GETTER(zesGetFrequencyProcAddrTable, zes_frequency_dditable_t)
DISPATCH_TABLE_GETTER(zesGetLedProcAddrTable, zes_led_dditable_t)
DISPATCH_TABLE_GETTER(zesGetMemoryProcAddrTable, zes_memory_dditable_t)
DISPATCH_TABLE_GETTER(zesGetPerformanceFactorProcAddrTable, zes_performance_factor_dditable_t)
DISPATCH_TABLE_GETTER(zesGetPowerProcAddrTable, zes_power_dditable_t)
DISPATCH_TABLE_GETTER(zesGetPsuProcAddrTable, zes_psu_dditable_t)
DISPATCH_TABLE_GETTER(zesGetRasProcAddrTable, zes_ras_dditable_t)
DISPATCH_TABLE_GETTER(zesGetSchedulerProcAddrTable, zes_scheduler_dditable_t)
DISPATCH_TABLE_GETTER(zesGetStandbyProcAddrTable, zes_standby_dditable_t)
DISPATCH_TABLE_GETTER(zesGetTemperatureProcAddrTable, zes_temperature_dditable_t)
DISPATCH_TABLE_GETTER(zetGetCommandListProcAddrTable, zet_command_list_dditable_t)
DISPATCH_TABLE_GETTER(zetGetContextProcAddrTable, zet_context_dditable_t)
DISPATCH_TABLE_GETTER(zetGetDebugProcAddrTable, zet_debug_dditable_t)
DISPATCH_TABLE_GETTER(zetGetDeviceProcAddrTable, zet_device_dditable_t)
DISPATCH_TABLE_GETTER(zetGetKernelProcAddrTable, zet_kernel_dditable_t)
DISPATCH_TABLE_GETTER(zetGetMetricGroupProcAddrTable, zet_metric_group_dditable_t)
DISPATCH_TABLE_GETTER(zetGetMetricProcAddrTable, zet_metric_dditable_t)
DISPATCH_TABLE_GETTER(zetGetMetricQueryPoolProcAddrTable, zet_metric_query_pool_dditable_t)
DISPATCH_TABLE_GETTER(zetGetMetricQueryProcAddrTable, zet_metric_query_dditable_t)
DISPATCH_TABLE_GETTER(zetGetMetricStreamerProcAddrTable, zet_metric_streamer_dditable_t)
DISPATCH_TABLE_GETTER(zetGetModuleProcAddrTable, zet_module_dditable_t)
DISPATCH_TABLE_GETTER(zetGetTracerExpProcAddrTable, zet_tracer_exp_dditable_t)
