// The simulated driver refuses calls that break the interface's rules and says why on standard
// error, so that a golden run of a program that breaks one fails: one row per rule, each
// called on the engine directly. A message names the function and the rule (the time between
// two energy readings varies, so that row gives the message's end).
#include <gtest/gtest.h>
#include <level_zero/ze_api.h>
#include <level_zero/zes_api.h>

#include <functional>
#include <string>

namespace simulated::level_zero {
namespace {

struct Rule {
  const char* name;
  std::function<ze_result_t()> call;
  const char* message;
};

template <typename Handle>
Handle firstHandle(const std::function<ze_result_t(uint32_t*, Handle*)>& enumerate) {
  uint32_t count = 1;
  Handle handle = nullptr;
  EXPECT_EQ(enumerate(&count, &handle), ZE_RESULT_SUCCESS);
  return handle;
}

TEST(CallingRules, GivenACallThatBreaksARule_WhenAnswering_ThenTheDriverRefusesItAndSaysWhy) {
  ASSERT_EQ(zeInit(0), ZE_RESULT_SUCCESS);
  const auto driver = firstHandle<ze_driver_handle_t>(zeDriverGet);
  const auto device =
      firstHandle<ze_device_handle_t>([driver](uint32_t* count, ze_device_handle_t* devices) {
        return zeDeviceGet(driver, count, devices);
      });
  zes_pwr_handle_t power = nullptr;
  ASSERT_EQ(zesDeviceGetCardPowerDomain(device, &power), ZE_RESULT_SUCCESS);

  const Rule rules[] = {
      {"zeInit flags", [] { return zeInit(ZE_INIT_FLAG_GPU_ONLY); },
       "zeInit: flags are 1, expected 0"},
      {"another structure's stype",
       [device] {
         ze_device_properties_t properties{};
         properties.stype = ZE_STRUCTURE_TYPE_DRIVER_PROPERTIES;
         return zeDeviceGetProperties(device, &properties);
       },
       "zeDeviceGetProperties: stype is 1, expected 3"},
      {"an extension chain",
       [device] {
         ze_pci_ext_properties_t properties{};
         properties.stype = ZE_STRUCTURE_TYPE_PCI_EXT_PROPERTIES;
         properties.pNext = &properties;
         return zeDevicePciGetPropertiesExt(device, &properties);
       },
       "zeDevicePciGetPropertiesExt: pNext is not null"},
      {"a structure not zeroed",
       [driver] {
         ze_driver_properties_t properties{};
         properties.stype = ZE_STRUCTURE_TYPE_DRIVER_PROPERTIES;
         properties.driverVersion = 1;
         return zeDriverGetProperties(driver, &properties);
       },
       "zeDriverGetProperties: output structure not zeroed"},
      {"energy read twice at once",
       [power] {
         zes_power_energy_counter_t first{};
         zes_power_energy_counter_t second{};
         EXPECT_EQ(zesPowerGetEnergyCounter(power, &first), ZE_RESULT_SUCCESS);
         return zesPowerGetEnergyCounter(power, &second);
       },
       "ms after the previous reading, less than 100 ms"},
  };
  for (const Rule& rule : rules) {
    SCOPED_TRACE(rule.name);
    testing::internal::CaptureStderr();
    EXPECT_EQ(rule.call(), ZE_RESULT_ERROR_INVALID_ARGUMENT);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.rfind("simulated Level Zero driver: ", 0), 0u) << said;
    EXPECT_NE(said.find(std::string(rule.message) + "\n"), std::string::npos) << said;
  }
}

}  // namespace
}  // namespace simulated::level_zero
