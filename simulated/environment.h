// The process environment as both simulated libraries read it. On Windows a value comes from
// the process's own UTF-16 block (GetEnvironmentVariableW) and is handed on as UTF-8: the C
// runtime's narrow copy would turn every character outside the ANSI code page into '?' and
// does not see variables that the program set with SetEnvironmentVariableW. On Linux a value
// is the bytes as the environment holds them.
#pragma once

#include <optional>
#include <string>

namespace simulated {

// The variable's value (UTF-8 on Windows), or nothing when it is not set.
std::optional<std::string> environmentValue(const char* name);

}  // namespace simulated
