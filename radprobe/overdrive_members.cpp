#include "overdrive_members.h"

#include <algorithm>
#include <memory>

#include "adl_binding.h"
#include "common/free_deleter.h"
#include "report_lines.h"

namespace radprobe {
namespace {

// What the telemetry members are read from: the PMLog sensor table and, for the Overdrive 5
// and 6 path, the queries each asked at most once.
class TelemetrySource {
 public:
  TelemetrySource(adl::Context context, int adapterIndex, const adl::ADLPMLogDataOutput& pmLog)
      : context_(context), adapterIndex_(adapterIndex), pmLog_(pmLog) {}

  adl::Context context() const { return context_; }
  int adapterIndex() const { return adapterIndex_; }
  const adl::ADLSingleSensorData& sensor(int number) const { return pmLog_.sensors[number]; }
  // The Overdrive 5 activity, queried at its first use; empty when the query fails.
  const std::optional<adl::ADLPMActivity>& activity();

 private:
  adl::Context context_;
  int adapterIndex_;
  const adl::ADLPMLogDataOutput& pmLog_;
  bool activityQueried_ = false;
  std::optional<adl::ADLPMActivity> activity_;
};

// A member's value on one path, or empty when its sensor or query gives none.
using Reading = std::optional<std::int64_t> (*)(TelemetrySource& source);

// A telemetry member and how each path reads it; a null reading leaves it out of that path.
struct TelemetryMember {
  const char* key;
  Reading pmLog;
  Reading overdrive5;
};

template <int number>
std::optional<std::int64_t> sensorValue(TelemetrySource& source);
std::optional<std::int64_t> fanPercentFromSensors(TelemetrySource& source);
std::optional<std::int64_t> overdrive5Temperature(TelemetrySource& source);
template <int speedType>
std::optional<std::int64_t> overdrive5FanSpeed(TelemetrySource& source);
template <int adl::ADLPMActivity::*field, int divisor = 1>
std::optional<std::int64_t> activityValue(TelemetrySource& source);
std::optional<std::int64_t> overdrive6Power(TelemetrySource& source);
std::optional<adl::ADLOD8InitSetting> readOverdrive8Settings(adl::Context context,
                                                             int adapterIndex);

// The telemetry members in report order: the README's table of PMLog and OD5 sources.
constexpr TelemetryMember kTelemetryMembers[] = {
    {"temperature", sensorValue<adl::PMLOG_TEMPERATURE_EDGE>, overdrive5Temperature},
    {"fan_speed_percent", fanPercentFromSensors,
     overdrive5FanSpeed<adl::ADL_DL_FANCTRL_SPEED_TYPE_PERCENT>},
    {"fan_speed_rpm", sensorValue<adl::PMLOG_FAN_RPM>,
     overdrive5FanSpeed<adl::ADL_DL_FANCTRL_SPEED_TYPE_RPM>},
    // Activity clocks come in units of 10 kHz.
    {"core_clock", sensorValue<adl::PMLOG_CLK_GFXCLK>,
     activityValue<&adl::ADLPMActivity::iEngineClock, 100>},
    {"memory_clock", sensorValue<adl::PMLOG_CLK_MEMCLK>,
     activityValue<&adl::ADLPMActivity::iMemoryClock, 100>},
    {"core_voltage", sensorValue<adl::PMLOG_GFX_VOLTAGE>,
     activityValue<&adl::ADLPMActivity::iVddc>},
    {"core_utilization", sensorValue<adl::PMLOG_INFO_ACTIVITY_GFX>, nullptr},
    {"memory_utilization", sensorValue<adl::PMLOG_INFO_ACTIVITY_MEM>, nullptr},
    {"gpu_utilization", nullptr, activityValue<&adl::ADLPMActivity::iActivityPercent>},
    {"performance_level_index", nullptr,
     activityValue<&adl::ADLPMActivity::iCurrentPerformanceLevel>},
    {"pcie_bus_speed", nullptr, activityValue<&adl::ADLPMActivity::iCurrentBusSpeed>},
    {"pcie_bus_lanes", nullptr, activityValue<&adl::ADLPMActivity::iCurrentBusLanes>},
    {"maximum_pcie_bus_lanes", nullptr, activityValue<&adl::ADLPMActivity::iMaximumBusLanes>},
    {"power_draw", sensorValue<adl::PMLOG_ASIC_POWER>, overdrive6Power},
};

}  // namespace

void writeOverdriveMembers(std::ostream& out, adl::Context context, int adapterIndex) {
  int supported = 0;
  int enabled = 0;
  int version = 0;
  if (!adl::succeeded(
          adl.ADL2_Overdrive_Caps(context, adapterIndex, &supported, &enabled, &version))) {
    return;
  }
  writeMember(out, "overdrive_supported", supported != 0);
  writeMember(out, "overdrive_enabled", enabled != 0);
  writeMember(out, "overdrive_version", version);
  if (supported == 0) return;

  adl::ADLPMLogDataOutput pmLog{};
  const bool fromPMLog = version >= 8 && adl::succeeded(adl.ADL2_New_QueryPMLogData_Get(
                                             context, adapterIndex, &pmLog));
  TelemetrySource source(context, adapterIndex, pmLog);
  for (const TelemetryMember& member : kTelemetryMembers) {
    const Reading read = fromPMLog ? member.pmLog : member.overdrive5;
    if (read == nullptr) continue;
    if (const auto value = read(source)) writeMember(out, member.key, *value);
  }
}

std::optional<std::int64_t> fanPercentFromRpm(int rpm, int maximumRpm) {
  if (maximumRpm <= 0) return std::nullopt;
  return std::int64_t{rpm} * 100 / maximumRpm;
}

namespace {

template <int number>
std::optional<std::int64_t> sensorValue(TelemetrySource& source) {
  const adl::ADLSingleSensorData& sensor = source.sensor(number);
  if (!sensor.supported) return std::nullopt;
  return sensor.value;
}

// The fan percent sensor; without it, the fan RPM sensor against the Overdrive 8 fan maximum.
// The settings are queried whenever the percent sensor is missing.
std::optional<std::int64_t> fanPercentFromSensors(TelemetrySource& source) {
  if (const auto percent = sensorValue<adl::PMLOG_FAN_PERCENTAGE>(source)) return percent;
  const auto settings = readOverdrive8Settings(source.context(), source.adapterIndex());
  const adl::ADLSingleSensorData& fanRpm = source.sensor(adl::PMLOG_FAN_RPM);
  if (!settings || !fanRpm.supported) return std::nullopt;
  return fanPercentFromRpm(fanRpm.value,
                           settings->od8SettingTable[adl::OD8_FAN_ACOUSTIC_LIMIT].maxValue);
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
  const int result = adl.ADL2_Overdrive8_Init_SettingX2_Get(context, adapterIndex, &capabilities,
                                                            &featureCount, &list);
  const std::unique_ptr<adl::ADLOD8SingleInitSetting, common::FreeDeleter> ownedList(list);
  if (result != adl::ADL_OK) return std::nullopt;

  const int copied = list ? std::clamp(featureCount, 0, adl::kOD8SettingCount) : 0;
  std::copy_n(list, copied, settings.od8SettingTable);
  settings.count = copied;
  settings.overdrive8Capabilities = capabilities;
  return settings;
}

std::optional<std::int64_t> overdrive5Temperature(TelemetrySource& source) {
  adl::ADLTemperature temperature{};
  temperature.iSize = sizeof temperature;
  if (!adl::succeeded(adl.ADL2_Overdrive5_Temperature_Get(source.context(), source.adapterIndex(),
                                                          0, &temperature))) {
    return std::nullopt;
  }
  return temperature.iTemperature / 1000;  // millidegrees
}

template <int speedType>
std::optional<std::int64_t> overdrive5FanSpeed(TelemetrySource& source) {
  adl::ADLFanSpeedValue fanSpeed{};
  fanSpeed.iSpeedType = speedType;
  if (!adl::succeeded(adl.ADL2_Overdrive5_FanSpeed_Get(source.context(), source.adapterIndex(), 0,
                                                       &fanSpeed))) {
    return std::nullopt;
  }
  return fanSpeed.iFanSpeed;
}

template <int adl::ADLPMActivity::*field, int divisor>
std::optional<std::int64_t> activityValue(TelemetrySource& source) {
  const auto& activity = source.activity();
  if (!activity) return std::nullopt;
  return (*activity).*field / divisor;
}

const std::optional<adl::ADLPMActivity>& TelemetrySource::activity() {
  if (!activityQueried_) {
    activityQueried_ = true;
    adl::ADLPMActivity activity{};
    if (adl::succeeded(
            adl.ADL2_Overdrive5_CurrentActivity_Get(context_, adapterIndex_, &activity))) {
      activity_ = activity;
    }
  }
  return activity_;
}

std::optional<std::int64_t> overdrive6Power(TelemetrySource& source) {
  int power = 0;
  if (!adl::succeeded(adl.ADL2_Overdrive6_CurrentPower_Get(source.context(), source.adapterIndex(),
                                                           0, &power))) {
    return std::nullopt;
  }
  return power >> 8;  // 8 fractional bits
}

}  // namespace
}  // namespace radprobe
