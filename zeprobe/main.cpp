// zeprobe: reports every Level Zero device as one JSON array on standard output.
//
// A fatal failure writes one line on standard error and ends with status 1, leaving standard
// output empty; the report is written in one piece once every device has been described, and
// a report that could not be written is a fatal failure too.
#include <level_zero/ze_api.h>

#include <cstdint>
#include <exception>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "common/os.h"
#include "common/report_output.h"
#include "device.h"
#include "errors.h"
#include "handles.h"
#include "level_zero.h"
#include "os.h"

namespace zeprobe {
namespace {

ordered_json probeAllDevices();

}  // namespace
}  // namespace zeprobe

int main() {
  common::suppressErrorDialogs();
  try {
    const std::string text = zeprobe::probeAllDevices().dump(
        4, ' ', false, nlohmann::ordered_json::error_handler_t::strict);
    std::cout << text << common::endLine;
    return 0;
  } catch (const std::exception& error) {
    // A FatalError, an error of the JSON library (such as a name that is not valid UTF-8), no
    // memory left, or a report that could not be written.
    std::cerr << error.what() << std::endl;
  }
  return 1;
}

namespace zeprobe {
namespace {

// Loads and initialises Level Zero, then describes every device of every driver.
ordered_json probeAllDevices() {
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
  return report;
}

}  // namespace
}  // namespace zeprobe
