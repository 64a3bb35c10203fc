// The thin seam between radprobe and the operating system's library loader.
#pragma once

#include <cstdint>

// An address, or null together with the loader's error code for the failed step.
struct LoaderResult {
  void* address;
  std::uint32_t error;
};

// Loads the display library by its bare file name through the system's search order.
LoaderResult loadDisplayLibrary();

// Looks up an exported name of a loaded library.
LoaderResult findLibraryExport(void* module, const char* name);
