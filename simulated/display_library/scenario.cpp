#include "scenario.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <utility>

namespace simulated::display_library {

namespace {

Scenario readRoot(const Json& root);
template <typename Read>
void readByEntryPoint(const Json& root, std::string_view key, Read read);
AdapterScenario readAdapter(const Json& adapter, const std::string& place);
void readAdapterInfo(const Json& adapter, adl::AdapterInfo& info, const std::string& place);
int int32Field(const Json& object, std::string_view key, const std::string& place,
               int fallback = 0);
template <std::size_t Size>
void textField(const Json& object, std::string_view key, char (&field)[Size],
               const std::string& place);
void readAsicFamily(const Json& group, AdapterScenario& adapter, const std::string& place);
int resultField(const Json& group, const std::string& place);
void readMemory(const Json& group, AdapterScenario& adapter, const std::string& place);
void readBios(const Json& group, AdapterScenario& adapter, const std::string& place);
void readOverdriveCaps(const Json& group, AdapterScenario& adapter, const std::string& place);
void readPMLog(const Json& group, AdapterScenario& adapter, const std::string& place);
template <typename Read>
void readNumberedItems(const Json& group, std::string_view key, std::size_t maximum,
                       const char* what, const std::string& place, Read read);
void readSettings(const Json& group, AdapterScenario& adapter, const std::string& place);
template <ValueReply AdapterScenario::*reply>
void readValue(const Json& group, AdapterScenario& adapter, const std::string& place);
void readActivity(const Json& group, AdapterScenario& adapter, const std::string& place);
int resultGroup(const Json& root, std::string_view key, int fallback);
void readVersions(const Json& versions, Scenario& scenario, const std::string& place);

// Readers of the per-adapter groups: each takes the group's value, the adapter to fill and
// the group's place.
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

}  // namespace

Scenario readScenario(const std::string& text) {
  return readRoot(readDocument(text));
}

Scenario readScenarioFile(const std::string& path) {
  return readRoot(readDocumentFile(path));
}

namespace {

Scenario readRoot(const Json& root) {
  requireObject(root, kScenarioRoot,
                {"description", "delay", "crash", "create", "versions", "adapter_count",
                 "adapter_info", "adapters"});
  Scenario scenario;
  readByEntryPoint(root, "delay",
                   [&](std::size_t entryPoint, const Json& value, const std::string& place) {
                     scenario.delays[entryPoint] = delayValue(value, place);
                   });
  readByEntryPoint(root, "crash",
                   [&](std::size_t entryPoint, const Json& value, const std::string& place) {
                     scenario.crashes[entryPoint] = crashValue(value, place);
                   });
  scenario.adapters = listField(root, "adapters", kScenarioRoot, kMaximumAdapters, readAdapter);
  scenario.createResult = resultGroup(root, "create", adl::ADL_OK);
  if (root.contains("versions")) {
    readVersions(root["versions"], scenario, member(kScenarioRoot, "versions"));
  }
  scenario.adapterCount = static_cast<int>(scenario.adapters.size());
  if (root.contains("adapter_count")) {
    const std::string place = member(kScenarioRoot, "adapter_count");
    const Json& count = root["adapter_count"];
    requireObject(count, place, {"result", "count"});
    scenario.adapterCountResult = resultField(count, place);
    scenario.adapterCount = int32Field(count, "count", place, scenario.adapterCount);
  }
  scenario.adapterInfoResult = resultGroup(root, "adapter_info", adl::ADL_OK);
  return scenario;
}

// Each member of the root's object under the key, keyed by entry point name, read by
// read(entry point, value, place).
template <typename Read>
void readByEntryPoint(const Json& root, std::string_view key, Read read) {
  readMembers(root, key, kScenarioRoot,
              [&](const std::string& name, const Json& value, const std::string& place) {
                const auto* named =
                    std::find(std::begin(kEntryPointNames), std::end(kEntryPointNames), name);
                if (named == std::end(kEntryPointNames))
                  fail(place, "not an entry point of the library");
                read(static_cast<std::size_t>(named - std::begin(kEntryPointNames)), value, place);
              });
}

AdapterScenario readAdapter(const Json& adapter, const std::string& place) {
  requireObject(adapter, place, {"index",       "udid",
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
                                 "power",       "page_size"});
  AdapterScenario scenario;
  readAdapterInfo(adapter, scenario.info, place);
  for (const auto& [key, read] : kGroupReaders) {
    if (adapter.contains(key)) read(adapter[key], scenario, member(place, key));
  }
  return scenario;
}

void readAdapterInfo(const Json& adapter, adl::AdapterInfo& info, const std::string& place) {
  info.iAdapterIndex = int32Field(adapter, "index", place);
  textField(adapter, "udid", info.strUDID, place);
  info.iBusNumber = int32Field(adapter, "bus", place);
  info.iDeviceNumber = int32Field(adapter, "device", place);
  info.iFunctionNumber = int32Field(adapter, "function", place);
  info.iVendorID = int32Field(adapter, "vendor_id", place, adl::AMD_VENDOR_ID);
  textField(adapter, "name", info.strAdapterName, place);
  textField(adapter, "display_name", info.strDisplayName, place);
  info.iPresent = int32Field(adapter, "present", place, 1);
  info.iExist = int32Field(adapter, "exist", place, 1);
  textField(adapter, "driver_path", info.strDriverPath, place);
  textField(adapter, "driver_path_ext", info.strDriverPathExt, place);
  textField(adapter, "pnp_string", info.strPNPString, place);
  info.iOSDisplayIndex = int32Field(adapter, "os_display_index", place);
}

int int32Field(const Json& object, std::string_view key, const std::string& place, int fallback) {
  return integerField<std::int32_t>(object, key, place, fallback);
}

// A text field of a vendor structure: a string or {"hex": "..."} (bytesValue) of at most the
// field's size. Left as it is (zero-filled) when the key is absent.
template <std::size_t Size>
void textField(const Json& object, std::string_view key, char (&field)[Size],
               const std::string& place) {
  const auto found = object.find(key);
  if (found == object.end()) return;
  const std::string keyPlace = member(place, key);
  copyToField(bytesValue(*found, keyPlace), field, keyPlace);
}

void readAsicFamily(const Json& group, AdapterScenario& adapter, const std::string& place) {
  requireObject(group, place, {"result", "types", "valids"});
  adapter.asicFamily = {resultField(group, place), int32Field(group, "types", place),
                        int32Field(group, "valids", place)};
}

int resultField(const Json& group, const std::string& place) {
  return int32Field(group, "result", place, adl::ADL_OK);
}

void readMemory(const Json& group, AdapterScenario& adapter, const std::string& place) {
  requireObject(group, place, {"result", "size", "type", "bandwidth"});
  adapter.memory.result = resultField(group, place);
  adapter.memory.memory.iMemorySize = integerField<long long>(group, "size", place);
  textField(group, "type", adapter.memory.memory.strMemoryType, place);
  adapter.memory.memory.iMemoryBandwidth = integerField<long long>(group, "bandwidth", place);
}

void readBios(const Json& group, AdapterScenario& adapter, const std::string& place) {
  requireObject(group, place, {"result", "part_number", "version", "date"});
  adapter.bios.result = resultField(group, place);
  textField(group, "part_number", adapter.bios.bios.strPartNumber, place);
  textField(group, "version", adapter.bios.bios.strVersion, place);
  textField(group, "date", adapter.bios.bios.strDate, place);
}

void readOverdriveCaps(const Json& group, AdapterScenario& adapter, const std::string& place) {
  requireObject(group, place, {"result", "supported", "enabled", "version"});
  adapter.overdriveCaps = {resultField(group, place), int32Field(group, "supported", place),
                           int32Field(group, "enabled", place),
                           int32Field(group, "version", place)};
}

void readPMLog(const Json& group, AdapterScenario& adapter, const std::string& place) {
  requireObject(group, place, {"result", "sensors"});
  adapter.pmLog.result = resultField(group, place);
  readNumberedItems(group, "sensors", adl::kPMLogSensorCount - 1, "a sensor number", place,
                    [&](std::size_t sensor, const Json& value, const std::string& valuePlace) {
                      adl::ADLSingleSensorData& data = adapter.pmLog.data.sensors[sensor];
                      data.supported = 1;
                      data.value = integerValue<std::int32_t>(value, valuePlace);
                    });
}

// An object whose keys are decimal numbers from 0 to maximum, each read by read(number, value,
// place); what names such a number in messages ("a sensor number").
template <typename Read>
void readNumberedItems(const Json& group, std::string_view key, std::size_t maximum,
                       const char* what, const std::string& place, Read read) {
  readMembers(group, key, place,
              [&](const std::string& name, const Json& value, const std::string& itemPlace) {
                const Json number = Json::parse(name, nullptr, false);
                if (!number.is_number_integer() ||
                    !std::in_range<std::size_t>(number.get<std::int64_t>()) ||
                    number.get<std::size_t>() > maximum) {
                  fail(itemPlace, std::string("expected ") + what + " from 0 to " +
                                      std::to_string(maximum) + " as the key");
                }
                read(number.get<std::size_t>(), value, itemPlace);
              });
}

void readSettings(const Json& group, AdapterScenario& adapter, const std::string& place) {
  requireObject(group, place,
                {"result", "capabilities", "feature_count", "hands_over_list", "entries"});
  SettingsReply& reply = adapter.overdrive8Settings;
  reply.result = resultField(group, place);
  reply.capabilities = int32Field(group, "capabilities", place);
  reply.featureCount = int32Field(group, "feature_count", place, adl::kOD8SettingCount);
  reply.handsOverList = int32Field(group, "hands_over_list", place, 1) != 0;
  // The list holds as many entries as the library reports, at least one, at most the bound.
  reply.list.resize(std::clamp(reply.featureCount, 1, kMaximumSettingListLength));
  readNumberedItems(group, "entries", reply.list.size() - 1, "an entry number", place,
                    [&](std::size_t position, const Json& value, const std::string& entryPlace) {
                      requireObject(value, entryPlace, {"feature_id", "min", "max", "default"});
                      reply.list[position] = {int32Field(value, "feature_id", entryPlace),
                                              int32Field(value, "min", entryPlace),
                                              int32Field(value, "max", entryPlace),
                                              int32Field(value, "default", entryPlace)};
                    });
}

// The groups of one result and one integer "value".
template <ValueReply AdapterScenario::*reply>
void readValue(const Json& group, AdapterScenario& adapter, const std::string& place) {
  requireObject(group, place, {"result", "value"});
  adapter.*reply = {resultField(group, place), int32Field(group, "value", place)};
}

void readActivity(const Json& group, AdapterScenario& adapter, const std::string& place) {
  requireObject(group, place,
                {"result", "engine_clock", "memory_clock", "vddc", "activity_percent",
                 "performance_level", "bus_speed", "bus_lanes", "maximum_bus_lanes"});
  adapter.activity.result = resultField(group, place);
  adl::ADLPMActivity& activity = adapter.activity.activity;
  activity.iEngineClock = int32Field(group, "engine_clock", place);
  activity.iMemoryClock = int32Field(group, "memory_clock", place);
  activity.iVddc = int32Field(group, "vddc", place);
  activity.iActivityPercent = int32Field(group, "activity_percent", place);
  activity.iCurrentPerformanceLevel = int32Field(group, "performance_level", place);
  activity.iCurrentBusSpeed = int32Field(group, "bus_speed", place);
  activity.iCurrentBusLanes = int32Field(group, "bus_lanes", place);
  activity.iMaximumBusLanes = int32Field(group, "maximum_bus_lanes", place);
}

// The result of a group that holds only a "result", or the fallback when it is absent.
int resultGroup(const Json& root, std::string_view key, int fallback) {
  const auto found = root.find(key);
  if (found == root.end()) return fallback;
  const std::string place = member(kScenarioRoot, key);
  requireObject(*found, place, {"result"});
  return resultField(*found, place);
}

void readVersions(const Json& versions, Scenario& scenario, const std::string& place) {
  requireObject(
      versions, place,
      {"result", "driver_ver", "catalyst_version", "crimson_version", "catalyst_web_link"});
  scenario.versionsResult = resultField(versions, place);
  textField(versions, "driver_ver", scenario.versions.strDriverVer, place);
  textField(versions, "catalyst_version", scenario.versions.strCatalystVersion, place);
  textField(versions, "crimson_version", scenario.versions.strCrimsonVersion, place);
  textField(versions, "catalyst_web_link", scenario.versions.strCatalystWebLink, place);
}

}  // namespace

}  // namespace simulated::display_library
