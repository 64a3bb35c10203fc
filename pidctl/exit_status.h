#pragma once

#include <cstdint>

#include "console_platform.h"

namespace pidctl {

// The run's outcome as the host reads it: 0 for success, 1 for a command-line error that
// was reported with a message, otherwise the platform's 32-bit error code.
using ExitStatus = std::uint32_t;

constexpr ExitStatus kSuccess = 0;
constexpr ExitStatus kCommandLineError = 1;

// The last-error code, read right after the call whose failure ends the run.
inline ExitStatus lastError(ConsolePlatform& platform) {
  return platform.getLastError();
}

}  // namespace pidctl
