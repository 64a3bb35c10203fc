// The call trace of the simulated display library: one line per call received, written to
// the file named by ADL_SIM_TRACE (nothing is written when it is unset).
#pragma once

#include <string>

namespace simulated::display_library {

// Writes one line; when the program's standard output is a regular file the line ends in
// " stdout=<size in bytes>", what the program had written out when the line was traced.
void traceLine(const std::string& line);

// Notes a block handed over to the program, which must release it with free; the release
// appears in the trace as "free(<description>)" where the operating system lets the library
// see it (installFreeWatch, os.h).
void watchHandedOverBlock(void* block, const char* description);

// Writes the trace line for a watched block that is being freed; a no-op for other blocks.
void noteFree(void* block);

}  // namespace simulated::display_library
