// Linux: when the library is preloaded (LD_PRELOAD), this free replaces the C library's for
// the whole process, so the program's release of a handed-over block shows in the trace.
// Loaded only through dlopen it changes nothing for the program.
#include "trace.h"

extern "C" void __libc_free(void* block);

extern "C" __attribute__((visibility("default"))) void free(void* block) {
  simulated::display_library::noteFree(block);
  __libc_free(block);
}

namespace simulated::display_library {

void installFreeWatch() {}

}  // namespace simulated::display_library
