#include <dlfcn.h>

#include <cerrno>
#include <cstring>

#include "os.h"

namespace common {
namespace {

// The codes Windows reports for a missing library and a missing export, so that a program's
// messages read the same on both systems.
constexpr std::uint32_t kModuleNotFound = 126;
constexpr std::uint32_t kProcedureNotFound = 127;

}  // namespace

void suppressErrorDialogs() {}

LibraryResult loadVendorLibrary(const LibraryFile& file) {
  void* library = dlopen(file.linuxName, RTLD_NOW | RTLD_LOCAL);
  if (library != nullptr) return {library, 0, {}};
  return {nullptr, kModuleNotFound, dlerror()};
}

LibraryResult findLibraryExport(void* library, const char* name) {
  dlerror();
  void* address = dlsym(library, name);
  if (address != nullptr) return {address, 0, {}};
  const char* error = dlerror();
  return {nullptr, kProcedureNotFound,
          std::string("dlsym(\"") + name + "\") failed: " + (error ? error : "no address")};
}

void clearWriteFailure() {
  errno = 0;
}

std::string lastWriteFailure() {
  return std::strerror(errno);
}

}  // namespace common
