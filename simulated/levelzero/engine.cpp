#include "engine.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "scenario.hpp"

namespace zesim {
namespace {

struct Session {
  std::optional<Scenario> scenario;
  bool sysmanEnabled = false;
};

Session& session() {
  static Session instance;
  return instance;
}

template <typename Object, typename Handle>
Object* objectOf(Handle handle) {
  return reinterpret_cast<Object*>(handle);
}

template <typename Handle, typename Object>
Handle handleOf(Object& object) {
  return reinterpret_cast<Handle>(&object);
}

ze_result_t resultCode(std::uint32_t code) {
  return static_cast<ze_result_t>(code);
}

ze_result_t loadScenario() {
  const std::optional<std::string> path = environmentValue("ZE_SIM_SCENARIO");
  try {
    if (!path) throw ScenarioError("ZE_SIM_SCENARIO is not set");
    session().scenario = loadScenarioFile(*path);
    return ZE_RESULT_SUCCESS;
  } catch (const ScenarioError& error) {
    std::fprintf(stderr, "simulated Level Zero driver: %s\n", error.what());
    std::fflush(stderr);
    return ZE_RESULT_ERROR_UNKNOWN;
  }
}

// Runs one simulated call on an object: the checks a real driver makes, then the scripted
// fault if any, then the call's own work.
template <typename Object, typename Handle, typename Work>
ze_result_t answer(Call call, Handle handle, bool sysman, Work work) {
  if (!session().scenario || (sysman && !session().sysmanEnabled)) {
    return ZE_RESULT_ERROR_UNINITIALIZED;
  }
  if (handle == nullptr) return ZE_RESULT_ERROR_INVALID_NULL_HANDLE;
  Object& object = *objectOf<Object>(handle);
  if (const auto injected = object.behaviour.injectedResult(call)) return resultCode(*injected);
  return work(object);
}

template <typename Object, typename Handle, typename Work>
ze_result_t answerCore(Call call, Handle handle, Work work) {
  return answer<Object>(call, handle, false, work);
}

template <typename Object, typename Handle, typename Work>
ze_result_t answerSysman(Call call, Handle handle, Work work) {
  return answer<Object>(call, handle, true, work);
}

// Copies a scripted properties structure into the caller's, keeping the caller's stype and
// pNext, as a driver fills only the fields it reports.
template <typename Properties>
ze_result_t fillProperties(Properties* destination, const Properties& source) {
  if (destination == nullptr) return ZE_RESULT_ERROR_INVALID_NULL_POINTER;
  const auto stype = destination->stype;
  const auto next = destination->pNext;
  *destination = source;
  destination->stype = stype;
  destination->pNext = next;
  return ZE_RESULT_SUCCESS;
}

template <typename Value>
ze_result_t fillValue(Value* destination, const Value& source) {
  if (destination == nullptr) return ZE_RESULT_ERROR_INVALID_NULL_POINTER;
  *destination = source;
  return ZE_RESULT_SUCCESS;
}

// The two-call enumeration: a count of 0 or a null array asks for the count; otherwise up to
// that many handles are written and the count is lowered to the number written.
template <typename Handle, typename Item>
ze_result_t enumerate(const Behaviour& owner, Call call, std::vector<Item>& items, uint32_t* pCount,
                      Handle* handles) {
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

}  // namespace
}  // namespace zesim

using namespace zesim;

ze_result_t ZE_APICALL zeInit(ze_init_flags_t) {
  Session& current = session();
  if (!current.scenario) {
    if (const ze_result_t loaded = loadScenario(); loaded != ZE_RESULT_SUCCESS) return loaded;
    current.sysmanEnabled = environmentValue("ZES_ENABLE_SYSMAN") == "1";
  }
  return resultCode(current.scenario->behaviour.injectedResult(Call::zeInit).value_or(0));
}

ze_result_t ZE_APICALL zeDriverGet(uint32_t* pCount, ze_driver_handle_t* phDrivers) {
  Scenario* scenario = session().scenario ? &*session().scenario : nullptr;
  return answerCore<Scenario>(Call::zeDriverGet, scenario, [&](Scenario& scenario) {
    return enumerate(scenario.behaviour, Call::zeDriverGet, scenario.drivers, pCount, phDrivers);
  });
}

ze_result_t ZE_APICALL zeDriverGetProperties(ze_driver_handle_t hDriver,
                                             ze_driver_properties_t* pDriverProperties) {
  return answerCore<Driver>(Call::zeDriverGetProperties, hDriver, [&](Driver& driver) {
    return fillProperties(pDriverProperties, driver.properties);
  });
}

ze_result_t ZE_APICALL zeDriverGetApiVersion(ze_driver_handle_t hDriver,
                                             ze_api_version_t* version) {
  return answerCore<Driver>(Call::zeDriverGetApiVersion, hDriver, [&](Driver& driver) {
    if (version == nullptr) return ZE_RESULT_ERROR_INVALID_NULL_POINTER;
    // Copied as bytes: a scripted version may lie outside the enumeration's values.
    std::memcpy(version, &driver.apiVersion, sizeof driver.apiVersion);
    return ZE_RESULT_SUCCESS;
  });
}

ze_result_t ZE_APICALL zeDeviceGet(ze_driver_handle_t hDriver, uint32_t* pCount,
                                   ze_device_handle_t* phDevices) {
  return answerCore<Driver>(Call::zeDeviceGet, hDriver, [&](Driver& driver) {
    return enumerate(driver.behaviour, Call::zeDeviceGet, driver.devices, pCount, phDevices);
  });
}

ze_result_t ZE_APICALL zeDeviceGetProperties(ze_device_handle_t hDevice,
                                             ze_device_properties_t* pDeviceProperties) {
  return answerCore<Device>(Call::zeDeviceGetProperties, hDevice, [&](Device& device) {
    return fillProperties(pDeviceProperties, device.properties);
  });
}

ze_result_t ZE_APICALL zeDevicePciGetPropertiesExt(ze_device_handle_t hDevice,
                                                   ze_pci_ext_properties_t* pPciProperties) {
  return answerCore<Device>(Call::zeDevicePciGetPropertiesExt, hDevice, [&](Device& device) {
    return fillProperties(pPciProperties, device.pci);
  });
}

ze_result_t ZE_APICALL zesDeviceEnumMemoryModules(zes_device_handle_t hDevice, uint32_t* pCount,
                                                  zes_mem_handle_t* phMemory) {
  return answerSysman<Device>(Call::zesDeviceEnumMemoryModules, hDevice, [&](Device& device) {
    return enumerate(device.behaviour, Call::zesDeviceEnumMemoryModules, device.memoryModules,
                     pCount, phMemory);
  });
}

ze_result_t ZE_APICALL zesMemoryGetProperties(zes_mem_handle_t hMemory,
                                              zes_mem_properties_t* pProperties) {
  return answerSysman<MemoryModule>(
      Call::zesMemoryGetProperties, hMemory,
      [&](MemoryModule& module) { return fillProperties(pProperties, module.properties); });
}

ze_result_t ZE_APICALL zesMemoryGetState(zes_mem_handle_t hMemory, zes_mem_state_t* pState) {
  return answerSysman<MemoryModule>(Call::zesMemoryGetState, hMemory, [&](MemoryModule& module) {
    return fillProperties(pState, module.state);
  });
}

ze_result_t ZE_APICALL zesDeviceEnumTemperatureSensors(zes_device_handle_t hDevice,
                                                       uint32_t* pCount,
                                                       zes_temp_handle_t* phTemperature) {
  return answerSysman<Device>(Call::zesDeviceEnumTemperatureSensors, hDevice, [&](Device& device) {
    return enumerate(device.behaviour, Call::zesDeviceEnumTemperatureSensors,
                     device.temperatureSensors, pCount, phTemperature);
  });
}

ze_result_t ZE_APICALL zesTemperatureGetProperties(zes_temp_handle_t hTemperature,
                                                   zes_temp_properties_t* pProperties) {
  return answerSysman<TemperatureSensor>(
      Call::zesTemperatureGetProperties, hTemperature,
      [&](TemperatureSensor& sensor) { return fillProperties(pProperties, sensor.properties); });
}

ze_result_t ZE_APICALL zesTemperatureGetState(zes_temp_handle_t hTemperature,
                                              double* pTemperature) {
  return answerSysman<TemperatureSensor>(
      Call::zesTemperatureGetState, hTemperature,
      [&](TemperatureSensor& sensor) { return fillValue(pTemperature, sensor.temperature); });
}

ze_result_t ZE_APICALL zesDeviceEnumFrequencyDomains(zes_device_handle_t hDevice, uint32_t* pCount,
                                                     zes_freq_handle_t* phFrequency) {
  return answerSysman<Device>(Call::zesDeviceEnumFrequencyDomains, hDevice, [&](Device& device) {
    return enumerate(device.behaviour, Call::zesDeviceEnumFrequencyDomains, device.frequencyDomains,
                     pCount, phFrequency);
  });
}

ze_result_t ZE_APICALL zesFrequencyGetProperties(zes_freq_handle_t hFrequency,
                                                 zes_freq_properties_t* pProperties) {
  return answerSysman<FrequencyDomain>(
      Call::zesFrequencyGetProperties, hFrequency,
      [&](FrequencyDomain& domain) { return fillProperties(pProperties, domain.properties); });
}

ze_result_t ZE_APICALL zesFrequencyGetState(zes_freq_handle_t hFrequency,
                                            zes_freq_state_t* pState) {
  return answerSysman<FrequencyDomain>(
      Call::zesFrequencyGetState, hFrequency,
      [&](FrequencyDomain& domain) { return fillProperties(pState, domain.state); });
}

ze_result_t ZE_APICALL zesDeviceGetCardPowerDomain(zes_device_handle_t hDevice,
                                                   zes_pwr_handle_t* phPower) {
  return answerSysman<Device>(Call::zesDeviceGetCardPowerDomain, hDevice, [&](Device& device) {
    if (!device.cardPowerDomain) return ZE_RESULT_ERROR_UNSUPPORTED_FEATURE;
    return fillValue(phPower, handleOf<zes_pwr_handle_t>(*device.cardPowerDomain));
  });
}

ze_result_t ZE_APICALL zesPowerGetEnergyCounter(zes_pwr_handle_t hPower,
                                                zes_power_energy_counter_t* pEnergy) {
  return answerSysman<PowerDomain>(
      Call::zesPowerGetEnergyCounter, hPower, [&](PowerDomain& domain) {
        const std::size_t sample = std::min(domain.readings++, domain.samples.size() - 1);
        return fillValue(pEnergy, domain.samples[sample]);
      });
}

ze_result_t ZE_APICALL zesDeviceEnumFans(zes_device_handle_t hDevice, uint32_t* pCount,
                                         zes_fan_handle_t* phFan) {
  return answerSysman<Device>(Call::zesDeviceEnumFans, hDevice, [&](Device& device) {
    return enumerate(device.behaviour, Call::zesDeviceEnumFans, device.fans, pCount, phFan);
  });
}

ze_result_t ZE_APICALL zesFanGetState(zes_fan_handle_t hFan, zes_fan_speed_units_t units,
                                      int32_t* pSpeed) {
  return answerSysman<Fan>(Call::zesFanGetState, hFan, [&](Fan& fan) {
    if (units != ZES_FAN_SPEED_UNITS_PERCENT) return ZE_RESULT_ERROR_UNSUPPORTED_ENUMERATION;
    return fillValue(pSpeed, fan.speed);
  });
}
