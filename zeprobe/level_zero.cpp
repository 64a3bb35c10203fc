#include "level_zero.h"

#include "errors.h"
#include "os.h"

namespace zeprobe {

LevelZeroApi levelZero;

namespace {

template <typename Function>
void bindFunction(void* loader, const char* name, Function& slot) {
  const common::LibraryResult function = common::findLibraryExport(loader, name);
  if (function.address == nullptr) throw FatalError{"Level Zero API missing: " + function.text};
  slot = reinterpret_cast<Function>(function.address);
}

}  // namespace

void loadLevelZero() {
  // Intel's driver installs ze_loader.dll in System32; Debian's libze1 installs the loader.
  const common::LibraryResult loader =
      common::loadVendorLibrary({.windowsName = "ze_loader.dll", .linuxName = "libze_loader.so.1"});
  if (loader.address == nullptr) throw FatalError{"Failed to load Level Zero: " + loader.text};
#define LEVEL_ZERO_CALL(name, ...) bindFunction(loader.address, #name, levelZero.name);
#include "level_zero_calls.inc"
#undef LEVEL_ZERO_CALL
}

}  // namespace zeprobe
