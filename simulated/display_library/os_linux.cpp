#include <sys/stat.h>
#include <unistd.h>

#include "os.h"
#include "trace.h"

extern "C" void __libc_free(void* block);

// Replaces the C library's free for the whole process when the library is preloaded.
extern "C" __attribute__((visibility("default"))) void free(void* block) {
  simulated::display_library::noteFree(block);
  __libc_free(block);
}

namespace simulated::display_library {

std::optional<long long> standardOutputFileSize() {
  struct stat status {};
  if (fstat(STDOUT_FILENO, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  return status.st_size;
}

void installFreeWatch() {}

}  // namespace simulated::display_library
