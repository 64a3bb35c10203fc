#pragma once

#include <ostream>
#include <span>
#include <string>

#include "console_platform.h"
#include "exit_status.h"

namespace pidctl {

// One run of pidctl: checks the command line (argument 0 is the program's name), switches
// from this process's console to the target's and carries out the command there. Messages
// go to `errors`, one line each; the result is the process's exit status.
ExitStatus runPidctl(std::span<const std::u16string> args, ConsolePlatform& platform,
                     std::ostream& errors);

}  // namespace pidctl
