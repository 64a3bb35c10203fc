#include <dlfcn.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform.h"

namespace zeprobe {

void suppressErrorDialogs() {}

bool enableSysman() {
  return setenv("ZES_ENABLE_SYSMAN", "1", 1) == 0;
}

void sleepMilliseconds(unsigned milliseconds) {
  timespec remaining{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR) {
  }
}

// Failures carry the dynamic linker's own text, which names the file and the problem.
LibraryLookup openLevelZeroLoader() {
  void* loader = dlopen("libze_loader.so.1", RTLD_NOW | RTLD_LOCAL);
  if (loader != nullptr) return {loader, {}};
  return {nullptr, dlerror()};
}

LibraryLookup findLoaderFunction(void* loader, const char* name) {
  dlerror();
  void* address = dlsym(loader, name);
  if (address != nullptr) return {address, {}};
  const char* error = dlerror();
  return {nullptr,
          std::string("dlsym(\"") + name + "\") failed: " + (error ? error : "no address")};
}

}  // namespace zeprobe
