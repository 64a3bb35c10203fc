#pragma once

#include "console_platform.h"
#include "exit_status.h"

namespace pidctl {

// "ctrlc": sends Ctrl+C to every process of the console; this process ignores it itself.
ExitStatus sendCtrlC(ConsolePlatform& platform);
// "noselect": switches off quick-edit in the console's input, keeping every other flag.
ExitStatus switchOffQuickEdit(ConsolePlatform& platform);

}  // namespace pidctl
