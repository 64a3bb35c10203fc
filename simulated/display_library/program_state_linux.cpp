#include <sys/stat.h>
#include <unistd.h>

#include "program_state.h"

namespace simulated::display_library {

std::optional<long long> standardOutputFileSize() {
  struct stat status {};
  if (fstat(STDOUT_FILENO, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return status.st_size;
}

}  // namespace simulated::display_library
