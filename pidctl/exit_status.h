#pragma once

#include <cstdint>

#include "console_platform.h"

namespace pidctl {

// The run's outcome as the host reads it: 0 for success, 1 for a command-line error that
// was reported with a message, otherwise the platform's 32-bit error code.
using ExitStatus = std::uint32_t;

constexpr ExitStatus kSuccess = 0;
constexpr ExitStatus kCommandLineError = 1;
// ERROR_GEN_FAILURE: a failed call that left no last-error code of its own.
constexpr ExitStatus kErrorGenFailure = 31;

// Makes one platform call whose failure ends the run with the last-error code. The code is
// cleared right before the call, so a code left by an earlier call is never taken for this
// one's; a failure that leaves it at 0 ends with `noCodeStatus`, so that no failure can
// read as success. `call` returns whether the call succeeded.
template <typename Call>
ExitStatus callForLastError(ConsolePlatform& platform, Call call,
                            ExitStatus noCodeStatus = kErrorGenFailure) {
  platform.setLastError(0);
  if (call()) return kSuccess;
  const ExitStatus code = platform.getLastError();
  return code != kSuccess ? code : noCodeStatus;
}

}  // namespace pidctl
