// The simulated machine that a scenario file describes: drivers, their devices and each
// device's memory modules, sensors, power domain and fans, with the faults to inject.
// Objects are addressed by handles that are pointers to them, so a scenario is never resized
// once it has been loaded.
#pragma once

#include <level_zero/ze_api.h>
#include <level_zero/zes_api.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulated/scenario_reading.h"

namespace simulated::level_zero {

// Every function the simulation answers; faults and enumeration counts are keyed by these.
enum class EntryPoint {
#define LEVEL_ZERO_ENTRY_POINT(name, ...) name,
#include "interfaces/level_zero_entry_points.inc"
};

// The functions' names, in the order of EntryPoint.
inline constexpr std::string_view kEntryPointNames[] = {
#define LEVEL_ZERO_ENTRY_POINT(name, ...) #name,
#include "interfaces/level_zero_entry_points.inc"
};
constexpr std::size_t kEntryPointCount = std::size(kEntryPointNames);

inline std::string_view entryPointName(EntryPoint entryPoint) {
  return kEntryPointNames[static_cast<std::size_t>(entryPoint)];
}

// A scripted failure: the call returns `result` without doing its work, on every call or only
// on the `onCall`-th one (counted from 1). Results and versions are kept as plain 32-bit
// numbers: a scenario may hold any bit pattern, also one outside the vendor enumeration.
struct Fault {
  std::uint32_t result;
  std::uint32_t onCall;  // 0: every call
};

// What an enumeration call answers: the count reported to a counting call, and the most
// handles that a filling call hands out. Unset, both are the number of listed objects.
struct EnumerationCounts {
  std::optional<std::uint32_t> reported;
  std::optional<std::uint32_t> filled;
};

struct ResolvedCounts {
  std::uint32_t reported;
  std::uint32_t filled;
};

// The faults, delays, crashes, enumeration counts and call counters of one simulated object.
class Behaviour {
 public:
  void addFault(EntryPoint entryPoint, Fault fault) { faults_[index(entryPoint)] = fault; }
  void addDelay(EntryPoint entryPoint, Delay delay) { delays_[index(entryPoint)] = delay; }
  void addCrash(EntryPoint entryPoint, Crash crash) { crashes_[index(entryPoint)] = crash; }
  void setCounts(EntryPoint entryPoint, EnumerationCounts counts) {
    counts_[index(entryPoint)] = counts;
  }

  // Counts the call, waits out its scripted delay, crashes if this call is to crash, and
  // returns the scripted result if it is to fail.
  std::optional<std::uint32_t> scriptedResult(EntryPoint entryPoint);
  ResolvedCounts countsFor(EntryPoint entryPoint, std::size_t available) const;

 private:
  static std::size_t index(EntryPoint entryPoint) { return static_cast<std::size_t>(entryPoint); }
  std::array<std::optional<Fault>, kEntryPointCount> faults_{};
  std::array<std::optional<Delay>, kEntryPointCount> delays_{};
  std::array<std::optional<Crash>, kEntryPointCount> crashes_{};
  std::array<EnumerationCounts, kEntryPointCount> counts_{};
  std::array<std::uint32_t, kEntryPointCount> calls_{};
};

struct MemoryModule {
  Behaviour behaviour;
  zes_mem_properties_t properties;
  zes_mem_state_t state;
};

struct TemperatureSensor {
  Behaviour behaviour;
  zes_temp_properties_t properties;
  double temperature;
};

struct FrequencyDomain {
  Behaviour behaviour;
  zes_freq_properties_t properties;
  zes_freq_state_t state;
};

// The k-th energy reading returns the k-th sample; the last one repeats.
struct PowerDomain {
  Behaviour behaviour;
  std::vector<zes_power_energy_counter_t> samples;
  std::size_t readings = 0;
  std::optional<std::chrono::steady_clock::time_point> lastReading{};
};

struct Fan {
  Behaviour behaviour;
  std::int32_t speed;
};

struct Device {
  Behaviour behaviour;
  ze_device_properties_t properties;
  ze_pci_ext_properties_t pci;
  std::vector<MemoryModule> memoryModules;
  std::vector<TemperatureSensor> temperatureSensors;
  std::vector<FrequencyDomain> frequencyDomains;
  std::optional<PowerDomain> cardPowerDomain;
  std::vector<Fan> fans;
};

struct Driver {
  Behaviour behaviour;
  ze_driver_properties_t properties;
  std::uint32_t apiVersion;
  std::vector<Device> devices;
};

struct Scenario {
  Behaviour behaviour;
  std::vector<Driver> drivers;
};

// Longest list that a scenario may hold (drivers, devices, modules, sensors, ...).
constexpr std::size_t kMaxListLength = 1024;

// Both raise ScenarioError (scenario_reading.h) naming the offending place when the text, or
// the file, is not a valid scenario.
Scenario readScenario(const std::string& text);
Scenario readScenarioFile(const std::string& path);

}  // namespace simulated::level_zero
