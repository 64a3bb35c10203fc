#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "os.h"

namespace common {

std::string lastWriteFailure() {
  const int error = errno;
  const unsigned long systemError = _doserrno;
  if (systemError != 0) return "Windows error " + std::to_string(systemError);
  return std::strerror(error);
}

}  // namespace common
