#include "sensors.h"

#include <chrono>
#include <exception>
#include <iostream>
#include <new>
#include <thread>
#include <vector>

#include "errors.h"
#include "handles.h"
#include "level_zero.h"

namespace zeprobe {
namespace {

using ordered_json = nlohmann::ordered_json;

struct TemperatureSample {
  zes_temp_properties_t properties;
  double temperature;
};

struct FrequencySample {
  zes_freq_properties_t properties;
  zes_freq_state_t state;
};

constexpr std::chrono::milliseconds kEnergySampleInterval{100};

// ZES_FREQ_DOMAIN_MEDIA came with a later Level Zero version than Debian's headers know.
constexpr std::uint32_t kFrequencyDomainMedia = 2;

template <typename Group>
void runSensorGroup(Group group, ordered_json& object, zes_device_handle_t device);
void reportSensorGroupFailure(const std::exception& error);
void addTemperatures(ordered_json& object, zes_device_handle_t device);
std::vector<TemperatureSample> collectTemperatureSensors(zes_device_handle_t device);
void addFrequencies(ordered_json& object, zes_device_handle_t device);
const char* frequencyKey(zes_freq_domain_t domain);
std::vector<FrequencySample> collectFrequencyDomains(zes_device_handle_t device);
void addPower(ordered_json& object, zes_device_handle_t device);
std::uint64_t measureCardPower(zes_device_handle_t device);
zes_power_energy_counter_t readEnergy(zes_pwr_handle_t power);
void addFanSpeed(ordered_json& object, zes_device_handle_t device);
std::vector<std::int32_t> collectFanSpeeds(zes_device_handle_t device);

}  // namespace

void addSensorGroups(ordered_json& object, zes_device_handle_t device) {
  runSensorGroup(addTemperatures, object, device);
  runSensorGroup(addFrequencies, object, device);
  runSensorGroup(addPower, object, device);
  runSensorGroup(addFanSpeed, object, device);
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

namespace {

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

void reportSensorGroupFailure(const std::exception& error) {
  std::cerr << error.what() << std::endl;
}

void addTemperatures(ordered_json& object, zes_device_handle_t device) {
  for (const TemperatureSample& sample : collectTemperatureSensors(device)) {
    if (sample.properties.type == ZES_TEMP_SENSORS_GPU) {
      object["temperature_gpu"] = sample.temperature;
    } else if (sample.properties.type == ZES_TEMP_SENSORS_MEMORY) {
      object["temperature_memory"] = sample.temperature;
    }
  }
}

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

void addFrequencies(ordered_json& object, zes_device_handle_t device) {
  for (const FrequencySample& sample : collectFrequencyDomains(device)) {
    if (const char* key = frequencyKey(sample.properties.type)) object[key] = sample.state.actual;
  }
}

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

void addPower(ordered_json& object, zes_device_handle_t device) {
  object["power"] = measureCardPower(device);
}

// Average card power in watts over two energy samples taken 100 ms apart.
std::uint64_t measureCardPower(zes_device_handle_t device) {
  zes_pwr_handle_t power = nullptr;
  checkCall<SensorError>(levelZero.zesDeviceGetCardPowerDomain(device, &power),
                         "zesDeviceGetCardPowerDomain");
  const zes_power_energy_counter_t first = readEnergy(power);
  std::this_thread::sleep_for(kEnergySampleInterval);
  const zes_power_energy_counter_t second = readEnergy(power);
  return averagePowerWatts(first, second);
}

zes_power_energy_counter_t readEnergy(zes_pwr_handle_t power) {
  zes_power_energy_counter_t sample{};
  checkCall<SensorError>(levelZero.zesPowerGetEnergyCounter(power, &sample),
                         "zesPowerGetEnergyCounter");
  return sample;
}

void addFanSpeed(ordered_json& object, zes_device_handle_t device) {
  object["fan_speeds"] = collectFanSpeeds(device).front();
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

}  // namespace
}  // namespace zeprobe
