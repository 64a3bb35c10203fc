// The simulated display library: the context-based entry points of
// interfaces/adl_entry_points.inc, answering from the scenario file named by ADL_SIM_SCENARIO
// (read when the context is created), recording every call in the trace, waiting out the
// delay that the scenario scripts for it and crashing where the scenario scripts a crash. A
// scenario that cannot be read, or a program that loaded the library without preparing its
// process (simulated/os.h), ends the process at once (simulated::endBrokenSetUp), so a broken
// test set-up never passes for a result.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "os.h"
#include "scenario.h"
#include "simulated/os.h"
#include "trace.h"

#if defined(_WIN32)
#define ADL_EXPORT
#else
#define ADL_EXPORT __attribute__((visibility("default")))
#endif

// The library's exports, declared from the list: a definition below whose parameters differ
// from the list does not compile. On Windows the module-definition file exports them.
extern "C" {
#define ADL_ENTRY_POINT(name, parameters) ADL_EXPORT int name parameters;
#include "interfaces/adl_entry_points.inc"
}

namespace simulated::display_library {
namespace {

constexpr char kLibraryName[] = "simulated ADL";

std::optional<Scenario> scenario;
adl::MallocCallback programAlloc = nullptr;
int contextToken = 0;
// Between a successful ADL2_Main_Control_Create and ADL2_Main_Control_Destroy; every other
// call fails with ADL_ERR_NOT_INIT outside that span.
bool contextLive = false;
// The number of calls of each entry point so far, by EntryPoint.
std::array<std::uint32_t, kEntryPointCount> calls{};

void followScript(EntryPoint entryPoint);
void enter(EntryPoint entryPoint, const std::string& traceText);
template <typename Fill>
int answerForAdapter(EntryPoint entryPoint, const std::string& traceText, int adapterIndex,
                     bool outputsGiven, Fill fill);
AdapterScenario* findAdapter(int adapterIndex);
std::string adapterArgument(int adapterIndex);
template <typename Record>
const char* zeroedFlag(const Record* record, std::size_t count = 1);
void handOverSettingList(const SettingsReply& reply, int adapterIndex,
                         adl::ADLOD8SingleInitSetting** list);

}  // namespace
}  // namespace simulated::display_library

using namespace simulated::display_library;

extern "C" {

int ADL2_Main_Control_Create(adl::MallocCallback callback, int enumConnectedAdapters,
                             adl::Context* context) {
  traceLine(std::string("ADL2_Main_Control_Create(callback=") + (callback ? "set" : "null") +
            ", enum_connected=" + std::to_string(enumConnectedAdapters) + ")");
  if (const char* problem = simulated::errorDialogsLeftOn()) {
    simulated::endBrokenSetUp(kLibraryName, problem);
  }
  if (!scenario) {
    scenario =
        simulated::readConfiguredScenario(kLibraryName, "ADL_SIM_SCENARIO", readScenarioFile);
  }
  followScript(EntryPoint::ADL2_Main_Control_Create);
  installFreeWatch();
  if (!callback) return adl::ADL_ERR_INVALID_CALLBACK;
  if (!context) return adl::ADL_ERR_NULL_POINTER;
  programAlloc = callback;
  if (adl::succeeded(scenario->createResult)) {
    *context = &contextToken;
    contextLive = true;
  }
  return scenario->createResult;
}

int ADL2_Main_Control_Destroy(adl::Context context) {
  enter(EntryPoint::ADL2_Main_Control_Destroy,
        std::string("ADL2_Main_Control_Destroy(") +
            (context == &contextToken ? "context" : "unknown context") + ")");
  contextLive = false;
  return adl::ADL_OK;
}

int ADL2_Graphics_VersionsX2_Get(adl::Context, adl::ADLVersionsInfoX2* versions) {
  enter(EntryPoint::ADL2_Graphics_VersionsX2_Get,
        std::string("ADL2_Graphics_VersionsX2_Get(") + zeroedFlag(versions) + ")");
  if (!contextLive) return adl::ADL_ERR_NOT_INIT;
  if (!versions) return adl::ADL_ERR_NULL_POINTER;
  *versions = scenario->versions;
  return scenario->versionsResult;
}

int ADL2_Adapter_NumberOfAdapters_Get(adl::Context, int* count) {
  enter(EntryPoint::ADL2_Adapter_NumberOfAdapters_Get,
        "ADL2_Adapter_NumberOfAdapters_Get(preset=" +
            (count ? std::to_string(*count) : std::string("null")) + ")");
  if (!contextLive) return adl::ADL_ERR_NOT_INIT;
  if (!count) return adl::ADL_ERR_NULL_POINTER;
  *count = scenario->adapterCount;
  return scenario->adapterCountResult;
}

int ADL2_Adapter_AdapterInfo_Get(adl::Context, adl::AdapterInfo* adapters, int inputSizeInBytes) {
  const std::size_t capacity =
      inputSizeInBytes > 0 ? static_cast<std::size_t>(inputSizeInBytes) / sizeof(adl::AdapterInfo)
                           : 0;
  // Only the records the library may fill are checked, so a huge buffer costs no time.
  const std::size_t checked = std::min(capacity, kMaximumAdapters);
  enter(EntryPoint::ADL2_Adapter_AdapterInfo_Get,
        "ADL2_Adapter_AdapterInfo_Get(bytes=" + std::to_string(inputSizeInBytes) + ", " +
            (adapters ? zeroedFlag(adapters, checked) : "null") + ")");
  if (!contextLive) return adl::ADL_ERR_NOT_INIT;
  if (!adapters) return adl::ADL_ERR_NULL_POINTER;
  const std::size_t filled = std::min(capacity, scenario->adapters.size());
  for (std::size_t i = 0; i < filled; ++i) adapters[i] = scenario->adapters[i].info;
  return scenario->adapterInfoResult;
}

int ADL2_Adapter_MemoryInfo_Get(adl::Context, int adapterIndex, adl::ADLMemoryInfo* memory) {
  return answerForAdapter(EntryPoint::ADL2_Adapter_MemoryInfo_Get,
                          "ADL2_Adapter_MemoryInfo_Get(" + adapterArgument(adapterIndex) + ", " +
                              (memory ? zeroedFlag(memory) : "null") + ")",
                          adapterIndex, memory != nullptr, [&](const AdapterScenario& adapter) {
                            *memory = adapter.memory.memory;
                            return adapter.memory.result;
                          });
}

int ADL2_Adapter_VideoBiosInfo_Get(adl::Context, int adapterIndex, adl::ADLBiosInfo* bios) {
  return answerForAdapter(EntryPoint::ADL2_Adapter_VideoBiosInfo_Get,
                          "ADL2_Adapter_VideoBiosInfo_Get(" + adapterArgument(adapterIndex) + ", " +
                              (bios ? zeroedFlag(bios) : "null") + ")",
                          adapterIndex, bios != nullptr, [&](const AdapterScenario& adapter) {
                            *bios = adapter.bios.bios;
                            return adapter.bios.result;
                          });
}

int ADL2_Overdrive_Caps(adl::Context, int adapterIndex, int* supported, int* enabled,
                        int* version) {
  const bool given = supported && enabled && version;
  return answerForAdapter(EntryPoint::ADL2_Overdrive_Caps,
                          "ADL2_Overdrive_Caps(" + adapterArgument(adapterIndex) + ", presets=" +
                              (given ? std::to_string(*supported) + "/" + std::to_string(*enabled) +
                                           "/" + std::to_string(*version)
                                     : std::string("null")) +
                              ")",
                          adapterIndex, given, [&](const AdapterScenario& adapter) {
                            *supported = adapter.overdriveCaps.supported;
                            *enabled = adapter.overdriveCaps.enabled;
                            *version = adapter.overdriveCaps.version;
                            return adapter.overdriveCaps.result;
                          });
}

int ADL2_Overdrive5_Temperature_Get(adl::Context, int adapterIndex, int thermalControllerIndex,
                                    adl::ADLTemperature* temperature) {
  return answerForAdapter(
      EntryPoint::ADL2_Overdrive5_Temperature_Get,
      "ADL2_Overdrive5_Temperature_Get(" + adapterArgument(adapterIndex) +
          ", controller=" + std::to_string(thermalControllerIndex) + ", size=" +
          (temperature ? std::to_string(temperature->iSize) : std::string("null")) + ")",
      adapterIndex, temperature != nullptr, [&](const AdapterScenario& adapter) {
        temperature->iTemperature = adapter.temperature.value;
        return adapter.temperature.result;
      });
}

int ADL2_Overdrive5_FanSpeed_Get(adl::Context, int adapterIndex, int thermalControllerIndex,
                                 adl::ADLFanSpeedValue* fanSpeed) {
  return answerForAdapter(EntryPoint::ADL2_Overdrive5_FanSpeed_Get,
                          "ADL2_Overdrive5_FanSpeed_Get(" + adapterArgument(adapterIndex) +
                              ", controller=" + std::to_string(thermalControllerIndex) +
                              (fanSpeed ? ", type=" + std::to_string(fanSpeed->iSpeedType) +
                                              ", size=" + std::to_string(fanSpeed->iSize) +
                                              ", flags=" + std::to_string(fanSpeed->iFlags)
                                        : std::string(", null")) +
                              ")",
                          adapterIndex, fanSpeed != nullptr, [&](const AdapterScenario& adapter) {
                            const ValueReply& reply =
                                fanSpeed->iSpeedType == adl::ADL_DL_FANCTRL_SPEED_TYPE_RPM
                                    ? adapter.fanRpm
                                    : adapter.fanPercent;
                            fanSpeed->iFanSpeed = reply.value;
                            return reply.result;
                          });
}

int ADL2_Overdrive5_FanSpeedInfo_Get(adl::Context, int adapterIndex, int, void*) {
  enter(EntryPoint::ADL2_Overdrive5_FanSpeedInfo_Get,
        "ADL2_Overdrive5_FanSpeedInfo_Get(" + adapterArgument(adapterIndex) + ")");
  return adl::ADL_ERR_NOT_SUPPORTED;
}

int ADL2_Overdrive5_CurrentActivity_Get(adl::Context, int adapterIndex,
                                        adl::ADLPMActivity* activity) {
  return answerForAdapter(EntryPoint::ADL2_Overdrive5_CurrentActivity_Get,
                          "ADL2_Overdrive5_CurrentActivity_Get(" + adapterArgument(adapterIndex) +
                              ", " + (activity ? zeroedFlag(activity) : "null") + ")",
                          adapterIndex, activity != nullptr, [&](const AdapterScenario& adapter) {
                            *activity = adapter.activity.activity;
                            return adapter.activity.result;
                          });
}

int ADL2_Overdrive6_CurrentPower_Get(adl::Context, int adapterIndex, int powerType, int* value) {
  return answerForAdapter(EntryPoint::ADL2_Overdrive6_CurrentPower_Get,
                          "ADL2_Overdrive6_CurrentPower_Get(" + adapterArgument(adapterIndex) +
                              ", type=" + std::to_string(powerType) + ")",
                          adapterIndex, value != nullptr, [&](const AdapterScenario& adapter) {
                            *value = adapter.power.value;
                            return adapter.power.result;
                          });
}

int ADL2_New_QueryPMLogData_Get(adl::Context, int adapterIndex, adl::ADLPMLogDataOutput* data) {
  return answerForAdapter(EntryPoint::ADL2_New_QueryPMLogData_Get,
                          "ADL2_New_QueryPMLogData_Get(" + adapterArgument(adapterIndex) + ", " +
                              (data ? zeroedFlag(data) : "null") + ")",
                          adapterIndex, data != nullptr, [&](const AdapterScenario& adapter) {
                            *data = adapter.pmLog.data;
                            return adapter.pmLog.result;
                          });
}

int ADL2_Overdrive8_Init_SettingX2_Get(adl::Context, int adapterIndex, int* capabilities,
                                       int* numberOfFeatures, adl::ADLOD8SingleInitSetting** list) {
  const bool given = capabilities && numberOfFeatures && list;
  return answerForAdapter(
      EntryPoint::ADL2_Overdrive8_Init_SettingX2_Get,
      "ADL2_Overdrive8_Init_SettingX2_Get(" + adapterArgument(adapterIndex) +
          (given ? ", feature_count_preset=" + std::to_string(*numberOfFeatures) +
                       ", list_preset=" + (*list ? "set" : "null")
                 : std::string(", null")) +
          ")",
      adapterIndex, given, [&](const AdapterScenario& adapter) {
        const SettingsReply& reply = adapter.overdrive8Settings;
        if (reply.list.empty()) return reply.result;  // no such group in the scenario
        *capabilities = reply.capabilities;
        *numberOfFeatures = reply.featureCount;
        if (reply.handsOverList) handOverSettingList(reply, adapterIndex, list);
        return reply.result;
      });
}

int ADL2_Overdrive8_Init_Setting_Get(adl::Context, int adapterIndex, void*) {
  enter(EntryPoint::ADL2_Overdrive8_Init_Setting_Get,
        "ADL2_Overdrive8_Init_Setting_Get(" + adapterArgument(adapterIndex) + ")");
  return adl::ADL_ERR_NOT_SUPPORTED;
}

int ADL2_GPUVMPageSize_Info_Set(adl::Context, int adapterIndex, int pageSizeType) {
  return answerForAdapter(EntryPoint::ADL2_GPUVMPageSize_Info_Set,
                          "ADL2_GPUVMPageSize_Info_Set(" + adapterArgument(adapterIndex) +
                              ", page_size=" + std::to_string(pageSizeType) + ")",
                          adapterIndex, true,
                          [](const AdapterScenario& adapter) { return adapter.pageSize.result; });
}

int ADL2_Adapter_ASICFamilyType_Get(adl::Context, int adapterIndex, int* asicTypes, int* valids) {
  const bool given = asicTypes && valids;
  return answerForAdapter(EntryPoint::ADL2_Adapter_ASICFamilyType_Get,
                          "ADL2_Adapter_ASICFamilyType_Get(" + adapterArgument(adapterIndex) +
                              ", presets=" +
                              (given ? std::to_string(*asicTypes) + "/" + std::to_string(*valids)
                                     : std::string("null")) +
                              ")",
                          adapterIndex, given, [&](const AdapterScenario& adapter) {
                            *asicTypes = adapter.asicFamily.types;
                            *valids = adapter.asicFamily.valids;
                            return adapter.asicFamily.result;
                          });
}

}  // extern "C"

namespace simulated::display_library {
namespace {

// Counts a call of the entry point, waits out the delay that the scenario scripts for it, then
// crashes if the scenario scripts a crash of this call. Before the scenario is read (a call
// before the context is created) nothing is scripted.
void followScript(EntryPoint entryPoint) {
  if (!scenario) return;
  const auto index = static_cast<std::size_t>(entryPoint);
  const std::uint32_t number = ++calls[index];
  waitOut(scenario->delays[index], number);
  crashOn(scenario->crashes[index], number);
}

// What every entry point does first: record the call in the trace, then follow the script.
void enter(EntryPoint entryPoint, const std::string& traceText) {
  traceLine(traceText);
  followScript(entryPoint);
}

// Common shape of a per-adapter query: enter, look the adapter up, check the output pointer,
// and let fill copy the scenario's reply.
template <typename Fill>
int answerForAdapter(EntryPoint entryPoint, const std::string& traceText, int adapterIndex,
                     bool outputsGiven, Fill fill) {
  enter(entryPoint, traceText);
  if (!contextLive) return adl::ADL_ERR_NOT_INIT;
  if (!outputsGiven) return adl::ADL_ERR_NULL_POINTER;
  AdapterScenario* adapter = findAdapter(adapterIndex);
  if (!adapter) return adl::ADL_ERR_INVALID_ADL_IDX;
  return fill(*adapter);
}

// The scenario's adapter with this index, or null (the call then fails with
// ADL_ERR_INVALID_ADL_IDX).
AdapterScenario* findAdapter(int adapterIndex) {
  for (AdapterScenario& adapter : scenario->adapters) {
    if (adapter.info.iAdapterIndex == adapterIndex) return &adapter;
  }
  return nullptr;
}

std::string adapterArgument(int adapterIndex) {
  return "adapter=" + std::to_string(adapterIndex);
}

template <typename Record>
const char* zeroedFlag(const Record* record, std::size_t count) {
  return bytesZeroed(record, count * sizeof(Record)) ? "zeroed=yes" : "zeroed=no";
}

void handOverSettingList(const SettingsReply& reply, int adapterIndex,
                         adl::ADLOD8SingleInitSetting** list) {
  const int bytes = static_cast<int>(reply.list.size() * sizeof(adl::ADLOD8SingleInitSetting));
  void* block = programAlloc(bytes);
  if (!block) return;
  std::memcpy(block, reply.list.data(), static_cast<std::size_t>(bytes));
  *list = static_cast<adl::ADLOD8SingleInitSetting*>(block);
  const std::string description =
      "Overdrive 8 setting list of adapter " + std::to_string(adapterIndex);
  watchHandedOverBlock(block, description.c_str());
  traceLine("  handed over a setting list of " + std::to_string(reply.list.size()) +
            " entries, feature count " + std::to_string(reply.featureCount));
}
}  // namespace
}  // namespace simulated::display_library
