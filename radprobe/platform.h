// The thin seam between radprobe and the operating system: process set-up and the library
// loader.
#pragma once

#include <cstdint>

namespace radprobe {

// An address, or null together with the loader's error code for the failed step.
struct LoaderResult {
  void* address;
  std::uint32_t error;
};

// Called first: a failure inside the display library (a missing disk, a crash) ends the
// process with its error or exception code instead of a system dialog that waits for a user.
void suppressErrorDialogs();

// Loads the display library by its file name from the program's own folder or the system
// folder (on Linux: the library search path).
LoaderResult loadDisplayLibrary();

// Looks up an exported name of a loaded library.
LoaderResult findLibraryExport(void* module, const char* name);

}  // namespace radprobe
