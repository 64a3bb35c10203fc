#include "scenario.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <string_view>

#include "../whole_file.hpp"

namespace simulated::adl {
namespace {

using Json = nlohmann::json;

[[noreturn]] void fail(const std::string& where, const std::string& problem) {
  throw ScenarioError(where + ": " + problem);
}

const Json& objectAt(const Json& parent, const std::string& key, const std::string& where) {
  const Json& value = parent.at(key);
  if (!value.is_object()) fail(where + "." + key, "must be an object");
  return value;
}

// Every key of the object must be one of the known ones, so that a misspelt key is an error
// instead of a silently ignored line.
void requireKnownKeys(const Json& object, std::initializer_list<std::string_view> known,
                      const std::string& where) {
  for (const auto& item : object.items()) {
    if (std::find(known.begin(), known.end(), item.key()) == known.end()) {
      fail(where, "unknown key \"" + item.key() + "\"");
    }
  }
}

long long integerIn(const Json& value, long long minimum, long long maximum,
                    const std::string& where) {
  const bool inRange =
      (value.is_number_integer() && value.is_number_unsigned())
          ? value.get<unsigned long long>() <= static_cast<unsigned long long>(maximum)
          : value.is_number_integer() && value.get<long long>() >= minimum &&
                value.get<long long>() <= maximum;
  if (!inRange) {
    fail(where,
         "must be an integer from " + std::to_string(minimum) + " to " + std::to_string(maximum));
  }
  return value.is_number_unsigned() ? static_cast<long long>(value.get<unsigned long long>())
                                    : value.get<long long>();
}

int int32At(const Json& object, const char* key, int fallback, const std::string& where) {
  if (!object.contains(key)) return fallback;
  return static_cast<int>(integerIn(object[key], std::numeric_limits<int>::min(),
                                    std::numeric_limits<int>::max(), where + "." + key));
}

long long int64At(const Json& object, const char* key, const std::string& where) {
  if (!object.contains(key)) return 0;
  return integerIn(object[key], std::numeric_limits<long long>::min(),
                   std::numeric_limits<long long>::max(), where + "." + key);
}

int resultAt(const Json& group, const std::string& where) {
  return int32At(group, "result", ::adl::ADL_OK, where);
}

std::string bytesFromHex(const std::string& hex, const std::string& where) {
  if (hex.size() % 2 != 0) fail(where, "hex text must have an even number of digits");
  std::string bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const std::string pair = hex.substr(i, 2);
    if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      fail(where, "\"" + pair + "\" is not a hex byte");
    }
    bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
  }
  return bytes;
}

// A 256-byte text field: a JSON string, or {"hex": "..."} for any bytes. A value of 256
// bytes fills the field with no terminating NUL.
void textAt(const Json& object, const char* key, char (&field)[::adl::kStringFieldSize],
            const std::string& where) {
  if (!object.contains(key)) return;
  const Json& value = object[key];
  const std::string path = where + "." + key;
  std::string bytes;
  if (value.is_string()) {
    bytes = value.get<std::string>();
  } else if (value.is_object() && value.size() == 1 && value.contains("hex") &&
             value["hex"].is_string()) {
    bytes = bytesFromHex(value["hex"].get<std::string>(), path);
  } else {
    fail(path, "must be a string or {\"hex\": \"...\"}");
  }
  if (bytes.size() > sizeof field) fail(path, "longer than 256 bytes");
  std::memcpy(field, bytes.data(), bytes.size());
}

void readAdapterInfo(const Json& adapter, ::adl::AdapterInfo& info, const std::string& where) {
  info.iAdapterIndex = int32At(adapter, "index", 0, where);
  textAt(adapter, "udid", info.strUDID, where);
  info.iBusNumber = int32At(adapter, "bus", 0, where);
  info.iDeviceNumber = int32At(adapter, "device", 0, where);
  info.iFunctionNumber = int32At(adapter, "function", 0, where);
  info.iVendorID = int32At(adapter, "vendor_id", ::adl::AMD_VENDOR_ID, where);
  textAt(adapter, "name", info.strAdapterName, where);
  textAt(adapter, "display_name", info.strDisplayName, where);
  info.iPresent = int32At(adapter, "present", 1, where);
  info.iExist = int32At(adapter, "exist", 1, where);
  textAt(adapter, "driver_path", info.strDriverPath, where);
  textAt(adapter, "driver_path_ext", info.strDriverPathExt, where);
  textAt(adapter, "pnp_string", info.strPNPString, where);
  info.iOSDisplayIndex = int32At(adapter, "os_display_index", 0, where);
}

// Readers of the per-adapter groups: each takes the group's object, the adapter to fill and
// the group's place in the file for messages.
void readAsicFamily(const Json& group, AdapterScenario& adapter, const std::string& where) {
  requireKnownKeys(group, {"result", "types", "valids"}, where);
  adapter.asicFamily = {resultAt(group, where), int32At(group, "types", 0, where),
                        int32At(group, "valids", 0, where)};
}

void readMemory(const Json& group, AdapterScenario& adapter, const std::string& where) {
  requireKnownKeys(group, {"result", "size", "type", "bandwidth"}, where);
  adapter.memory.result = resultAt(group, where);
  adapter.memory.memory.iMemorySize = int64At(group, "size", where);
  textAt(group, "type", adapter.memory.memory.strMemoryType, where);
  adapter.memory.memory.iMemoryBandwidth = int64At(group, "bandwidth", where);
}

void readBios(const Json& group, AdapterScenario& adapter, const std::string& where) {
  requireKnownKeys(group, {"result", "part_number", "version", "date"}, where);
  adapter.bios.result = resultAt(group, where);
  textAt(group, "part_number", adapter.bios.bios.strPartNumber, where);
  textAt(group, "version", adapter.bios.bios.strVersion, where);
  textAt(group, "date", adapter.bios.bios.strDate, where);
}

void readOverdriveCaps(const Json& group, AdapterScenario& adapter, const std::string& where) {
  requireKnownKeys(group, {"result", "supported", "enabled", "version"}, where);
  adapter.overdriveCaps = {resultAt(group, where), int32At(group, "supported", 0, where),
                           int32At(group, "enabled", 0, where),
                           int32At(group, "version", 0, where)};
}

// A map from a decimal number key ("0" to maximum) to its value.
template <typename Read>
void readNumberedItems(const Json& group, const char* key, long long maximum, const char* what,
                       const std::string& where, Read read) {
  if (!group.contains(key)) return;
  for (const auto& item : objectAt(group, key, where).items()) {
    const std::string path = where + "." + key + "." + item.key();
    const auto number =
        integerIn(Json::parse(item.key(), nullptr, false), 0, maximum, path + " (" + what + ")");
    read(static_cast<std::size_t>(number), item.value(), path);
  }
}

void readPMLog(const Json& group, AdapterScenario& adapter, const std::string& where) {
  requireKnownKeys(group, {"result", "sensors"}, where);
  adapter.pmLog.result = resultAt(group, where);
  readNumberedItems(group, "sensors", ::adl::kPMLogSensorCount - 1, "sensor number", where,
                    [&](std::size_t sensor, const Json& value, const std::string& path) {
                      ::adl::ADLSingleSensorData& data = adapter.pmLog.data.sensors[sensor];
                      data.supported = 1;
                      data.value =
                          static_cast<int>(integerIn(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max(), path));
                    });
}

void readSettings(const Json& group, AdapterScenario& adapter, const std::string& where) {
  requireKnownKeys(group, {"result", "capabilities", "feature_count", "hands_over_list", "entries"},
                   where);
  SettingsReply& reply = adapter.overdrive8Settings;
  reply.result = resultAt(group, where);
  reply.capabilities = int32At(group, "capabilities", 0, where);
  reply.featureCount = int32At(group, "feature_count", ::adl::kOD8SettingCount, where);
  reply.handsOverList = int32At(group, "hands_over_list", 1, where) != 0;
  // The list holds as many entries as the library reports, at least one, at most the bound.
  reply.list.resize(std::clamp(reply.featureCount, 1, kMaximumSettingListLength));
  readNumberedItems(group, "entries", static_cast<long long>(reply.list.size()) - 1, "entry number",
                    where, [&](std::size_t position, const Json& value, const std::string& path) {
                      requireKnownKeys(value, {"feature_id", "min", "max", "default"}, path);
                      reply.list[position] = {
                          int32At(value, "feature_id", 0, path), int32At(value, "min", 0, path),
                          int32At(value, "max", 0, path), int32At(value, "default", 0, path)};
                    });
}

void readActivity(const Json& group, AdapterScenario& adapter, const std::string& where) {
  requireKnownKeys(group,
                   {"result", "engine_clock", "memory_clock", "vddc", "activity_percent",
                    "performance_level", "bus_speed", "bus_lanes", "maximum_bus_lanes"},
                   where);
  adapter.activity.result = resultAt(group, where);
  ::adl::ADLPMActivity& activity = adapter.activity.activity;
  activity.iEngineClock = int32At(group, "engine_clock", 0, where);
  activity.iMemoryClock = int32At(group, "memory_clock", 0, where);
  activity.iVddc = int32At(group, "vddc", 0, where);
  activity.iActivityPercent = int32At(group, "activity_percent", 0, where);
  activity.iCurrentPerformanceLevel = int32At(group, "performance_level", 0, where);
  activity.iCurrentBusSpeed = int32At(group, "bus_speed", 0, where);
  activity.iCurrentBusLanes = int32At(group, "bus_lanes", 0, where);
  activity.iMaximumBusLanes = int32At(group, "maximum_bus_lanes", 0, where);
}

// The groups of one result and one integer "value".
template <ValueReply AdapterScenario::*reply>
void readValue(const Json& group, AdapterScenario& adapter, const std::string& where) {
  requireKnownKeys(group, {"result", "value"}, where);
  adapter.*reply = {resultAt(group, where), int32At(group, "value", 0, where)};
}

using GroupReader = void (*)(const Json&, AdapterScenario&, const std::string&);

constexpr std::pair<const char*, GroupReader> kGroupReaders[] = {
    {"asic_family", readAsicFamily},
    {"memory", readMemory},
    {"bios", readBios},
    {"overdrive_caps", readOverdriveCaps},
    {"pmlog", readPMLog},
    {"od8_settings", readSettings},
    {"temperature", readValue<&AdapterScenario::temperature>},
    {"fan_percent", readValue<&AdapterScenario::fanPercent>},
    {"fan_rpm", readValue<&AdapterScenario::fanRpm>},
    {"activity", readActivity},
    {"power", readValue<&AdapterScenario::power>},
    {"page_size", readValue<&AdapterScenario::pageSize>},
};

AdapterScenario readAdapter(const Json& adapter, const std::string& where) {
  if (!adapter.is_object()) fail(where, "must be an object");
  requireKnownKeys(adapter, {"index",       "udid",
                             "bus",         "device",
                             "function",    "vendor_id",
                             "name",        "display_name",
                             "present",     "exist",
                             "driver_path", "driver_path_ext",
                             "pnp_string",  "os_display_index",
                             "asic_family", "memory",
                             "bios",        "overdrive_caps",
                             "pmlog",       "od8_settings",
                             "temperature", "fan_percent",
                             "fan_rpm",     "activity",
                             "power",       "page_size"},
                   where);
  AdapterScenario scenario;
  readAdapterInfo(adapter, scenario.info, where);
  for (const auto& [key, read] : kGroupReaders) {
    if (adapter.contains(key)) read(objectAt(adapter, key, where), scenario, where + "." + key);
  }
  return scenario;
}

void readVersions(const Json& versions, Scenario& scenario) {
  requireKnownKeys(
      versions,
      {"result", "driver_ver", "catalyst_version", "crimson_version", "catalyst_web_link"},
      "versions");
  scenario.versionsResult = resultAt(versions, "versions");
  textAt(versions, "driver_ver", scenario.versions.strDriverVer, "versions");
  textAt(versions, "catalyst_version", scenario.versions.strCatalystVersion, "versions");
  textAt(versions, "crimson_version", scenario.versions.strCrimsonVersion, "versions");
  textAt(versions, "catalyst_web_link", scenario.versions.strCatalystWebLink, "versions");
}

Scenario readScenario(const Json& root) {
  if (!root.is_object()) fail("scenario", "must be a JSON object");
  requireKnownKeys(root,
                   {"comment", "create", "versions", "adapter_count", "adapter_info", "adapters"},
                   "scenario");
  Scenario scenario;
  if (root.contains("adapters")) {
    const Json& adapters = root["adapters"];
    if (!adapters.is_array() || adapters.size() > kMaximumAdapters) {
      fail("adapters", "must be an array of at most " + std::to_string(kMaximumAdapters));
    }
    for (std::size_t i = 0; i < adapters.size(); ++i) {
      scenario.adapters.push_back(readAdapter(adapters[i], "adapters[" + std::to_string(i) + "]"));
    }
  }
  if (root.contains("create")) {
    requireKnownKeys(objectAt(root, "create", "scenario"), {"result"}, "create");
    scenario.createResult = resultAt(root["create"], "create");
  }
  if (root.contains("versions")) readVersions(objectAt(root, "versions", "scenario"), scenario);
  scenario.adapterCount = static_cast<int>(scenario.adapters.size());
  if (root.contains("adapter_count")) {
    const Json& count = objectAt(root, "adapter_count", "scenario");
    requireKnownKeys(count, {"result", "count"}, "adapter_count");
    scenario.adapterCountResult = resultAt(count, "adapter_count");
    scenario.adapterCount = int32At(count, "count", scenario.adapterCount, "adapter_count");
  }
  if (root.contains("adapter_info")) {
    requireKnownKeys(objectAt(root, "adapter_info", "scenario"), {"result"}, "adapter_info");
    scenario.adapterInfoResult = resultAt(root["adapter_info"], "adapter_info");
  }
  return scenario;
}

}  // namespace

Scenario parseScenario(const std::string& jsonText) {
  try {
    return readScenario(Json::parse(jsonText));
  } catch (const Json::exception& error) {
    throw ScenarioError(error.what());
  }
}

Scenario loadScenarioFile(const std::string& path) {
  const auto text = readWholeFile(path);
  if (!text) throw ScenarioError("cannot open " + path);
  return parseScenario(*text);
}

}  // namespace simulated::adl
