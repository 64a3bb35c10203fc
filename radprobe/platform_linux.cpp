// Linux process set-up and library loading for the native test build: the display library is
// libatiadlxx.so from the library search path. Failures carry the codes Windows reports for
// the same situations, ERROR_MOD_NOT_FOUND and ERROR_PROC_NOT_FOUND, so both builds print the
// same messages.
#include <dlfcn.h>

#include "platform.h"

namespace radprobe {
namespace {

constexpr std::uint32_t kModuleNotFound = 126;
constexpr std::uint32_t kProcedureNotFound = 127;

}  // namespace

// Linux has no system error dialogs: a crash ends the process with its signal.
void suppressErrorDialogs() {}

LoaderResult loadDisplayLibrary() {
  void* module = dlopen("libatiadlxx.so", RTLD_NOW | RTLD_LOCAL);
  return {module, module ? 0u : kModuleNotFound};
}

LoaderResult findLibraryExport(void* module, const char* name) {
  void* address = dlsym(module, name);
  return {address, address ? 0u : kProcedureNotFound};
}

}  // namespace radprobe
