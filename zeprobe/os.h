// The operating-system service the probe needs, one implementation file per OS.
#pragma once

namespace zeprobe {

// Sets ZES_ENABLE_SYSMAN to "1" in this process's environment; false when that fails.
bool enableSysman();

}  // namespace zeprobe
