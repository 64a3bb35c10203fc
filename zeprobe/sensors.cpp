#include "sensors.h"

#include "errors.h"
#include "handles.h"
#include "level_zero.h"
#include "platform.h"

namespace zeprobe {

namespace {

constexpr unsigned kEnergySampleIntervalMs = 100;

zes_power_energy_counter_t readEnergy(zes_pwr_handle_t power) {
  zes_power_energy_counter_t sample{};
  checkCall<SensorError>(levelZero.zesPowerGetEnergyCounter(power, &sample),
                         "zesPowerGetEnergyCounter");
  return sample;
}

}  // namespace

std::vector<TemperatureSample> collectTemperatureSensors(zes_device_handle_t device) {
  constexpr const char* kEnum = "zesDeviceEnumTemperatureSensors";
  const auto enumerate = [device](std::uint32_t* count, zes_temp_handle_t* handles) {
    return levelZero.zesDeviceEnumTemperatureSensors(device, count, handles);
  };
  const std::uint32_t count = queryHandleCount<SensorError>(kEnum, enumerate);
  if (count == 0)
    throw SensorError("zesDeviceEnumTemperatureSensors failed: no temperature sensors found");
  std::vector<TemperatureSample> samples;
  for (zes_temp_handle_t sensor :
       fetchHandles<SensorError, zes_temp_handle_t>(kEnum, enumerate, count)) {
    TemperatureSample sample{};
    sample.properties.stype = ZES_STRUCTURE_TYPE_TEMP_PROPERTIES;
    checkCall<SensorError>(levelZero.zesTemperatureGetProperties(sensor, &sample.properties),
                           "zesTemperatureGetProperties");
    checkCall<SensorError>(levelZero.zesTemperatureGetState(sensor, &sample.temperature),
                           "zesTemperatureGetState");
    samples.push_back(sample);
  }
  return samples;
}

std::vector<FrequencySample> collectFrequencyDomains(zes_device_handle_t device) {
  const auto domains = enumerateHandles<SensorError, zes_freq_handle_t>(
      "zesDeviceEnumFrequencyDomains", [device](std::uint32_t* count, zes_freq_handle_t* handles) {
        return levelZero.zesDeviceEnumFrequencyDomains(device, count, handles);
      });
  std::vector<FrequencySample> samples;
  for (zes_freq_handle_t domain : domains) {
    FrequencySample sample{};
    sample.properties.stype = ZES_STRUCTURE_TYPE_FREQ_PROPERTIES;
    checkCall<SensorError>(levelZero.zesFrequencyGetProperties(domain, &sample.properties),
                           "zesFrequencyGetProperties");
    sample.state.stype = ZES_STRUCTURE_TYPE_FREQ_STATE;
    checkCall<SensorError>(levelZero.zesFrequencyGetState(domain, &sample.state),
                           "zesFrequencyGetState");
    samples.push_back(sample);
  }
  return samples;
}

std::vector<std::int32_t> collectFanSpeeds(zes_device_handle_t device) {
  constexpr const char* kEnum = "zesDeviceEnumFans";
  constexpr const char* kNoFans = "zesDeviceEnumFans failed: no fans found";
  const auto enumerate = [device](std::uint32_t* count, zes_fan_handle_t* handles) {
    return levelZero.zesDeviceEnumFans(device, count, handles);
  };
  const std::uint32_t count = queryHandleCount<SensorError>(kEnum, enumerate);
  if (count == 0) throw SensorError(kNoFans);
  const auto fans = fetchHandles<SensorError, zes_fan_handle_t>(kEnum, enumerate, count);
  // The second call may report fewer fans than the first, down to none.
  if (fans.empty()) throw SensorError(kNoFans);
  std::vector<std::int32_t> speeds;
  for (zes_fan_handle_t fan : fans) {
    std::int32_t speed = 0;
    checkCall<SensorError>(levelZero.zesFanGetState(fan, ZES_FAN_SPEED_UNITS_PERCENT, &speed),
                           "zesFanGetState");
    speeds.push_back(speed);
  }
  return speeds;
}

std::uint64_t averagePowerWatts(const zes_power_energy_counter_t& first,
                                const zes_power_energy_counter_t& second) {
  if (second.timestamp <= first.timestamp) {
    throw SensorError("zesPowerGetEnergyCounter failed: timestamp did not advance");
  }
  if (second.energy < first.energy) {
    throw SensorError("zesPowerGetEnergyCounter failed: energy counter went backwards");
  }
  return (second.energy - first.energy) / (second.timestamp - first.timestamp);
}

std::uint64_t measureCardPower(zes_device_handle_t device) {
  zes_pwr_handle_t power = nullptr;
  checkCall<SensorError>(levelZero.zesDeviceGetCardPowerDomain(device, &power),
                         "zesDeviceGetCardPowerDomain");
  const zes_power_energy_counter_t first = readEnergy(power);
  sleepMilliseconds(kEnergySampleIntervalMs);
  const zes_power_energy_counter_t second = readEnergy(power);
  return averagePowerWatts(first, second);
}

}  // namespace zeprobe
