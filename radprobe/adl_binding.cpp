#include "adl_binding.h"

#include <cstdlib>
#include <string>

#include "common/vendor_binding.h"
#include "errors.h"

namespace radprobe {

AdlEntryPoints adl{};

namespace {

std::string libraryNotLoaded(const common::LibraryResult& library);
std::string entryPointMissing(const char* name, const common::LibraryResult& lookup);

struct ResultName {
  int code;
  const char* name;
};

// The library's result codes and their names as radprobe writes them.
constexpr ResultName kResultNames[] = {
    {4, "ADL_OK_WAIT"},
    {3, "ADL_OK_RESTART"},
    {2, "ADL_OK_MODE_CHANGE"},
    {1, "ADL_OK_WARNING"},
    {0, "ADL_OK"},
    {-1, "ADL_ERR"},
    {-2, "ADL_ERR_NOT_INIT"},
    {-3, "ADL_ERR_INVALID_PARAM"},
    {-4, "ADL_ERR_INVALID_PARAM_SIZE"},
    {-5, "ADL_ERR_INVALID_ADL_IDX"},
    {-6, "ADL_ERR_INVALID_CONTROLLER_IDX"},
    {-7, "ADL_ERR_INVALID_DIPLAY_IDX"},
    {-8, "ADL_ERR_NOT_SUPPORTED"},
    {-9, "ADL_ERR_NULL_POINTER"},
    {-10, "ADL_ERR_DISABLED_ADAPTER"},
    {-11, "ADL_ERR_INVALID_CALLBACK"},
    {-12, "ADL_ERR_RESOURCE_CONFLICT"},
    {-20, "ADL_ERR_SET_INCOMPLETE"},
    {-21, "ADL_ERR_NO_XDISPLAY"},
};

}  // namespace

void loadAdlApi() {
  const common::VendorBinding<FatalError> library(
      {.windowsName = "atiadlxx.dll", .linuxName = "libatiadlxx.so"},
      {.libraryNotLoaded = libraryNotLoaded, .exportMissing = entryPointMissing});
  // In the list's order: each entry point is bound to its slot of the table, but one that
  // radprobe only requires is looked up and then dropped.
#define ADL_ENTRY_POINT(name, parameters) library.bind(#name, adl.name);
#define ADL_ENTRY_POINT_RESOLVED_ONLY(name, parameters) library.require(#name);
#include "interfaces/adl_entry_points.inc"
}

void* adlAlloc(int size) {
  return std::malloc(static_cast<std::size_t>(size));
}

const char* adlResultName(int result) {
  for (const ResultName& known : kResultNames) {
    if (known.code == result) return known.name;
  }
  return "ADL_UNKNOWN_ERROR";
}

void checkAdl(int result, const char* function, int line) {
  if (adl::succeeded(result)) return;
  throw FatalError({.result = result, .function = function, .line = line}, adlResultName(result));
}

namespace {

// Hosts may match this text, which names LoadLibraryW whatever call loads the library; the
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
}  // namespace radprobe
