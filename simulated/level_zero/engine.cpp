// The simulation answers the Level Zero functions of interfaces/level_zero_entry_points.inc,
// defined here under the vendor's own names and signatures (as declared by ze_api.h and zes_api.h).
// The Linux face puts them into the loader's dispatch tables and keeps them out of its exports; on
// Windows, where the headers declare them dllexport, they are the exports of the simulated library
// ze_loader.dll.
//
// zeInit loads the scenario named by ZE_SIM_SCENARIO and, like a real driver, enables the
// Sysman functions only when ZES_ENABLE_SYSMAN is "1" at that moment. A scenario that cannot
// be loaded is reported on standard error ("simulated Level Zero driver: bad scenario: ...")
// and ends the process with status 86. Each call first waits out the delay that the scenario
// scripts for it, if any, then crashes if the scenario scripts a crash for it (a fault that
// nothing here catches: the process ends), then returns its scripted failure, if any.
//
// Calls that break the interface's rules (zeInit flags other than 0, an output structure
// without its own stype, with a pNext chain or not zeroed, energy readings less than 100 ms
// apart) are reported on standard error and refused with ZE_RESULT_ERROR_INVALID_ARGUMENT.
#include <level_zero/ze_api.h>
#include <level_zero/zes_api.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <utility>

#include "scenario.h"
#include "simulated/os.h"

namespace simulated::level_zero {
namespace {

constexpr char kLibraryName[] = "simulated Level Zero driver";

struct Session {
  std::optional<Scenario> scenario;
  bool sysmanEnabled = false;
};

Session& session();
ze_result_t resultCode(std::uint32_t code);
ze_result_t refuse(EntryPoint call, const std::string& violation);
template <typename Object, typename Handle, typename Work>
ze_result_t answerCore(EntryPoint call, Handle handle, Work work);
template <typename Object, typename Handle, typename Work>
ze_result_t answerSysman(EntryPoint call, Handle handle, Work work);
template <typename Object, typename Handle, typename Work>
ze_result_t answer(EntryPoint call, Handle handle, bool sysman, Work work);
template <typename Object, typename Handle>
Object* objectOf(Handle handle);
template <typename Handle, typename Item>
ze_result_t enumerate(const Behaviour& owner, EntryPoint call, std::vector<Item>& items,
                      uint32_t* pCount, Handle* handles);
template <typename Handle, typename Object>
Handle handleOf(Object& object);
template <typename Properties>
ze_result_t fillProperties(EntryPoint call, Properties* destination, const Properties& source,
                           std::uint32_t structureType);
template <typename Output>
bool zeroedBeyond(const Output& output, std::size_t skipped);
template <typename Value>
ze_result_t fillValue(EntryPoint call, Value* destination, const Value& source);
std::optional<std::string> readTooEarly(PowerDomain& domain);

}  // namespace
}  // namespace simulated::level_zero

using namespace simulated::level_zero;

ze_result_t ZE_APICALL zeInit(ze_init_flags_t flags) {
  if (const char* problem = simulated::errorDialogsLeftOn()) {
    simulated::endBrokenSetUp(kLibraryName, problem);
  }
  Session& current = session();
  if (!current.scenario) {
    // A scenario that cannot be read ends the process: a broken test set-up must never pass
    // for a result of the program.
    current.scenario =
        simulated::readConfiguredScenario(kLibraryName, "ZE_SIM_SCENARIO", readScenarioFile);
    current.sysmanEnabled = simulated::environmentValue("ZES_ENABLE_SYSMAN") == "1";
  }
  if (const auto injected = current.scenario->behaviour.scriptedResult(EntryPoint::zeInit)) {
    return resultCode(*injected);
  }
  if (flags != 0) {
    return refuse(EntryPoint::zeInit, "flags are " + std::to_string(flags) + ", expected 0");
  }
  return ZE_RESULT_SUCCESS;
}

ze_result_t ZE_APICALL zeDriverGet(uint32_t* pCount, ze_driver_handle_t* phDrivers) {
  Scenario* scenario = session().scenario ? &*session().scenario : nullptr;
  return answerCore<Scenario>(EntryPoint::zeDriverGet, scenario, [&](Scenario& scenario) {
    return enumerate(scenario.behaviour, EntryPoint::zeDriverGet, scenario.drivers, pCount,
                     phDrivers);
  });
}

ze_result_t ZE_APICALL zeDriverGetProperties(ze_driver_handle_t hDriver,
                                             ze_driver_properties_t* pDriverProperties) {
  return answerCore<Driver>(EntryPoint::zeDriverGetProperties, hDriver, [&](Driver& driver) {
    return fillProperties(EntryPoint::zeDriverGetProperties, pDriverProperties, driver.properties,
                          ZE_STRUCTURE_TYPE_DRIVER_PROPERTIES);
  });
}

ze_result_t ZE_APICALL zeDriverGetApiVersion(ze_driver_handle_t hDriver,
                                             ze_api_version_t* version) {
  return answerCore<Driver>(EntryPoint::zeDriverGetApiVersion, hDriver, [&](Driver& driver) {
    if (version == nullptr) return ZE_RESULT_ERROR_INVALID_NULL_POINTER;
    if (!zeroedBeyond(*version, 0))
      return refuse(EntryPoint::zeDriverGetApiVersion, "output not zeroed");
    // Copied as bytes: a scripted version may lie outside the enumeration's values.
    std::memcpy(version, &driver.apiVersion, sizeof driver.apiVersion);
    return ZE_RESULT_SUCCESS;
  });
}

ze_result_t ZE_APICALL zeDeviceGet(ze_driver_handle_t hDriver, uint32_t* pCount,
                                   ze_device_handle_t* phDevices) {
  return answerCore<Driver>(EntryPoint::zeDeviceGet, hDriver, [&](Driver& driver) {
    return enumerate(driver.behaviour, EntryPoint::zeDeviceGet, driver.devices, pCount, phDevices);
  });
}

ze_result_t ZE_APICALL zeDeviceGetProperties(ze_device_handle_t hDevice,
                                             ze_device_properties_t* pDeviceProperties) {
  return answerCore<Device>(EntryPoint::zeDeviceGetProperties, hDevice, [&](Device& device) {
    return fillProperties(EntryPoint::zeDeviceGetProperties, pDeviceProperties, device.properties,
                          ZE_STRUCTURE_TYPE_DEVICE_PROPERTIES);
  });
}

ze_result_t ZE_APICALL zeDevicePciGetPropertiesExt(ze_device_handle_t hDevice,
                                                   ze_pci_ext_properties_t* pPciProperties) {
  return answerCore<Device>(EntryPoint::zeDevicePciGetPropertiesExt, hDevice, [&](Device& device) {
    return fillProperties(EntryPoint::zeDevicePciGetPropertiesExt, pPciProperties, device.pci,
                          ZE_STRUCTURE_TYPE_PCI_EXT_PROPERTIES);
  });
}

ze_result_t ZE_APICALL zesDeviceEnumMemoryModules(zes_device_handle_t hDevice, uint32_t* pCount,
                                                  zes_mem_handle_t* phMemory) {
  return answerSysman<Device>(EntryPoint::zesDeviceEnumMemoryModules, hDevice, [&](Device& device) {
    return enumerate(device.behaviour, EntryPoint::zesDeviceEnumMemoryModules, device.memoryModules,
                     pCount, phMemory);
  });
}

ze_result_t ZE_APICALL zesMemoryGetProperties(zes_mem_handle_t hMemory,
                                              zes_mem_properties_t* pProperties) {
  return answerSysman<MemoryModule>(
      EntryPoint::zesMemoryGetProperties, hMemory, [&](MemoryModule& module) {
        return fillProperties(EntryPoint::zesMemoryGetProperties, pProperties, module.properties,
                              ZES_STRUCTURE_TYPE_MEM_PROPERTIES);
      });
}

ze_result_t ZE_APICALL zesMemoryGetState(zes_mem_handle_t hMemory, zes_mem_state_t* pState) {
  return answerSysman<MemoryModule>(
      EntryPoint::zesMemoryGetState, hMemory, [&](MemoryModule& module) {
        return fillProperties(EntryPoint::zesMemoryGetState, pState, module.state,
                              ZES_STRUCTURE_TYPE_MEM_STATE);
      });
}

ze_result_t ZE_APICALL zesDeviceEnumTemperatureSensors(zes_device_handle_t hDevice,
                                                       uint32_t* pCount,
                                                       zes_temp_handle_t* phTemperature) {
  return answerSysman<Device>(
      EntryPoint::zesDeviceEnumTemperatureSensors, hDevice, [&](Device& device) {
        return enumerate(device.behaviour, EntryPoint::zesDeviceEnumTemperatureSensors,
                         device.temperatureSensors, pCount, phTemperature);
      });
}

ze_result_t ZE_APICALL zesTemperatureGetProperties(zes_temp_handle_t hTemperature,
                                                   zes_temp_properties_t* pProperties) {
  return answerSysman<TemperatureSensor>(
      EntryPoint::zesTemperatureGetProperties, hTemperature, [&](TemperatureSensor& sensor) {
        return fillProperties(EntryPoint::zesTemperatureGetProperties, pProperties,
                              sensor.properties, ZES_STRUCTURE_TYPE_TEMP_PROPERTIES);
      });
}

ze_result_t ZE_APICALL zesTemperatureGetState(zes_temp_handle_t hTemperature,
                                              double* pTemperature) {
  return answerSysman<TemperatureSensor>(
      EntryPoint::zesTemperatureGetState, hTemperature, [&](TemperatureSensor& sensor) {
        return fillValue(EntryPoint::zesTemperatureGetState, pTemperature, sensor.temperature);
      });
}

ze_result_t ZE_APICALL zesDeviceEnumFrequencyDomains(zes_device_handle_t hDevice, uint32_t* pCount,
                                                     zes_freq_handle_t* phFrequency) {
  return answerSysman<Device>(
      EntryPoint::zesDeviceEnumFrequencyDomains, hDevice, [&](Device& device) {
        return enumerate(device.behaviour, EntryPoint::zesDeviceEnumFrequencyDomains,
                         device.frequencyDomains, pCount, phFrequency);
      });
}

ze_result_t ZE_APICALL zesFrequencyGetProperties(zes_freq_handle_t hFrequency,
                                                 zes_freq_properties_t* pProperties) {
  return answerSysman<FrequencyDomain>(
      EntryPoint::zesFrequencyGetProperties, hFrequency, [&](FrequencyDomain& domain) {
        return fillProperties(EntryPoint::zesFrequencyGetProperties, pProperties, domain.properties,
                              ZES_STRUCTURE_TYPE_FREQ_PROPERTIES);
      });
}

ze_result_t ZE_APICALL zesFrequencyGetState(zes_freq_handle_t hFrequency,
                                            zes_freq_state_t* pState) {
  return answerSysman<FrequencyDomain>(
      EntryPoint::zesFrequencyGetState, hFrequency, [&](FrequencyDomain& domain) {
        return fillProperties(EntryPoint::zesFrequencyGetState, pState, domain.state,
                              ZES_STRUCTURE_TYPE_FREQ_STATE);
      });
}

ze_result_t ZE_APICALL zesDeviceGetCardPowerDomain(zes_device_handle_t hDevice,
                                                   zes_pwr_handle_t* phPower) {
  return answerSysman<Device>(
      EntryPoint::zesDeviceGetCardPowerDomain, hDevice, [&](Device& device) {
        if (!device.cardPowerDomain) return ZE_RESULT_ERROR_UNSUPPORTED_FEATURE;
        return fillValue(EntryPoint::zesDeviceGetCardPowerDomain, phPower,
                         handleOf<zes_pwr_handle_t>(*device.cardPowerDomain));
      });
}

ze_result_t ZE_APICALL zesPowerGetEnergyCounter(zes_pwr_handle_t hPower,
                                                zes_power_energy_counter_t* pEnergy) {
  return answerSysman<PowerDomain>(
      EntryPoint::zesPowerGetEnergyCounter, hPower, [&](PowerDomain& domain) {
        if (const auto early = readTooEarly(domain)) {
          return refuse(EntryPoint::zesPowerGetEnergyCounter, *early);
        }
        const std::size_t sample = std::min(domain.readings++, domain.samples.size() - 1);
        return fillValue(EntryPoint::zesPowerGetEnergyCounter, pEnergy, domain.samples[sample]);
      });
}

ze_result_t ZE_APICALL zesDeviceEnumFans(zes_device_handle_t hDevice, uint32_t* pCount,
                                         zes_fan_handle_t* phFan) {
  return answerSysman<Device>(EntryPoint::zesDeviceEnumFans, hDevice, [&](Device& device) {
    return enumerate(device.behaviour, EntryPoint::zesDeviceEnumFans, device.fans, pCount, phFan);
  });
}

ze_result_t ZE_APICALL zesFanGetState(zes_fan_handle_t hFan, zes_fan_speed_units_t units,
                                      int32_t* pSpeed) {
  return answerSysman<Fan>(EntryPoint::zesFanGetState, hFan, [&](Fan& fan) {
    if (units != ZES_FAN_SPEED_UNITS_PERCENT) return ZE_RESULT_ERROR_UNSUPPORTED_ENUMERATION;
    return fillValue(EntryPoint::zesFanGetState, pSpeed, fan.speed);
  });
}

namespace simulated::level_zero {
namespace {

Session& session() {
  static Session instance;
  return instance;
}

ze_result_t resultCode(std::uint32_t code) {
  return static_cast<ze_result_t>(code);
}

// A call that breaks the rules of the Level Zero interface: reported on standard error, so
// that a golden run shows it, and answered with ZE_RESULT_ERROR_INVALID_ARGUMENT.
ze_result_t refuse(EntryPoint call, const std::string& violation) {
  std::fprintf(stderr, "%s: %s: %s\n", kLibraryName, std::string(entryPointName(call)).c_str(),
               violation.c_str());
  std::fflush(stderr);
  return ZE_RESULT_ERROR_INVALID_ARGUMENT;
}

template <typename Object, typename Handle, typename Work>
ze_result_t answerCore(EntryPoint call, Handle handle, Work work) {
  return answer<Object>(call, handle, false, work);
}

template <typename Object, typename Handle, typename Work>
ze_result_t answerSysman(EntryPoint call, Handle handle, Work work) {
  return answer<Object>(call, handle, true, work);
}

// Runs one simulated call on an object: the checks a real driver makes, then the scripted
// delay, crash and fault if any (Behaviour::scriptedResult), then the call's own work.
template <typename Object, typename Handle, typename Work>
ze_result_t answer(EntryPoint call, Handle handle, bool sysman, Work work) {
  if (!session().scenario || (sysman && !session().sysmanEnabled)) {
    return ZE_RESULT_ERROR_UNINITIALIZED;
  }
  if (handle == nullptr) return ZE_RESULT_ERROR_INVALID_NULL_HANDLE;
  Object& object = *objectOf<Object>(handle);
  if (const auto injected = object.behaviour.scriptedResult(call)) return resultCode(*injected);
  return work(object);
}

template <typename Object, typename Handle>
Object* objectOf(Handle handle) {
  return reinterpret_cast<Object*>(handle);
}

// The two-call enumeration: a count of 0 or a null array asks for the count; otherwise up to
// that many handles are written and the count is lowered to the number written.
template <typename Handle, typename Item>
ze_result_t enumerate(const Behaviour& owner, EntryPoint call, std::vector<Item>& items,
                      uint32_t* pCount, Handle* handles) {
  if (pCount == nullptr) return ZE_RESULT_ERROR_INVALID_NULL_POINTER;
  const ResolvedCounts counts = owner.countsFor(call, items.size());
  if (*pCount == 0 || handles == nullptr) {
    *pCount = counts.reported;
    return ZE_RESULT_SUCCESS;
  }
  const uint32_t written = std::min(*pCount, counts.filled);
  for (uint32_t index = 0; index < written; ++index)
    handles[index] = handleOf<Handle>(items[index]);
  *pCount = written;
  return ZE_RESULT_SUCCESS;
}

template <typename Handle, typename Object>
Handle handleOf(Object& object) {
  return reinterpret_cast<Handle>(&object);
}

// Copies a scripted properties structure into the caller's, which must come as the interface
// asks: its own structure type, no extension chain, every other byte zeroed. The caller's
// stype and pNext are kept, as a driver fills only the fields it reports.
template <typename Properties>
ze_result_t fillProperties(EntryPoint call, Properties* destination, const Properties& source,
                           std::uint32_t structureType) {
  if (destination == nullptr) return ZE_RESULT_ERROR_INVALID_NULL_POINTER;
  const auto stype = destination->stype;
  const auto next = destination->pNext;
  if (static_cast<std::uint32_t>(stype) != structureType) {
    return refuse(
        call, "stype is " + std::to_string(stype) + ", expected " + std::to_string(structureType));
  }
  if (next != nullptr) return refuse(call, "pNext is not null");
  if (!zeroedBeyond(*destination, offsetof(Properties, pNext) + sizeof next)) {
    return refuse(call, "output structure not zeroed");
  }
  *destination = source;
  destination->stype = stype;
  destination->pNext = next;
  return ZE_RESULT_SUCCESS;
}

// True when every byte of the object is zero, apart from the `skipped` bytes at its start.
template <typename Output>
bool zeroedBeyond(const Output& output, std::size_t skipped) {
  return bytesZeroed(reinterpret_cast<const unsigned char*>(&output) + skipped,
                     sizeof output - skipped);
}

// Copies a scripted value into the caller's, which must come zeroed.
template <typename Value>
ze_result_t fillValue(EntryPoint call, Value* destination, const Value& source) {
  if (destination == nullptr) return ZE_RESULT_ERROR_INVALID_NULL_POINTER;
  if (!zeroedBeyond(*destination, 0)) return refuse(call, "output not zeroed");
  *destination = source;
  return ZE_RESULT_SUCCESS;
}

// Energy samples give a power only over a long enough interval: a reading that follows the
// previous one on the same domain within 100 ms is refused. Every reading's time is kept.
std::optional<std::string> readTooEarly(PowerDomain& domain) {
  constexpr auto kSampleInterval = std::chrono::milliseconds(100);
  const auto now = std::chrono::steady_clock::now();
  const auto previous = std::exchange(domain.lastReading, now);
  if (!previous || now - *previous >= kSampleInterval) return std::nullopt;
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - *previous);
  return "read " + std::to_string(elapsed.count()) + " ms after the previous reading, " +
         "less than " + std::to_string(kSampleInterval.count()) + " ms";
}
}  // namespace
}  // namespace simulated::level_zero
