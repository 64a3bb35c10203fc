#include "scenario.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string_view>

namespace simulated::level_zero {

namespace {

using EntryPoints = std::initializer_list<EntryPoint>;

Scenario readRoot(const Json& document);
Behaviour behaviourOf(const Json& object, const std::string& place, EntryPoints answered,
                      EntryPoints enumerations = {});
template <typename Value>
void readScripted(const Json& object, std::string_view key, const std::string& place,
                  EntryPoints answered, Value (*readValue)(const Json&, const std::string&),
                  Behaviour& behaviour, void (Behaviour::*add)(EntryPoint, Value));
EntryPoint entryPointNamed(const std::string& name, EntryPoints allowed, const std::string& place);
Fault faultValue(const Json& value, const std::string& place);
std::uint32_t resultValue(const Json& value, const std::string& place);
std::optional<std::uint32_t> optionalCount(const Json& object, std::string_view key,
                                           const std::string& place);
template <typename ReadItem>
auto listField(const Json& object, std::string_view key, const std::string& place,
               ReadItem readItem)
    -> decltype(simulated::listField(object, key, place, kMaxListLength, readItem));
Driver readDriver(const Json& value, const std::string& place);
std::uint32_t readApiVersion(const Json& value, const std::string& place);
std::string textField(const Json& object, std::string_view key, const std::string& place);
std::optional<std::uint32_t> versionPart(const std::string& digits);
Device readDevice(const Json& value, const std::string& place);
template <typename Enum>
Enum enumField(const Json& object, std::string_view key, const std::string& place);
void readDeviceName(const Json& value, const std::string& place,
                    ze_device_properties_t& properties);
ze_device_uuid_t readUuid(const Json& value, const std::string& place);
ze_pci_address_ext_t readPciAddress(const Json& device, const std::string& devicePlace);
MemoryModule readMemoryModule(const Json& value, const std::string& place);
TemperatureSensor readTemperatureSensor(const Json& value, const std::string& place);
double floatingField(const Json& object, std::string_view key, const std::string& place);
FrequencyDomain readFrequencyDomain(const Json& value, const std::string& place);
PowerDomain readPowerDomain(const Json& value, const std::string& place);
zes_power_energy_counter_t readEnergySample(const Json& value, const std::string& place);
Fan readFan(const Json& value, const std::string& place);

}  // namespace

Scenario readScenario(const std::string& text) {
  return readRoot(readDocument(text));
}

Scenario readScenarioFile(const std::string& path) {
  return readRoot(readDocumentFile(path));
}

std::optional<std::uint32_t> Behaviour::scriptedResult(EntryPoint entryPoint) {
  const std::uint32_t number = ++calls_[index(entryPoint)];
  waitOut(delays_[index(entryPoint)], number);
  crashOn(crashes_[index(entryPoint)], number);
  const std::optional<Fault>& fault = faults_[index(entryPoint)];
  if (!fault || (fault->onCall != 0 && fault->onCall != number)) return std::nullopt;
  return fault->result;
}

ResolvedCounts Behaviour::countsFor(EntryPoint entryPoint, std::size_t available) const {
  const auto items = static_cast<std::uint32_t>(available);
  const EnumerationCounts& counts = counts_[index(entryPoint)];
  return {counts.reported.value_or(items), std::min(counts.filled.value_or(items), items)};
}

namespace {

Scenario readRoot(const Json& document) {
  const std::string place = kScenarioRoot;
  requireObject(document, place, {"description", "drivers", "fail", "delay", "crash", "counts"});
  return {behaviourOf(document, place, {EntryPoint::zeInit, EntryPoint::zeDriverGet},
                      {EntryPoint::zeDriverGet}),
          listField(document, "drivers", place, readDriver)};
}

// Reads "fail" (faults by function name), "delay" (delays by function name), "crash" (crashes
// by function name) and "counts" (enumeration counts by function name).
Behaviour behaviourOf(const Json& object, const std::string& place, EntryPoints answered,
                      EntryPoints enumerations) {
  Behaviour behaviour;
  readScripted(object, "fail", place, answered, faultValue, behaviour, &Behaviour::addFault);
  readScripted(object, "delay", place, answered, delayValue, behaviour, &Behaviour::addDelay);
  readScripted(object, "crash", place, answered, crashValue, behaviour, &Behaviour::addCrash);
  readMembers(object, "counts", place,
              [&](const std::string& name, const Json& value, const std::string& itemPlace) {
                const EntryPoint entryPoint = entryPointNamed(name, enumerations, itemPlace);
                requireObject(value, itemPlace, {"reported", "filled"});
                behaviour.setCounts(entryPoint, {optionalCount(value, "reported", itemPlace),
                                                 optionalCount(value, "filled", itemPlace)});
              });
  return behaviour;
}

// Reads one kind of scripted behaviour ("fail", "delay" or "crash"): entry point names of
// the object's answers, each with its value, handed to the behaviour's add.
template <typename Value>
void readScripted(const Json& object, std::string_view key, const std::string& place,
                  EntryPoints answered, Value (*readValue)(const Json&, const std::string&),
                  Behaviour& behaviour, void (Behaviour::*add)(EntryPoint, Value)) {
  readMembers(object, key, place,
              [&](const std::string& name, const Json& value, const std::string& itemPlace) {
                const EntryPoint entryPoint = entryPointNamed(name, answered, itemPlace);
                (behaviour.*add)(entryPoint, readValue(value, itemPlace));
              });
}

EntryPoint entryPointNamed(const std::string& name, EntryPoints allowed, const std::string& place) {
  for (const EntryPoint entryPoint : allowed) {
    if (entryPointName(entryPoint) == name) return entryPoint;
  }
  fail(place, "not a function that this object answers");
}

Fault faultValue(const Json& value, const std::string& place) {
  if (!value.is_object()) return {resultValue(value, place), 0};
  requireObject(value, place, {"result", "call"});
  if (!value.contains("result")) fail(member(place, "result"), "missing");
  return {resultValue(value["result"], member(place, "result")),
          integerField<std::uint32_t>(value, "call", place)};
}

std::uint32_t resultValue(const Json& value, const std::string& place) {
  const auto code = integerValue<std::int64_t>(value, place);
  if (code < std::numeric_limits<std::int32_t>::min() ||
      code > std::numeric_limits<std::uint32_t>::max()) {
    fail(place, "expected a 32-bit result code");
  }
  // A call that reported success without doing its work would hand out handles it never wrote.
  if (code == 0) fail(place, "a scripted failure cannot be ZE_RESULT_SUCCESS (0)");
  return static_cast<std::uint32_t>(code);
}

std::optional<std::uint32_t> optionalCount(const Json& object, std::string_view key,
                                           const std::string& place) {
  if (!object.contains(key)) return std::nullopt;
  return integerField<std::uint32_t>(object, key, place);
}

// The items of the list under the key, at most kMaxListLength of them.
template <typename ReadItem>
auto listField(const Json& object, std::string_view key, const std::string& place,
               ReadItem readItem)
    -> decltype(simulated::listField(object, key, place, kMaxListLength, readItem)) {
  return simulated::listField(object, key, place, kMaxListLength, readItem);
}

Driver readDriver(const Json& value, const std::string& place) {
  requireObject(value, place,
                {"driver_version", "api_version", "devices", "fail", "delay", "crash", "counts"});
  Driver driver{behaviourOf(value, place,
                            {EntryPoint::zeDriverGetProperties, EntryPoint::zeDriverGetApiVersion,
                             EntryPoint::zeDeviceGet},
                            {EntryPoint::zeDeviceGet}),
                {},
                readApiVersion(value, place),
                listField(value, "devices", place, readDevice)};
  driver.properties.driverVersion = integerField<std::uint32_t>(value, "driver_version", place);
  return driver;
}

// "major.minor", each a decimal number from 0 to 65535.
std::uint32_t readApiVersion(const Json& value, const std::string& place) {
  const std::string text = textField(value, "api_version", place);
  if (text.empty()) return ZE_API_VERSION_1_0;
  const std::size_t point = text.find('.');
  const auto major = versionPart(text.substr(0, point));
  const auto minor =
      point == std::string::npos ? std::nullopt : versionPart(text.substr(point + 1));
  if (!major || !minor) {
    fail(member(place, "api_version"), "expected \"major.minor\" with numbers up to 65535");
  }
  return ZE_MAKE_VERSION(*major, *minor);
}

// The member's text, or "" when the object lacks the key.
std::string textField(const Json& object, std::string_view key, const std::string& place) {
  const auto found = object.find(key);
  return found == object.end() ? std::string() : textValue(*found, member(place, key));
}

// A decimal number from 0 to 65535, digits only.
std::optional<std::uint32_t> versionPart(const std::string& digits) {
  if (digits.empty() || digits.size() > 5 ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const auto number = static_cast<std::uint32_t>(std::stoul(digits));
  if (number > 0xffff) return std::nullopt;
  return number;
}

Device readDevice(const Json& value, const std::string& place) {
  requireObject(value, place,
                {"type", "name", "vendor_id", "device_id", "flags", "uuid", "pci_address",
                 "memory_modules", "temperature_sensors", "frequency_domains", "card_power_domain",
                 "fans", "fail", "delay", "crash", "counts"});
  Device device{
      behaviourOf(
          value, place,
          {EntryPoint::zeDeviceGetProperties, EntryPoint::zeDevicePciGetPropertiesExt,
           EntryPoint::zesDeviceEnumMemoryModules, EntryPoint::zesDeviceEnumTemperatureSensors,
           EntryPoint::zesDeviceEnumFrequencyDomains, EntryPoint::zesDeviceGetCardPowerDomain,
           EntryPoint::zesDeviceEnumFans},
          {EntryPoint::zesDeviceEnumMemoryModules, EntryPoint::zesDeviceEnumTemperatureSensors,
           EntryPoint::zesDeviceEnumFrequencyDomains, EntryPoint::zesDeviceEnumFans}),
      {},
      {},
      {},
      {},
      {},
      std::nullopt,
      {}};
  device.properties.type = enumField<ze_device_type_t>(value, "type", place);
  readDeviceName(value, place, device.properties);
  device.properties.vendorId = integerField<std::uint32_t>(value, "vendor_id", place);
  device.properties.deviceId = integerField<std::uint32_t>(value, "device_id", place);
  device.properties.flags = integerField<std::uint32_t>(value, "flags", place);
  device.properties.uuid = readUuid(value, place);
  device.pci.address = readPciAddress(value, place);
  device.memoryModules = listField(value, "memory_modules", place, readMemoryModule);
  device.temperatureSensors = listField(value, "temperature_sensors", place, readTemperatureSensor);
  device.frequencyDomains = listField(value, "frequency_domains", place, readFrequencyDomain);
  if (value.contains("card_power_domain")) {
    device.cardPowerDomain =
        readPowerDomain(value["card_power_domain"], member(place, "card_power_domain"));
  }
  device.fans = listField(value, "fans", place, readFan);
  return device;
}

// Level Zero enumerations hold values from 0 to 0x7fffffff.
template <typename Enum>
Enum enumField(const Json& object, std::string_view key, const std::string& place) {
  const auto found = object.find(key);
  if (found == object.end()) return Enum{};
  return static_cast<Enum>(integerValue<std::uint32_t>(*found, member(place, key), 0, 0x7fffffffu));
}

// "name" holds the name as text, or {"hex": ...} for raw bytes that are not UTF-8.
void readDeviceName(const Json& value, const std::string& place,
                    ze_device_properties_t& properties) {
  if (!value.contains("name")) return;
  const std::string namePlace = member(place, "name");
  copyToField(bytesValue(value["name"], namePlace), properties.name, namePlace);
}

ze_device_uuid_t readUuid(const Json& value, const std::string& place) {
  ze_device_uuid_t uuid{};
  if (!value.contains("uuid")) return uuid;
  std::string hex = textField(value, "uuid", place);
  hex.erase(std::remove(hex.begin(), hex.end(), '-'), hex.end());
  const std::string bytes = bytesFromHex(hex, member(place, "uuid"));
  if (bytes.size() != sizeof uuid.id) fail(member(place, "uuid"), "expected 16 bytes");
  std::memcpy(uuid.id, bytes.data(), bytes.size());
  return uuid;
}

ze_pci_address_ext_t readPciAddress(const Json& device, const std::string& devicePlace) {
  ze_pci_address_ext_t address{};
  const auto found = device.find("pci_address");
  if (found == device.end()) return address;
  const std::string place = member(devicePlace, "pci_address");
  requireObject(*found, place, {"domain", "bus", "device", "function"});
  address.domain = integerField<std::uint32_t>(*found, "domain", place);
  address.bus = integerField<std::uint32_t>(*found, "bus", place);
  address.device = integerField<std::uint32_t>(*found, "device", place);
  address.function = integerField<std::uint32_t>(*found, "function", place);
  return address;
}

MemoryModule readMemoryModule(const Json& value, const std::string& place) {
  requireObject(value, place,
                {"location", "physical_size", "bus_width", "num_channels", "size", "free", "fail",
                 "delay", "crash"});
  MemoryModule module{
      behaviourOf(value, place,
                  {EntryPoint::zesMemoryGetProperties, EntryPoint::zesMemoryGetState}),
      {},
      {}};
  module.properties.location = enumField<zes_mem_loc_t>(value, "location", place);
  module.properties.physicalSize = integerField<std::uint64_t>(value, "physical_size", place);
  module.properties.busWidth = integerField<std::int32_t>(value, "bus_width", place);
  module.properties.numChannels = integerField<std::int32_t>(value, "num_channels", place);
  module.state.size = integerField<std::uint64_t>(value, "size", place);
  module.state.free = integerField<std::uint64_t>(value, "free", place);
  return module;
}

TemperatureSensor readTemperatureSensor(const Json& value, const std::string& place) {
  requireObject(value, place, {"type", "temperature", "fail", "delay", "crash"});
  TemperatureSensor sensor{
      behaviourOf(value, place,
                  {EntryPoint::zesTemperatureGetProperties, EntryPoint::zesTemperatureGetState}),
      {},
      floatingField(value, "temperature", place)};
  sensor.properties.type = enumField<zes_temp_sensors_t>(value, "type", place);
  return sensor;
}

// A number, or "nan", "inf" or "-inf" for the values that JSON cannot write.
double floatingField(const Json& object, std::string_view key, const std::string& place) {
  const auto found = object.find(key);
  if (found == object.end()) return 0.0;
  if (found->is_number()) return found->get<double>();
  if (*found == "nan") return std::numeric_limits<double>::quiet_NaN();
  if (*found == "inf") return std::numeric_limits<double>::infinity();
  if (*found == "-inf") return -std::numeric_limits<double>::infinity();
  fail(member(place, key), "expected a number, \"nan\", \"inf\" or \"-inf\"");
}

FrequencyDomain readFrequencyDomain(const Json& value, const std::string& place) {
  requireObject(value, place, {"type", "actual", "fail", "delay", "crash"});
  FrequencyDomain domain{
      behaviourOf(value, place,
                  {EntryPoint::zesFrequencyGetProperties, EntryPoint::zesFrequencyGetState}),
      {},
      {}};
  domain.properties.type = enumField<zes_freq_domain_t>(value, "type", place);
  domain.state.actual = floatingField(value, "actual", place);
  return domain;
}

PowerDomain readPowerDomain(const Json& value, const std::string& place) {
  requireObject(value, place, {"energy_samples", "fail", "delay", "crash"});
  PowerDomain domain{behaviourOf(value, place, {EntryPoint::zesPowerGetEnergyCounter}),
                     listField(value, "energy_samples", place, readEnergySample)};
  if (domain.samples.empty()) fail(member(place, "energy_samples"), "needs at least one sample");
  return domain;
}

zes_power_energy_counter_t readEnergySample(const Json& value, const std::string& place) {
  requireObject(value, place, {"energy", "timestamp"});
  zes_power_energy_counter_t sample{};
  sample.energy = integerField<std::uint64_t>(value, "energy", place);
  sample.timestamp = integerField<std::uint64_t>(value, "timestamp", place);
  return sample;
}

Fan readFan(const Json& value, const std::string& place) {
  requireObject(value, place, {"speed", "fail", "delay", "crash"});
  return {behaviourOf(value, place, {EntryPoint::zesFanGetState}),
          integerField<std::int32_t>(value, "speed", place)};
}

}  // namespace

}  // namespace simulated::level_zero
