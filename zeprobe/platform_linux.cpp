#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform.h"

namespace zeprobe {

bool enableSysman() {
  return setenv("ZES_ENABLE_SYSMAN", "1", 1) == 0;
}

void sleepMilliseconds(unsigned milliseconds) {
  timespec remaining{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR) {
  }
}

}  // namespace zeprobe
