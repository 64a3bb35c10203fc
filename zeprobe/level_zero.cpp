#include "level_zero.h"

#include "errors.h"
#include "platform.h"

namespace zeprobe {

LevelZeroApi levelZero;

namespace {

template <typename Function>
void bindFunction(void* loader, const char* name, Function& slot) {
  const LibraryLookup function = findLoaderFunction(loader, name);
  if (function.address == nullptr) throw FatalError{"Level Zero API missing: " + function.failure};
  slot = reinterpret_cast<Function>(function.address);
}

}  // namespace

void loadLevelZero() {
  const LibraryLookup loader = openLevelZeroLoader();
  if (loader.address == nullptr) throw FatalError{"Failed to load Level Zero: " + loader.failure};
#define LEVEL_ZERO_CALL(name, ...) bindFunction(loader.address, #name, levelZero.name);
#include "level_zero_calls.inc"
#undef LEVEL_ZERO_CALL
}

}  // namespace zeprobe
