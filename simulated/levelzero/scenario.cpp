#include "scenario.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <string_view>

#include "../scenario_reading.h"

namespace simulated::levelzero {

std::optional<std::uint32_t> Behaviour::injectedResult(Call call) {
  const std::uint32_t number = ++calls_[index(call)];
  const std::optional<Fault>& fault = faults_[index(call)];
  if (!fault || (fault->onCall != 0 && fault->onCall != number)) return std::nullopt;
  return fault->result;
}

ResolvedCounts Behaviour::countsFor(Call call, std::size_t available) const {
  const auto items = static_cast<std::uint32_t>(available);
  const EnumerationCounts& counts = counts_[index(call)];
  return {counts.reported.value_or(items), std::min(counts.filled.value_or(items), items)};
}

namespace {

using json = nlohmann::json;

using Calls = std::initializer_list<Call>;

[[noreturn]] void fail(const std::string& path, const std::string& problem) {
  throw ScenarioError(path + ": " + problem);
}

std::string member(const std::string& path, std::string_view key) {
  return path + "." + std::string(key);
}

// Every scenario object is checked against the keys its level knows, so a misspelt key is an
// error instead of a silently ignored setting.
void requireObject(const json& value, const std::string& path,
                   std::initializer_list<std::string_view> keys) {
  if (!value.is_object()) fail(path, "expected an object");
  for (const auto& item : value.items()) {
    if (std::find(keys.begin(), keys.end(), item.key()) == keys.end()) {
      fail(member(path, item.key()), "unknown key");
    }
  }
}

template <typename T>
T integerValue(const json& value, const std::string& path) {
  if (value.is_number_unsigned()) {
    const auto number = value.get<std::uint64_t>();
    if (number <= static_cast<std::uint64_t>(std::numeric_limits<T>::max())) {
      return static_cast<T>(number);
    }
  } else if (value.is_number_integer()) {
    const auto number = value.get<std::int64_t>();
    if (std::is_signed_v<T> && number >= static_cast<std::int64_t>(std::numeric_limits<T>::min())) {
      return static_cast<T>(number);
    }
  }
  fail(path, "expected an integer from " + std::to_string(std::numeric_limits<T>::min()) + " to " +
                 std::to_string(std::numeric_limits<T>::max()));
}

template <typename T>
T integerField(const json& object, std::string_view key, const std::string& path) {
  const auto found = object.find(key);
  return found == object.end() ? T{} : integerValue<T>(*found, member(path, key));
}

// Level Zero enumerations hold values from 0 to 0x7fffffff.
template <typename Enum>
Enum enumField(const json& object, std::string_view key, const std::string& path) {
  const auto value = integerField<std::uint32_t>(object, key, path);
  if (value > 0x7fffffffu) fail(member(path, key), "expected an integer from 0 to 2147483647");
  return static_cast<Enum>(value);
}

// A number, or "nan", "inf" or "-inf" for the values that JSON cannot write.
double floatingField(const json& object, std::string_view key, const std::string& path) {
  const auto found = object.find(key);
  if (found == object.end()) return 0.0;
  if (found->is_number()) return found->get<double>();
  if (*found == "nan") return std::numeric_limits<double>::quiet_NaN();
  if (*found == "inf") return std::numeric_limits<double>::infinity();
  if (*found == "-inf") return -std::numeric_limits<double>::infinity();
  fail(member(path, key), "expected a number, \"nan\", \"inf\" or \"-inf\"");
}

std::string textField(const json& object, std::string_view key, const std::string& path) {
  const auto found = object.find(key);
  if (found == object.end()) return {};
  if (!found->is_string()) fail(member(path, key), "expected a string");
  return found->get<std::string>();
}

std::string bytesFromHex(const std::string& hex, const std::string& path) {
  if (hex.size() % 2 != 0) fail(path, "expected an even number of hexadecimal digits");
  std::string bytes;
  for (std::size_t at = 0; at < hex.size(); at += 2) {
    const std::string pair = hex.substr(at, 2);
    if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      fail(path, "expected hexadecimal digits");
    }
    bytes += static_cast<char>(std::stoul(pair, nullptr, 16));
  }
  return bytes;
}

template <typename Item, typename ParseItem>
std::vector<Item> listField(const json& object, std::string_view key, const std::string& path,
                            ParseItem parseItem) {
  std::vector<Item> items;
  const auto found = object.find(key);
  if (found == object.end()) return items;
  const std::string listPath = member(path, key);
  if (!found->is_array()) fail(listPath, "expected an array");
  if (found->size() > kMaxListLength) {
    fail(listPath, "more than " + std::to_string(kMaxListLength) + " entries");
  }
  for (std::size_t index = 0; index < found->size(); ++index) {
    items.push_back(parseItem((*found)[index], listPath + "[" + std::to_string(index) + "]"));
  }
  return items;
}

Call callNamed(const std::string& name, Calls allowed, const std::string& path) {
  for (const Call call : allowed) {
    if (callName(call) == name) return call;
  }
  fail(path, "not a function that this object answers");
}

std::uint32_t resultValue(const json& value, const std::string& path) {
  const auto code = integerValue<std::int64_t>(value, path);
  if (code < std::numeric_limits<std::int32_t>::min() ||
      code > std::numeric_limits<std::uint32_t>::max()) {
    fail(path, "expected a 32-bit result code");
  }
  // A call that reported success without doing its work would hand out handles it never wrote.
  if (code == 0) fail(path, "a scripted failure cannot be ZE_RESULT_SUCCESS (0)");
  return static_cast<std::uint32_t>(code);
}

Fault faultValue(const json& value, const std::string& path) {
  if (!value.is_object()) return {resultValue(value, path), 0};
  requireObject(value, path, {"result", "call"});
  if (!value.contains("result")) fail(member(path, "result"), "missing");
  return {resultValue(value["result"], member(path, "result")),
          integerField<std::uint32_t>(value, "call", path)};
}

std::optional<std::uint32_t> optionalCount(const json& object, std::string_view key,
                                           const std::string& path) {
  if (!object.contains(key)) return std::nullopt;
  return integerField<std::uint32_t>(object, key, path);
}

// Reads "fail" (faults by function name) and "counts" (enumeration counts by function name).
Behaviour behaviourOf(const json& object, const std::string& path, Calls faultable,
                      Calls enumerations = {}) {
  Behaviour behaviour;
  if (const auto faults = object.find("fail"); faults != object.end()) {
    const std::string faultsPath = member(path, "fail");
    if (!faults->is_object()) fail(faultsPath, "expected an object");
    for (const auto& item : faults->items()) {
      const std::string itemPath = member(faultsPath, item.key());
      behaviour.addFault(callNamed(item.key(), faultable, itemPath),
                         faultValue(item.value(), itemPath));
    }
  }
  if (const auto counts = object.find("counts"); counts != object.end()) {
    const std::string countsPath = member(path, "counts");
    if (!counts->is_object()) fail(countsPath, "expected an object");
    for (const auto& item : counts->items()) {
      const std::string itemPath = member(countsPath, item.key());
      const Call call = callNamed(item.key(), enumerations, itemPath);
      requireObject(item.value(), itemPath, {"reported", "filled"});
      behaviour.setCounts(call, {optionalCount(item.value(), "reported", itemPath),
                                 optionalCount(item.value(), "filled", itemPath)});
    }
  }
  return behaviour;
}

MemoryModule parseMemoryModule(const json& value, const std::string& path) {
  requireObject(value, path,
                {"location", "physical_size", "bus_width", "num_channels", "size", "free", "fail"});
  MemoryModule module{
      behaviourOf(value, path, {Call::zesMemoryGetProperties, Call::zesMemoryGetState}), {}, {}};
  module.properties.location = enumField<zes_mem_loc_t>(value, "location", path);
  module.properties.physicalSize = integerField<std::uint64_t>(value, "physical_size", path);
  module.properties.busWidth = integerField<std::int32_t>(value, "bus_width", path);
  module.properties.numChannels = integerField<std::int32_t>(value, "num_channels", path);
  module.state.size = integerField<std::uint64_t>(value, "size", path);
  module.state.free = integerField<std::uint64_t>(value, "free", path);
  return module;
}

TemperatureSensor parseTemperatureSensor(const json& value, const std::string& path) {
  requireObject(value, path, {"type", "temperature", "fail"});
  TemperatureSensor sensor{
      behaviourOf(value, path, {Call::zesTemperatureGetProperties, Call::zesTemperatureGetState}),
      {},
      floatingField(value, "temperature", path)};
  sensor.properties.type = enumField<zes_temp_sensors_t>(value, "type", path);
  return sensor;
}

FrequencyDomain parseFrequencyDomain(const json& value, const std::string& path) {
  requireObject(value, path, {"type", "actual", "fail"});
  FrequencyDomain domain{
      behaviourOf(value, path, {Call::zesFrequencyGetProperties, Call::zesFrequencyGetState}),
      {},
      {}};
  domain.properties.type = enumField<zes_freq_domain_t>(value, "type", path);
  domain.state.actual = floatingField(value, "actual", path);
  return domain;
}

zes_power_energy_counter_t parseEnergySample(const json& value, const std::string& path) {
  requireObject(value, path, {"energy", "timestamp"});
  zes_power_energy_counter_t sample{};
  sample.energy = integerField<std::uint64_t>(value, "energy", path);
  sample.timestamp = integerField<std::uint64_t>(value, "timestamp", path);
  return sample;
}

PowerDomain parsePowerDomain(const json& value, const std::string& path) {
  requireObject(value, path, {"energy_samples", "fail"});
  PowerDomain domain{
      behaviourOf(value, path, {Call::zesPowerGetEnergyCounter}),
      listField<zes_power_energy_counter_t>(value, "energy_samples", path, parseEnergySample)};
  if (domain.samples.empty()) fail(member(path, "energy_samples"), "needs at least one sample");
  return domain;
}

Fan parseFan(const json& value, const std::string& path) {
  requireObject(value, path, {"speed", "fail"});
  return {behaviourOf(value, path, {Call::zesFanGetState}),
          integerField<std::int32_t>(value, "speed", path)};
}

// "name" holds the name as text; "name_hex" holds its raw bytes, for names that are not UTF-8.
void readDeviceName(const json& value, const std::string& path,
                    ze_device_properties_t& properties) {
  if (value.contains("name") && value.contains("name_hex")) {
    fail(path, "\"name\" and \"name_hex\" exclude each other");
  }
  const std::string name =
      value.contains("name_hex")
          ? bytesFromHex(textField(value, "name_hex", path), member(path, "name_hex"))
          : textField(value, "name", path);
  if (name.size() > sizeof properties.name) fail(path, "name longer than 256 bytes");
  std::memcpy(properties.name, name.data(), name.size());
}

ze_device_uuid_t parseUuid(const json& value, const std::string& path) {
  ze_device_uuid_t uuid{};
  if (!value.contains("uuid")) return uuid;
  std::string hex = textField(value, "uuid", path);
  hex.erase(std::remove(hex.begin(), hex.end(), '-'), hex.end());
  const std::string bytes = bytesFromHex(hex, member(path, "uuid"));
  if (bytes.size() != sizeof uuid.id) fail(member(path, "uuid"), "expected 16 bytes");
  std::memcpy(uuid.id, bytes.data(), bytes.size());
  return uuid;
}

ze_pci_address_ext_t parsePciAddress(const json& device, const std::string& devicePath) {
  ze_pci_address_ext_t address{};
  const auto found = device.find("pci_address");
  if (found == device.end()) return address;
  const std::string path = member(devicePath, "pci_address");
  requireObject(*found, path, {"domain", "bus", "device", "function"});
  address.domain = integerField<std::uint32_t>(*found, "domain", path);
  address.bus = integerField<std::uint32_t>(*found, "bus", path);
  address.device = integerField<std::uint32_t>(*found, "device", path);
  address.function = integerField<std::uint32_t>(*found, "function", path);
  return address;
}

Device parseDevice(const json& value, const std::string& path) {
  requireObject(value, path,
                {"type", "name", "name_hex", "vendor_id", "device_id", "flags", "uuid",
                 "pci_address", "memory_modules", "temperature_sensors", "frequency_domains",
                 "card_power_domain", "fans", "fail", "counts"});
  Device device{
      behaviourOf(value, path,
                  {Call::zeDeviceGetProperties, Call::zeDevicePciGetPropertiesExt,
                   Call::zesDeviceEnumMemoryModules, Call::zesDeviceEnumTemperatureSensors,
                   Call::zesDeviceEnumFrequencyDomains, Call::zesDeviceGetCardPowerDomain,
                   Call::zesDeviceEnumFans},
                  {Call::zesDeviceEnumMemoryModules, Call::zesDeviceEnumTemperatureSensors,
                   Call::zesDeviceEnumFrequencyDomains, Call::zesDeviceEnumFans}),
      {},
      {},
      {},
      {},
      {},
      std::nullopt,
      {}};
  device.properties.type = enumField<ze_device_type_t>(value, "type", path);
  readDeviceName(value, path, device.properties);
  device.properties.vendorId = integerField<std::uint32_t>(value, "vendor_id", path);
  device.properties.deviceId = integerField<std::uint32_t>(value, "device_id", path);
  device.properties.flags = integerField<std::uint32_t>(value, "flags", path);
  device.properties.uuid = parseUuid(value, path);
  device.pci.address = parsePciAddress(value, path);
  device.memoryModules = listField<MemoryModule>(value, "memory_modules", path, parseMemoryModule);
  device.temperatureSensors =
      listField<TemperatureSensor>(value, "temperature_sensors", path, parseTemperatureSensor);
  device.frequencyDomains =
      listField<FrequencyDomain>(value, "frequency_domains", path, parseFrequencyDomain);
  if (value.contains("card_power_domain")) {
    device.cardPowerDomain =
        parsePowerDomain(value["card_power_domain"], member(path, "card_power_domain"));
  }
  device.fans = listField<Fan>(value, "fans", path, parseFan);
  return device;
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

// "major.minor", each a decimal number from 0 to 65535.
std::uint32_t parseApiVersion(const json& value, const std::string& path) {
  const std::string text = textField(value, "api_version", path);
  if (text.empty()) return ZE_API_VERSION_1_0;
  const std::size_t point = text.find('.');
  const auto major = versionPart(text.substr(0, point));
  const auto minor =
      point == std::string::npos ? std::nullopt : versionPart(text.substr(point + 1));
  if (!major || !minor) {
    fail(member(path, "api_version"), "expected \"major.minor\" with numbers up to 65535");
  }
  return ZE_MAKE_VERSION(*major, *minor);
}

Driver parseDriver(const json& value, const std::string& path) {
  requireObject(value, path, {"driver_version", "api_version", "devices", "fail", "counts"});
  Driver driver{
      behaviourOf(value, path,
                  {Call::zeDriverGetProperties, Call::zeDriverGetApiVersion, Call::zeDeviceGet},
                  {Call::zeDeviceGet}),
      {},
      parseApiVersion(value, path),
      listField<Device>(value, "devices", path, parseDevice)};
  driver.properties.driverVersion = integerField<std::uint32_t>(value, "driver_version", path);
  return driver;
}

}  // namespace

Scenario parseScenario(const std::string& text) {
  json document;
  try {
    document = json::parse(text);
  } catch (const json::exception& error) {
    fail("scenario", error.what());
  }
  const std::string path = "scenario";
  requireObject(document, path, {"description", "drivers", "fail", "counts"});
  return {behaviourOf(document, path, {Call::zeInit, Call::zeDriverGet}, {Call::zeDriverGet}),
          listField<Driver>(document, "drivers", path, parseDriver)};
}

Scenario loadScenarioFile(const std::string& path) {
  const auto text = simulated::readWholeFile(path);
  if (!text) throw ScenarioError("cannot open " + path);
  return parseScenario(*text);
}

}  // namespace simulated::levelzero
