// The sensor groups: each collector returns its complete list or raises SensorError.
#pragma once

#include <level_zero/zes_api.h>

#include <cstdint>
#include <vector>

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
