// The operating-system services the probe needs, one implementation file per OS.
#pragma once

#include <string>

namespace zeprobe {

// Keeps the system from holding the host with a dialog: a crash ends the process with its
// exception code, a missing drive or DLL is reported to the caller. Nothing to do on Linux.
void suppressErrorDialogs();

// Sets ZES_ENABLE_SYSMAN to "1" in this process's environment; false when that fails.
bool enableSysman();

void sleepMilliseconds(unsigned milliseconds);

// An address, or null and the failed call with its error, e.g.
// LoadLibraryExW("ze_loader.dll") failed: 126.
struct LibraryLookup {
  void* address;
  std::string failure;
};

// Loads the Level Zero loader: ze_loader.dll from the program's own folder or System32 only,
// libze_loader.so.1 through the dynamic linker's search.
LibraryLookup openLevelZeroLoader();

// Looks up a function that the loaded loader exports.
LibraryLookup findLoaderFunction(void* loader, const char* name);

}  // namespace zeprobe
