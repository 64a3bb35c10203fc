#include "level_zero.h"

#include <string>

#include "common/vendor_binding.h"
#include "errors.h"

namespace zeprobe {

LevelZeroEntryPoints levelZero;

namespace {

std::string loaderNotLoaded(const common::LibraryResult& loader);
std::string functionMissing(const char*, const common::LibraryResult& lookup);

}  // namespace

void loadLevelZero() {
  // Intel's driver installs ze_loader.dll in System32; Debian's libze1 installs the loader.
  const common::VendorBinding<FatalError> loader(
      {.windowsName = "ze_loader.dll", .linuxName = "libze_loader.so.1"},
      {.libraryNotLoaded = loaderNotLoaded, .exportMissing = functionMissing});
#define LEVEL_ZERO_ENTRY_POINT(name, ...) loader.bind(#name, levelZero.name);
#include "interfaces/level_zero_entry_points.inc"
}

namespace {

std::string loaderNotLoaded(const common::LibraryResult& loader) {
  return "Failed to load Level Zero: " + loader.text;
}

std::string functionMissing(const char*, const common::LibraryResult& lookup) {
  return "Level Zero API missing: " + lookup.text;
}

}  // namespace
}  // namespace zeprobe
