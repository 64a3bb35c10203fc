#include "overdrive_members.h"

#include <algorithm>
#include <memory>

#include "adl_binding.h"
#include "free_deleter.h"
#include "report_lines.h"

namespace radprobe {
namespace {

void writePMLogMembers(std::ostream& out, adl::Context context, int adapterIndex,
                       const adl::ADLPMLogDataOutput& pmLog);
void writeComputedFanPercent(std::ostream& out, adl::Context context, int adapterIndex,
                             const adl::ADLSingleSensorData& fanRpm);
std::optional<adl::ADLOD8InitSetting> readOverdrive8Settings(adl::Context context,
                                                             int adapterIndex);
void writeOverdrive5Members(std::ostream& out, adl::Context context, int adapterIndex);
void writeFanSpeed(std::ostream& out, adl::Context context, int adapterIndex, int speedType,
                   const char* key);
void writeActivityMembers(std::ostream& out, adl::Context context, int adapterIndex);

}  // namespace

void writeOverdriveMembers(std::ostream& out, adl::Context context, int adapterIndex) {
  int supported = 0;
  int enabled = 0;
  int version = 0;
  if (!adlSucceeded(
          adlApi.ADL2_Overdrive_Caps(context, adapterIndex, &supported, &enabled, &version))) {
    return;
  }
  writeMember(out, "overdrive_supported", supported != 0);
  writeMember(out, "overdrive_enabled", enabled != 0);
  writeMember(out, "overdrive_version", version);
  if (supported == 0) return;

  adl::ADLPMLogDataOutput pmLog{};
  if (version >= 8 &&
      adlSucceeded(adlApi.ADL2_New_QueryPMLogData_Get(context, adapterIndex, &pmLog))) {
    writePMLogMembers(out, context, adapterIndex, pmLog);
  } else {
    writeOverdrive5Members(out, context, adapterIndex);
  }
}

std::optional<std::int64_t> fanPercentFromRpm(int rpm, int maximumRpm) {
  if (maximumRpm <= 0) return std::nullopt;
  return std::int64_t{rpm} * 100 / maximumRpm;
}

namespace {

void writePMLogMembers(std::ostream& out, adl::Context context, int adapterIndex,
                       const adl::ADLPMLogDataOutput& pmLog) {
  const auto writeSensor = [&](const char* key, int sensor) {
    if (pmLog.sensors[sensor].supported) writeMember(out, key, pmLog.sensors[sensor].value);
  };
  writeSensor("temperature", adl::PMLOG_TEMPERATURE_EDGE);
  if (pmLog.sensors[adl::PMLOG_FAN_PERCENTAGE].supported) {
    writeSensor("fan_speed_percent", adl::PMLOG_FAN_PERCENTAGE);
  } else {
    writeComputedFanPercent(out, context, adapterIndex, pmLog.sensors[adl::PMLOG_FAN_RPM]);
  }
  writeSensor("fan_speed_rpm", adl::PMLOG_FAN_RPM);
  writeSensor("core_clock", adl::PMLOG_CLK_GFXCLK);
  writeSensor("memory_clock", adl::PMLOG_CLK_MEMCLK);
  writeSensor("core_voltage", adl::PMLOG_GFX_VOLTAGE);
  writeSensor("core_utilization", adl::PMLOG_INFO_ACTIVITY_GFX);
  writeSensor("memory_utilization", adl::PMLOG_INFO_ACTIVITY_MEM);
  writeSensor("power_draw", adl::PMLOG_ASIC_POWER);
}

void writeComputedFanPercent(std::ostream& out, adl::Context context, int adapterIndex,
                             const adl::ADLSingleSensorData& fanRpm) {
  const auto settings = readOverdrive8Settings(context, adapterIndex);
  if (!settings || !fanRpm.supported) return;
  const int maximumRpm = settings->od8SettingTable[adl::OD8_FAN_ACOUSTIC_LIMIT].maxValue;
  if (const auto percent = fanPercentFromRpm(fanRpm.value, maximumRpm)) {
    writeMember(out, "fan_speed_percent", *percent);
  }
}

// The Overdrive 8 initial settings, or empty when the query does not return exactly ADL_OK.
// The list the library hands over is freed in every case.
std::optional<adl::ADLOD8InitSetting> readOverdrive8Settings(adl::Context context,
                                                             int adapterIndex) {
  adl::ADLOD8InitSetting settings{};
  settings.count = adl::kOD8SettingCount;
  int capabilities = 0;
  int featureCount = adl::kOD8SettingCount;
  adl::ADLOD8SingleInitSetting* list = nullptr;
  const int result = adlApi.ADL2_Overdrive8_Init_SettingX2_Get(context, adapterIndex, &capabilities,
                                                               &featureCount, &list);
  const std::unique_ptr<adl::ADLOD8SingleInitSetting, common::FreeDeleter> ownedList(list);
  if (result != adl::ADL_OK) return std::nullopt;

  const int copied = list ? std::clamp(featureCount, 0, adl::kOD8SettingCount) : 0;
  std::copy_n(list, copied, settings.od8SettingTable);
  settings.count = copied;
  settings.overdrive8Capabilities = capabilities;
  return settings;
}

void writeOverdrive5Members(std::ostream& out, adl::Context context, int adapterIndex) {
  adl::ADLTemperature temperature{};
  temperature.iSize = sizeof temperature;
  if (adlSucceeded(
          adlApi.ADL2_Overdrive5_Temperature_Get(context, adapterIndex, 0, &temperature))) {
    writeMember(out, "temperature", temperature.iTemperature / 1000);  // millidegrees
  }
  writeFanSpeed(out, context, adapterIndex, adl::ADL_DL_FANCTRL_SPEED_TYPE_PERCENT,
                "fan_speed_percent");
  writeFanSpeed(out, context, adapterIndex, adl::ADL_DL_FANCTRL_SPEED_TYPE_RPM, "fan_speed_rpm");
  writeActivityMembers(out, context, adapterIndex);
  int power = 0;
  if (adlSucceeded(adlApi.ADL2_Overdrive6_CurrentPower_Get(context, adapterIndex, 0, &power))) {
    writeMember(out, "power_draw", power >> 8);  // 8 fractional bits
  }
}

void writeFanSpeed(std::ostream& out, adl::Context context, int adapterIndex, int speedType,
                   const char* key) {
  adl::ADLFanSpeedValue fanSpeed{};
  fanSpeed.iSpeedType = speedType;
  if (adlSucceeded(adlApi.ADL2_Overdrive5_FanSpeed_Get(context, adapterIndex, 0, &fanSpeed))) {
    writeMember(out, key, fanSpeed.iFanSpeed);
  }
}

void writeActivityMembers(std::ostream& out, adl::Context context, int adapterIndex) {
  adl::ADLPMActivity activity{};
  if (!adlSucceeded(adlApi.ADL2_Overdrive5_CurrentActivity_Get(context, adapterIndex, &activity))) {
    return;
  }
  // Clocks come in units of 10 kHz.
  writeMember(out, "core_clock", activity.iEngineClock / 100);
  writeMember(out, "memory_clock", activity.iMemoryClock / 100);
  writeMember(out, "core_voltage", activity.iVddc);
  writeMember(out, "gpu_utilization", activity.iActivityPercent);
  writeMember(out, "performance_level_index", activity.iCurrentPerformanceLevel);
  writeMember(out, "pcie_bus_speed", activity.iCurrentBusSpeed);
  writeMember(out, "pcie_bus_lanes", activity.iCurrentBusLanes);
  writeMember(out, "maximum_pcie_bus_lanes", activity.iMaximumBusLanes);
}

}  // namespace
}  // namespace radprobe
