#include "adl_binding.h"

#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>

#include "vendor_binding.h"

namespace radprobe {

AdlEntryPoints adlApi{};

namespace {

// The text has always named LoadLibraryW and hosts may match it, so it stays unchanged; the
// Linux test build reports the code Windows gives for a missing library, 126.
std::string libraryNotLoaded(const common::LibraryResult& library) {
  return "Failed to load ADL: LoadLibraryW(\"atiadlxx.dll\") failed: " +
         std::to_string(library.code);
}

std::string entryPointMissing(const char* name, const common::LibraryResult& lookup) {
  return std::string("ADL API missing: GetProcAddress(\"") + name +
         "\" failed: " + std::to_string(lookup.code);
}

}  // namespace

void loadAdlApi() {
  const common::VendorBinding<std::runtime_error> library(
      {.windowsName = "atiadlxx.dll", .linuxName = "libatiadlxx.so"},
      {.libraryNotLoaded = libraryNotLoaded, .exportMissing = entryPointMissing});
  // In the list's order: each entry point is bound to its slot of the table, but one that
  // radprobe only requires is looked up and then dropped.
#define ADL_ENTRY_POINT(name, parameters) library.bind(#name, adlApi.name);
#define ADL_ENTRY_POINT_RESOLVED_ONLY(name, parameters) library.require(#name);
#include "adl_entry_points.inc"
}

void* adlAlloc(int size) {
  return std::malloc(static_cast<std::size_t>(size));
}

const char* adlResultName(int result) {
  switch (result) {
    case 4:
      return "ADL_OK_WAIT";
    case 3:
      return "ADL_OK_RESTART";
    case 2:
      return "ADL_OK_MODE_CHANGE";
    case 1:
      return "ADL_OK_WARNING";
    case 0:
      return "ADL_OK";
    case -1:
      return "ADL_ERR";
    case -2:
      return "ADL_ERR_NOT_INIT";
    case -3:
      return "ADL_ERR_INVALID_PARAM";
    case -4:
      return "ADL_ERR_INVALID_PARAM_SIZE";
    case -5:
      return "ADL_ERR_INVALID_ADL_IDX";
    case -6:
      return "ADL_ERR_INVALID_CONTROLLER_IDX";
    case -7:
      return "ADL_ERR_INVALID_DIPLAY_IDX";
    case -8:
      return "ADL_ERR_NOT_SUPPORTED";
    case -9:
      return "ADL_ERR_NULL_POINTER";
    case -10:
      return "ADL_ERR_DISABLED_ADAPTER";
    case -11:
      return "ADL_ERR_INVALID_CALLBACK";
    case -12:
      return "ADL_ERR_RESOURCE_CONFLICT";
    case -20:
      return "ADL_ERR_SET_INCOMPLETE";
    case -21:
      return "ADL_ERR_NO_XDISPLAY";
    default:
      return "ADL_UNKNOWN_ERROR";
  }
}

void checkAdl(int result, const char* function, int line) {
  if (adlSucceeded(result)) return;
  const char* name = adlResultName(result);
  std::cerr << "ADL error " << result << " in func '" << function << "' at line " << line << " : "
            << name << "." << std::endl;
  throw std::runtime_error(name);
}

}  // namespace radprobe
