// The sensor groups: each collector returns its complete list, or the card power with the
// arithmetic behind it, or raises SensorError.
#pragma once

#include <level_zero/zes_api.h>

#include <cstdint>
#include <vector>

namespace zeprobe {

struct TemperatureSample {
  zes_temp_properties_t properties;
  double temperature;
};

struct FrequencySample {
  zes_freq_properties_t properties;
  zes_freq_state_t state;
};

std::vector<TemperatureSample> collectTemperatureSensors(zes_device_handle_t device);
std::vector<FrequencySample> collectFrequencyDomains(zes_device_handle_t device);
std::vector<std::int32_t> collectFanSpeeds(zes_device_handle_t device);

// Average card power in watts over two energy samples taken 100 ms apart.
std::uint64_t measureCardPower(zes_device_handle_t device);

// Average power in whole watts between two energy samples (microjoules over microseconds).
// Raises SensorError when the samples cannot give a power.
std::uint64_t averagePowerWatts(const zes_power_energy_counter_t& first,
                                const zes_power_energy_counter_t& second);

}  // namespace zeprobe
