// The sensor groups of a device object: temperatures, frequencies, card power and fan speed.
// Each group collects all its readings before it writes its keys, so a group that fails
// leaves none of them behind.
#pragma once

#include <level_zero/zes_api.h>

#include <cstdint>
#include <nlohmann/json.hpp>

namespace zeprobe {

// Adds the four groups' keys in their order. A group fails by a Level Zero call or reading
// (SensorError), by a value the JSON library refuses, or for want of memory: its failure is
// written on standard error and leaves only its keys out. Every other error, a FatalError
// above all, ends the run.
void addSensorGroups(nlohmann::ordered_json& object, zes_device_handle_t device);

// Average power in whole watts between two energy samples (microjoules over microseconds).
// Raises SensorError when the samples cannot give a power.
std::uint64_t averagePowerWatts(const zes_power_energy_counter_t& first,
                                const zes_power_energy_counter_t& second);

}  // namespace zeprobe
