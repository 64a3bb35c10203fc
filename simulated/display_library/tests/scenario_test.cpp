#include "simulated/display_library/scenario.h"

#include <gtest/gtest.h>

#include <string>

#include "simulated/tests/scenario_problem.h"

namespace simulated::display_library {
namespace {

std::string adapterWith(const std::string& members) {
  return R"({"adapters": [{"index": 0, )" + members + "}]}";
}

class BrokenScenario : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(BrokenScenario, GivenABrokenScenario_WhenReading_ThenItIsRefusedWithItsPlace) {
  const std::string problem = problemOf(readScenario, GetParam().text);
  EXPECT_NE(problem.find(GetParam().problem), std::string::npos) << problem;
}

INSTANTIATE_TEST_SUITE_P(
    EveryKindOfFault, BrokenScenario,
    ::testing::Values(
        RefusedCase{"NotJson", "not json", "scenario: [json.exception.parse_error"},
        RefusedCase{"NotAnObject", "[]", "scenario: expected an object"},
        RefusedCase{"MisspeltKey", R"({"adapter": []})", "scenario.adapter: unknown key"},
        RefusedCase{"IntegerBeyond32Bits", adapterWith(R"("bus": 2147483648)"),
                    "scenario.adapters[0].bus: expected an integer from -2147483648 to 2147483647"},
        RefusedCase{"FractionForInteger", adapterWith(R"("bus": 1.5)"),
                    "scenario.adapters[0].bus: expected an integer"},
        RefusedCase{"SizeBeyond64BitSigned",
                    adapterWith(R"("memory": {"size": 9223372036854775808})"),
                    "scenario.adapters[0].memory.size: expected an integer"},
        RefusedCase{"OddHexDigits", adapterWith(R"("name": {"hex": "4"})"),
                    "scenario.adapters[0].name.hex: expected an even number of hexadecimal digits"},
        RefusedCase{"NotHex", adapterWith(R"("name": {"hex": "zz"})"),
                    "name.hex: expected hexadecimal digits"},
        RefusedCase{"NameNeitherTextNorHex", adapterWith(R"("name": {"text": "x"})"),
                    "adapters[0].name: expected a string or {\"hex\""},
        RefusedCase{"NameLongerThanItsField",
                    adapterWith(R"("name": ")" + std::string(257, 'x') + "\""),
                    "scenario.adapters[0].name: longer than 256 bytes"},
        RefusedCase{"SensorNumberTooLarge", adapterWith(R"("pmlog": {"sensors": {"256": 1}})"),
                    "pmlog.sensors.256: expected a sensor number from 0 to 255 as the key"},
        RefusedCase{"SensorNumberNotANumber", adapterWith(R"("pmlog": {"sensors": {"x": 1}})"),
                    "pmlog.sensors.x: expected a sensor number"},
        RefusedCase{"EntryNumberBeyondFeatureCount",
                    adapterWith(R"("od8_settings": {"feature_count": 5, "entries": {"5": {}}})"),
                    "od8_settings.entries.5: expected an entry number from 0 to 4"},
        RefusedCase{"MisspeltEntryKey",
                    adapterWith(R"("od8_settings": {"entries": {"11": {"maximum": 1}}})"),
                    "scenario.adapters[0].od8_settings.entries.11.maximum: unknown key"},
        RefusedCase{"MisspeltGroupKey", adapterWith(R"("power": {"watts": 1})"),
                    "scenario.adapters[0].power.watts: unknown key"},
        RefusedCase{"DelayForAnUnknownEntryPoint", R"({"delay": {"ADL2_Main_Control_Refresh": 1}})",
                    "scenario.delay.ADL2_Main_Control_Refresh: not an entry point of the library"},
        RefusedCase{"DelayWithAMisspeltKey",
                    R"({"delay": {"ADL2_Overdrive_Caps": {"milliseconds": 1, "calls": 2}}})",
                    "scenario.delay.ADL2_Overdrive_Caps.calls: unknown key"},
        RefusedCase{"CrashForAnUnknownEntryPoint",
                    R"({"crash": {"ADL2_Main_Control_Refresh": true}})",
                    "scenario.crash.ADL2_Main_Control_Refresh: not an entry point of the library"},
        RefusedCase{
            "CrashNeitherTrueNorACall", R"({"crash": {"ADL2_Overdrive_Caps": false}})",
            "scenario.crash.ADL2_Overdrive_Caps: expected true or {\"call\": <call number>}"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadScenario, GivenTooManyAdapters_WhenReading_ThenRefused) {
  std::string adapters = R"({"adapters": [{})";
  for (std::size_t i = 0; i < kMaximumAdapters; ++i) adapters += ",{}";
  EXPECT_THROW(readScenario(adapters + "]}"), ScenarioError);
}

TEST(ReadScenario, Given256ByteText_WhenReading_ThenFieldIsFullWithoutNul) {
  const Scenario scenario =
      readScenario(adapterWith(R"("name": ")" + std::string(256, 'n') + R"(")"));
  EXPECT_EQ(std::string(scenario.adapters[0].info.strAdapterName, 256), std::string(256, 'n'));
}

TEST(ReadScenario, GivenHexText_WhenReading_ThenRawBytesIncludingNulAreStored) {
  const Scenario scenario = readScenario(adapterWith(R"("udid": {"hex": "41Ff00c3"})"));
  EXPECT_EQ(std::string(scenario.adapters[0].info.strUDID, 5), std::string("A\xff\0\xc3\0", 5));
}

TEST(ReadScenario, GivenHugeFeatureCount_WhenReading_ThenSettingListStaysBounded) {
  const Scenario scenario =
      readScenario(adapterWith(R"("od8_settings": {"feature_count": 2147483647})"));
  EXPECT_EQ(scenario.adapters[0].overdrive8Settings.featureCount, 2147483647);
  EXPECT_EQ(scenario.adapters[0].overdrive8Settings.list.size(),
            std::size_t{kMaximumSettingListLength});
}

TEST(ReadScenario, GivenAbsentGroups_WhenReading_ThenTheirQueriesFailAndCountFollowsRecords) {
  const Scenario scenario = readScenario(adapterWith(R"("memory": {"size": 1})"));
  const AdapterScenario& adapter = scenario.adapters[0];
  EXPECT_EQ(adapter.memory.result, adl::ADL_OK);
  EXPECT_EQ(adapter.bios.result, kResultWhenAbsent);
  EXPECT_EQ(adapter.overdrive8Settings.result, kResultWhenAbsent);
  EXPECT_TRUE(adapter.overdrive8Settings.list.empty());
  EXPECT_EQ(scenario.versionsResult, kResultWhenAbsent);
  EXPECT_EQ(scenario.adapterCount, 1);
  EXPECT_EQ(adapter.info.iVendorID, adl::AMD_VENDOR_ID);
}

}  // namespace
}  // namespace simulated::display_library
