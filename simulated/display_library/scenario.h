// A scripted machine for the simulated display library: what each entry point returns and
// the records it fills in, read from a JSON scenario file.
#pragma once

#include <array>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interfaces/adl_abi.h"
#include "simulated/scenario_reading.h"

namespace simulated::display_library {

// The library's entry points, in the order of the list; scripted delays and crashes are kept
// by them.
enum class EntryPoint {
#define ADL_ENTRY_POINT(name, parameters) name,
#include "interfaces/adl_entry_points.inc"
};

// The entry points' names, in the order of EntryPoint.
inline constexpr std::string_view kEntryPointNames[] = {
#define ADL_ENTRY_POINT(name, parameters) #name,
#include "interfaces/adl_entry_points.inc"
};
constexpr std::size_t kEntryPointCount = std::size(kEntryPointNames);

// Result of an entry point whose scenario group is absent.
inline constexpr int kResultWhenAbsent = adl::ADL_ERR_NOT_SUPPORTED;

// Upper bounds that keep the library's memory use small whatever a scenario says.
inline constexpr std::size_t kMaximumAdapters = 4096;
inline constexpr int kMaximumSettingListLength = 256;

struct AsicReply {
  int result = kResultWhenAbsent;
  int types = 0;
  int valids = 0;
};

struct MemoryReply {
  int result = kResultWhenAbsent;
  adl::ADLMemoryInfo memory{};
};

struct BiosReply {
  int result = kResultWhenAbsent;
  adl::ADLBiosInfo bios{};
};

struct OverdriveCapsReply {
  int result = kResultWhenAbsent;
  int supported = 0;
  int enabled = 0;
  int version = 0;
};

struct PMLogReply {
  int result = kResultWhenAbsent;
  adl::ADLPMLogDataOutput data{};
};

// The Overdrive 8 setting list is handed over (allocated through the program's callback)
// whenever the group is present and handsOverList is set, whatever the result.
struct SettingsReply {
  int result = kResultWhenAbsent;
  int capabilities = 0;
  int featureCount = 0;
  bool handsOverList = false;
  std::vector<adl::ADLOD8SingleInitSetting> list;
};

struct ValueReply {
  int result = kResultWhenAbsent;
  int value = 0;
};

struct ActivityReply {
  int result = kResultWhenAbsent;
  adl::ADLPMActivity activity{};
};

struct AdapterScenario {
  adl::AdapterInfo info{};
  AsicReply asicFamily;
  MemoryReply memory;
  BiosReply bios;
  OverdriveCapsReply overdriveCaps;
  PMLogReply pmLog;
  SettingsReply overdrive8Settings;
  ValueReply temperature;  // millidegrees Celsius
  ValueReply fanPercent;
  ValueReply fanRpm;
  ActivityReply activity;
  ValueReply power;  // watts with 8 fractional bits
  ValueReply pageSize;
};

struct Scenario {
  // The delay that each entry point waits out before it answers, by EntryPoint.
  std::array<std::optional<Delay>, kEntryPointCount> delays{};
  // The crash that each entry point meets after its delay, by EntryPoint.
  std::array<std::optional<Crash>, kEntryPointCount> crashes{};
  int createResult = adl::ADL_OK;
  int versionsResult = kResultWhenAbsent;
  adl::ADLVersionsInfoX2 versions{};
  int adapterCountResult = adl::ADL_OK;
  int adapterCount = 0;
  int adapterInfoResult = adl::ADL_OK;
  std::vector<AdapterScenario> adapters;
};

// The scenario of a text and of a file, which must hold a JSON document; raises ScenarioError
// (scenario_reading.h) with the place of the first fault when it does not follow the format.
Scenario readScenario(const std::string& text);
Scenario readScenarioFile(const std::string& path);

}  // namespace simulated::display_library
