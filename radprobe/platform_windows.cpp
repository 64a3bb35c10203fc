// Windows process set-up and library loading: the display library is atiadlxx.dll, searched
// for only in the program's own folder and in System32, and errors are the thread's last
// system error codes.
#include <windows.h>

#include "platform.h"

namespace radprobe {

void suppressErrorDialogs() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
}

LoaderResult loadDisplayLibrary() {
  // Neither the current directory nor PATH: a library planted in the host's working
  // directory must never run. The driver installs the real one in System32.
  HMODULE module = LoadLibraryExW(
      L"atiadlxx.dll", nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  return {module, module ? 0u : static_cast<std::uint32_t>(GetLastError())};
}

LoaderResult findLibraryExport(void* module, const char* name) {
  FARPROC address = GetProcAddress(static_cast<HMODULE>(module), name);
  return {reinterpret_cast<void*>(address),
          address ? 0u : static_cast<std::uint32_t>(GetLastError())};
}

}  // namespace radprobe
