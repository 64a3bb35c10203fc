#include <cerrno>
#include <cstring>

#include "os.h"

namespace common {

std::string lastWriteFailure() {
  return std::strerror(errno);
}

}  // namespace common
