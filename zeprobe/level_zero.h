// The Level Zero functions that zeprobe calls, bound by name from the loader at run time: a
// machine without Level Zero then gets a message and status 1, not a program that Windows
// refuses to start.
#pragma once

#include <level_zero/ze_api.h>
#include <level_zero/zes_api.h>

namespace zeprobe {

// One pointer per function of level_zero_entry_points.inc, typed by the vendor's declaration.
struct LevelZeroEntryPoints {
#define LEVEL_ZERO_ENTRY_POINT(name, ...) decltype(&::name) name = nullptr;
#include "interfaces/level_zero_entry_points.inc"
};

// Filled by loadLevelZero before the first Level Zero call.
extern LevelZeroEntryPoints levelZero;

// Loads the loader and binds every function of the list. Raises FatalError with
// "Failed to load Level Zero: ..." or "Level Zero API missing: ..." when that fails.
void loadLevelZero();

}  // namespace zeprobe
