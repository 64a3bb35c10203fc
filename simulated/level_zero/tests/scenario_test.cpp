// Scenario files: every malformed one is refused with the place of the fault, and the forms
// that exist for odd values (raw name bytes, non-finite numbers, scripted counts and faults on
// the N-th call) arrive in the simulated machine as written; a scripted delay holds its call,
// and a scripted crash ends the process at its call and no other.
#include "simulated/level_zero/scenario.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "simulated/tests/scenario_problem.h"

namespace simulated::level_zero {
namespace {

std::string oneDevice(const std::string& deviceFields) {
  return R"({"drivers": [{"devices": [{)" + deviceFields + "}]}]}";
}

// ",{}" repeated: that many further empty objects of a list.
std::string manyEmptyObjects(int count) {
  std::string objects;
  for (int index = 0; index < count; ++index) objects += ",{}";
  return objects;
}

class MalformedScenario : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(MalformedScenario, GivenAMalformedScenario_WhenReading_ThenTheErrorNamesThePlaceAndProblem) {
  const std::string problem = problemOf(readScenario, GetParam().text);
  EXPECT_NE(problem.find(GetParam().problem), std::string::npos) << problem;
}

INSTANTIATE_TEST_SUITE_P(
    EveryKindOfFault, MalformedScenario,
    ::testing::Values(
        RefusedCase{"NotJSON", "{", "scenario: [json.exception.parse_error.101]"},
        RefusedCase{"NotAnObject", "[]", "scenario: expected an object"},
        RefusedCase{"MisspeltKey", oneDevice(R"("vendorId": 1)"),
                    "scenario.drivers[0].devices[0].vendorId: unknown key"},
        RefusedCase{
            "NegativeUnsigned", oneDevice(R"("device_id": -1)"),
            "scenario.drivers[0].devices[0].device_id: expected an integer from 0 to 4294967295"},
        RefusedCase{
            "TooWideSigned", oneDevice(R"("memory_modules": [{"bus_width": 2147483648}])"),
            "scenario.drivers[0].devices[0].memory_modules[0].bus_width: expected an integer from "
            "-2147483648"},
        RefusedCase{"FractionForInteger", oneDevice(R"("flags": 1.5)"),
                    "devices[0].flags: expected an integer"},
        RefusedCase{"EnumerationOutOfRange", oneDevice(R"("type": 2147483648)"),
                    "devices[0].type: expected an integer from 0 to 2147483647"},
        RefusedCase{"FaultAtTheWrongLevel", R"({"drivers": [{"fail": {"zeInit": 1}}]})",
                    "scenario.drivers[0].fail.zeInit: not a function that this object answers"},
        RefusedCase{"UnknownFunction", R"({"fail": {"zeInitt": 1}})",
                    "scenario.fail.zeInitt: not a function"},
        RefusedCase{"CountsForACallThatEnumeratesNothing",
                    oneDevice(R"("counts": {"zeDeviceGetProperties": {"filled": 1}})"),
                    "devices[0].counts.zeDeviceGetProperties: not a function"},
        RefusedCase{"ResultBeyond32Bits", R"({"fail": {"zeInit": 4294967296}})",
                    "scenario.fail.zeInit: expected a 32-bit result code"},
        RefusedCase{
            "FaultThatSucceeds", R"({"fail": {"zeDriverGet": 0}})",
            "scenario.fail.zeDriverGet: a scripted failure cannot be ZE_RESULT_SUCCESS (0)"},
        RefusedCase{"FaultWithoutResult", R"({"fail": {"zeInit": {"call": 2}}})",
                    "scenario.fail.zeInit.result: missing"},
        RefusedCase{"DelayAtTheWrongLevel", R"({"delay": {"zesFanGetState": 10}})",
                    "scenario.delay.zesFanGetState: not a function that this object answers"},
        RefusedCase{"DelayWithoutMilliseconds", R"({"delay": {"zeInit": {"call": 2}}})",
                    "scenario.delay.zeInit.milliseconds: missing"},
        RefusedCase{"NegativeDelay", R"({"delay": {"zeInit": -1}})",
                    "scenario.delay.zeInit: expected an integer from 0 to 4294967295"},
        RefusedCase{"CrashNeitherTrueNorACall", R"({"crash": {"zeInit": 1}})",
                    "scenario.crash.zeInit: expected true or {\"call\": <call number>}"},
        RefusedCase{"CrashAtTheWrongLevel",
                    oneDevice(R"("crash": {"zesFanGetState": {"call": 1}})"),
                    "devices[0].crash.zesFanGetState: not a function that this object answers"},
        RefusedCase{"NameLongerThanItsField",
                    oneDevice(R"("name": ")" + std::string(257, 'x') + R"(")"),
                    "devices[0].name: longer than 256 bytes"},
        RefusedCase{"NameNeitherTextNorHex", oneDevice(R"("name": {"hex": "61", "text": "a"})"),
                    "devices[0].name: expected a string or {\"hex\""},
        RefusedCase{"OddHexDigits", oneDevice(R"("name": {"hex": "616"})"),
                    "devices[0].name.hex: expected an even number"},
        RefusedCase{"NotHex", oneDevice(R"("name": {"hex": "zz"})"),
                    "devices[0].name.hex: expected hexadecimal digits"},
        RefusedCase{"ShortUuid", oneDevice(R"("uuid": "000102030405060708090a0b0c0d0e")"),
                    "devices[0].uuid: expected 16 bytes"},
        RefusedCase{"ApiVersionWithoutMinor", R"({"drivers": [{"api_version": "1"}]})",
                    "scenario.drivers[0].api_version: expected \"major.minor\""},
        RefusedCase{"ApiVersionTooLarge", R"({"drivers": [{"api_version": "65536.0"}]})",
                    "scenario.drivers[0].api_version: expected"},
        RefusedCase{"ApiVersionWithASign", R"({"drivers": [{"api_version": "1.-2"}]})",
                    "scenario.drivers[0].api_version: expected"},
        RefusedCase{"PowerDomainWithoutSamples",
                    oneDevice(R"("card_power_domain": {"energy_samples": []})"),
                    "devices[0].card_power_domain.energy_samples: needs at least one sample"},
        RefusedCase{"TemperatureAsText",
                    oneDevice(R"("temperature_sensors": [{"temperature": "hot"}])"),
                    "temperature_sensors[0].temperature: expected a number, \"nan\""},
        RefusedCase{"TooManyDevices",
                    R"({"drivers": [{"devices": [{})" + manyEmptyObjects(1024) + "]}]}",
                    "scenario.drivers[0].devices: more than 1024 entries"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadScenario, GivenRawNameBytes_WhenReading_ThenTheNameFieldHoldsExactlyThoseBytes) {
  const std::string hex = "ff00" + std::string(2 * 254, 'a');
  const Scenario scenario = readScenario(oneDevice(R"("name": {"hex": ")" + hex + R"("})"));
  const char* name = scenario.drivers[0].devices[0].properties.name;
  EXPECT_EQ(static_cast<unsigned char>(name[0]), 0xff);
  EXPECT_EQ(name[1], '\0');
  EXPECT_EQ(static_cast<unsigned char>(name[255]), 0xaa);
}

TEST(ReadScenario, GivenNonFiniteReadings_WhenReading_ThenTheyArriveAsNanAndInfinity) {
  const Scenario scenario = readScenario(oneDevice(
      R"("temperature_sensors": [{"temperature": "nan"}, {"temperature": "-inf"}],
         "frequency_domains": [{"actual": "inf"}])"));
  const Device& device = scenario.drivers[0].devices[0];
  EXPECT_TRUE(std::isnan(device.temperatureSensors[0].temperature));
  EXPECT_EQ(device.temperatureSensors[1].temperature, -INFINITY);
  EXPECT_EQ(device.frequencyDomains[0].state.actual, INFINITY);
}

TEST(Behaviour, GivenAFaultOnTheSecondCall_WhenCalledThreeTimes_ThenOnlyTheSecondCallFails) {
  Scenario scenario = readScenario(R"({"fail": {"zeDriverGet": {"result": -5, "call": 2}}})");
  Behaviour& behaviour = scenario.behaviour;
  EXPECT_FALSE(behaviour.scriptedResult(EntryPoint::zeDriverGet));
  EXPECT_EQ(behaviour.scriptedResult(EntryPoint::zeDriverGet), 0xfffffffbu);
  EXPECT_FALSE(behaviour.scriptedResult(EntryPoint::zeDriverGet));
  EXPECT_FALSE(behaviour.scriptedResult(EntryPoint::zeInit));
}

TEST(Behaviour, GivenADelayOnTheSecondCall_WhenCalledThreeTimes_ThenOnlyTheSecondCallWaits) {
  using Clock = std::chrono::steady_clock;
  Scenario scenario = readScenario(R"({"delay": {"zeDriverGet": {"milliseconds": 300, "call": 2}},
                                       "fail": {"zeDriverGet": {"result": 1, "call": 2}}})");
  std::vector<Clock::duration> durations;
  std::vector<bool> failed;
  for (int call = 0; call < 3; ++call) {
    const auto start = Clock::now();
    failed.push_back(scenario.behaviour.scriptedResult(EntryPoint::zeDriverGet).has_value());
    durations.push_back(Clock::now() - start);
  }
  EXPECT_LT(durations[0], std::chrono::milliseconds(300));
  EXPECT_GE(durations[1], std::chrono::milliseconds(300));
  EXPECT_LT(durations[2], std::chrono::milliseconds(300));
  EXPECT_EQ(failed, (std::vector<bool>{false, true, false}));  // delayed, then failed
}

// A scripted crash of zeDriverGet and the call that must meet it: the calls before it return.
struct CrashCase {
  const char* name;
  const char* crash;
  int crashingCall;
};

class ScriptedCrashDeathTest : public ::testing::TestWithParam<CrashCase> {};

TEST_P(ScriptedCrashDeathTest,
       GivenAScriptedCrash_WhenCalling_ThenTheCallsBeforeItReturnAndItsCallEndsTheProcess) {
  Scenario scenario =
      readScenario(std::string(R"({"crash": {"zeDriverGet": )") + GetParam().crash + "}}");
  for (int call = 1; call < GetParam().crashingCall; ++call) {
    EXPECT_FALSE(scenario.behaviour.scriptedResult(EntryPoint::zeDriverGet));
  }
  EXPECT_DEATH(scenario.behaviour.scriptedResult(EntryPoint::zeDriverGet), "");
}

INSTANTIATE_TEST_SUITE_P(EveryCrashForm, ScriptedCrashDeathTest,
                         ::testing::Values(CrashCase{"EveryCall", "true", 1},
                                           CrashCase{"SecondCall", R"({"call": 2})", 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Behaviour, GivenScriptedCounts_WhenResolving_ThenReportedIsFreeAndFilledNeverExceedsTheList) {
  const Scenario scenario = readScenario(oneDevice(
      R"("fans": [{}, {}], "counts": {"zesDeviceEnumFans": {"reported": 4294967295, "filled": 9},
                                      "zesDeviceEnumMemoryModules": {"filled": 0}})"));
  const Behaviour& behaviour = scenario.drivers[0].devices[0].behaviour;
  const ResolvedCounts fans = behaviour.countsFor(EntryPoint::zesDeviceEnumFans, 2);
  EXPECT_EQ(fans.reported, 4294967295u);
  EXPECT_EQ(fans.filled, 2u);
  const ResolvedCounts modules = behaviour.countsFor(EntryPoint::zesDeviceEnumMemoryModules, 3);
  EXPECT_EQ(modules.reported, 3u);
  EXPECT_EQ(modules.filled, 0u);
}

}  // namespace
}  // namespace simulated::level_zero
