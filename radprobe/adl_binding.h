// Run-time binding of the display library: its entry-point table, the allocation callback
// handed to it, and the vocabulary for its result codes.
#pragma once

#include "interfaces/adl_abi.h"

namespace radprobe {

// The entry points radprobe keeps (adl_entry_points.inc), filled once by loadAdlApi before any
// call.
struct AdlEntryPoints {
#define ADL_ENTRY_POINT(name, parameters) adl::name##_t name;
#define ADL_ENTRY_POINT_RESOLVED_ONLY(name, parameters)
#include "interfaces/adl_entry_points.inc"
};

extern AdlEntryPoints adl;

// Loads the display library and resolves every entry point of adl_entry_points.inc in its
// order; raises FatalError on the first failure.
void loadAdlApi();

// Allocation callback for the library: memory it hands over is released with free.
void* adlAlloc(int size);

// The result's name, "ADL_UNKNOWN_ERROR" for a code the library does not name.
const char* adlResultName(int result);

// Raises FatalError for a failed result (adl::succeeded), with the result's name and the
// calling function and line. Does nothing for a successful result.
void checkAdl(int result, const char* function, int line);

}  // namespace radprobe
