// What the programs ask of the operating system alike; one implementation file per OS.
#pragma once

#include <cstdint>
#include <string>

namespace common {

// Called first by every program: a failure inside a vendor library (a missing disk, a crash)
// ends the process with its error or exception code instead of a system dialog that waits
// for a person and holds the host. Linux has no such dialogs: a crash ends the process with
// its signal.
void suppressErrorDialogs();

// A vendor library's file name on each system.
struct LibraryFile {
  const char* windowsName;  // e.g. "ze_loader.dll"
  const char* linuxName;    // e.g. "libze_loader.so.1"
};

// The address of a loaded library or of one of its exports, or null and why not: the system
// error code (Windows: the thread's last error; Linux: 126 or 127, the codes Windows gives for
// a missing library or export) and the system's own words (Windows: the failed call and its
// code, e.g. LoadLibraryExW("ze_loader.dll") failed: 126; Linux: the dynamic linker's text).
// Each program words its message from one of the two.
struct LibraryResult {
  void* address;
  std::uint32_t code;
  std::string text;
};

// Loads a vendor library. On Windows only from the program's own folder or System32, where
// the vendors' drivers install their libraries: never from the working directory or PATH, so
// that a library planted there never runs with the host's rights. On Linux through the
// dynamic linker's usual search.
LibraryResult loadVendorLibrary(const LibraryFile& file);

// Looks up an export of a loaded library.
LibraryResult findLibraryExport(void* library, const char* name);

// Clears the C runtime's codes of a failed call (errno, and on Windows _doserrno), so that
// lastWriteFailure after the next write reads what that write left, never a code of an
// earlier call: a failed call of the program's own, or of a vendor library that shares the C
// runtime.
void clearWriteFailure();

// Why the C runtime's last write failed, read right after it failed: the system's text on
// Linux; on Windows the system error code when a system call failed (the C runtime maps
// some codes, such as 233 for a pipe whose reader has gone, to no fitting text), else the
// C runtime's text.
std::string lastWriteFailure();

}  // namespace common
