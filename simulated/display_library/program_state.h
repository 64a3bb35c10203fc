// What the simulated display library observes about the program that loaded it, for the
// checks a golden run cannot make from the program's output alone.
#pragma once

#include <optional>

namespace simulated::display_library {

// The size in bytes of the program's standard output when that is a regular file (empty for
// a pipe or a terminal): how much of its output the program has flushed so far.
std::optional<long long> standardOutputFileSize();

}  // namespace simulated::display_library
