// What both simulated libraries ask of the operating system, one implementation file per OS.
#pragma once

#include <optional>
#include <string>

namespace simulated {

// The variable's value, or nothing when it is not set. On Windows a value comes from the
// process's own UTF-16 block (GetEnvironmentVariableW) and is handed on as UTF-8: the C
// runtime's narrow copy would turn every character outside the ANSI code page into '?' and
// does not see variables that the program set with SetEnvironmentVariableW. On Linux a value
// is the bytes as the environment holds them.
std::optional<std::string> environmentValue(const char* name);

// A crash inside a real vendor library must end the program with its exception code, not
// hold the host in a "has stopped working" box, so the program switches the system error
// dialogs off before it loads the library. Null when the program had switched them off
// (SEM_FAILCRITICALERRORS and SEM_NOGPFAULTERRORBOX) by the time it loaded this library;
// otherwise what it left undone. Always null on Linux, which has no such dialogs.
const char* errorDialogsLeftOn();

}  // namespace simulated
