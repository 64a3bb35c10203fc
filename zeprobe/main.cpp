// zeprobe: reports every Level Zero device as one JSON array on standard output.
//
// A fatal failure writes one line on standard error and ends with status 1, leaving standard
// output empty; the report is written only once every device has been described.
#include <level_zero/ze_api.h>

#include <cstdint>
#include <cstring>
#include <exception>
#include <iostream>
#include <nlohmann/json.hpp>

#include "device.hpp"
#include "errors.hpp"
#include "handles.hpp"
#include "level_zero.hpp"
#include "platform.hpp"

namespace {

DriverKeys readDriverKeys(ze_driver_handle_t driver) {
  ze_driver_properties_t properties{};
  properties.stype = ZE_STRUCTURE_TYPE_DRIVER_PROPERTIES;
  checkCall<FatalError>(levelZero.zeDriverGetProperties(driver, &properties),
                        "zeDriverGetProperties");
  ze_api_version_t apiVersion{};
  checkCall<FatalError>(levelZero.zeDriverGetApiVersion(driver, &apiVersion),
                        "zeDriverGetApiVersion");
  // Taken as its 32 bits: a driver may report a major version beyond the enumeration's range.
  std::uint32_t versionBits = 0;
  std::memcpy(&versionBits, &apiVersion, sizeof versionBits);
  return {properties.driverVersion, versionBits};
}

void reportFatal(const char* message) {
  std::cerr << message << std::endl;
}

}  // namespace

int main() {
  suppressErrorDialogs();
  try {
    // Set before the loader is loaded, so that no vendor code runs without it.
    if (!enableSysman()) throw FatalError{"Failed to set environment variable ZES_ENABLE_SYSMAN"};
    loadLevelZero();
    checkCall<FatalError>(levelZero.zeInit(0), "zeInit");
    const auto drivers = enumerateHandles<FatalError, ze_driver_handle_t>(
        "zeDriverGet", [](std::uint32_t* count, ze_driver_handle_t* handles) {
          return levelZero.zeDriverGet(count, handles);
        });
    ordered_json report = ordered_json::array();
    for (ze_driver_handle_t driver : drivers) {
      const DriverKeys driverKeys = readDriverKeys(driver);
      const auto devices = enumerateHandles<FatalError, ze_device_handle_t>(
          "zeDeviceGet", [driver](std::uint32_t* count, ze_device_handle_t* handles) {
            return levelZero.zeDeviceGet(driver, count, handles);
          });
      for (ze_device_handle_t device : devices) {
        report.push_back(buildDeviceObject(driverKeys, device));
      }
    }
    const std::string text =
        report.dump(4, ' ', false, nlohmann::ordered_json::error_handler_t::strict);
    std::cout << text << '\n' << std::flush;
    return 0;
  } catch (const FatalError& error) {
    reportFatal(error.message.c_str());
  } catch (const std::exception& error) {
    // An error of the JSON library (a name that is not valid UTF-8, or no memory left).
    reportFatal(error.what());
  }
  return 1;
}
