// The simulated driver behaves like a real one towards Sysman: run through Debian's loader
// without ZES_ENABLE_SYSMAN, its core calls work and its zes calls report that Sysman was not
// initialised. This is what makes the golden runs prove that zeprobe enables Sysman itself.
#include <gtest/gtest.h>
#include <level_zero/ze_api.h>
#include <level_zero/zes_api.h>

#include <cstdlib>

namespace simulated::level_zero {
namespace {

TEST(SysmanGate, GivenSysmanNotEnabledAtInit_WhenCallingSysman_ThenTheDriverAnswersUninitialized) {
  ASSERT_EQ(std::getenv("ZES_ENABLE_SYSMAN"), nullptr);
  ASSERT_EQ(zeInit(0), ZE_RESULT_SUCCESS);
  uint32_t count = 1;
  ze_driver_handle_t driver = nullptr;
  ASSERT_EQ(zeDriverGet(&count, &driver), ZE_RESULT_SUCCESS);
  ze_device_handle_t device = nullptr;
  ASSERT_EQ(zeDeviceGet(driver, &count, &device), ZE_RESULT_SUCCESS);
  ze_device_properties_t properties{};
  properties.stype = ZE_STRUCTURE_TYPE_DEVICE_PROPERTIES;
  EXPECT_EQ(zeDeviceGetProperties(device, &properties), ZE_RESULT_SUCCESS);
  uint32_t fans = 0;
  EXPECT_EQ(zesDeviceEnumFans(device, &fans, nullptr), ZE_RESULT_ERROR_UNINITIALIZED);
  uint32_t modules = 0;
  EXPECT_EQ(zesDeviceEnumMemoryModules(device, &modules, nullptr), ZE_RESULT_ERROR_UNINITIALIZED);
}

}  // namespace
}  // namespace simulated::level_zero
