// What the simulated display library asks of the operating system, one implementation file
// per OS: what it observes about the program that loaded it, for the checks a golden run
// cannot make from the program's output alone.
#pragma once

#include <optional>

namespace simulated::display_library {

// The size in bytes of the program's standard output when that is a regular file (empty for
// a pipe or a terminal): how much of its output the program has flushed so far.
std::optional<long long> standardOutputFileSize();

// Starts watching the program's free, so that the release of a handed-over block shows in
// the trace (noteFree, trace.h). Linux: when the library is preloaded (LD_PRELOAD), its free
// replaces the C library's for the whole process; loaded only through dlopen it changes
// nothing for the program. Windows: the program's import address table entry for the C
// runtime's free is pointed at a watching free.
void installFreeWatch();

}  // namespace simulated::display_library
