// Windows library loading: the display library is atiadlxx.dll, found by the standard search
// order, and errors are the thread's last system error codes.
#include <windows.h>

#include "display_library.h"

LoaderResult loadDisplayLibrary() {
  HMODULE module = LoadLibraryW(L"atiadlxx.dll");
  return {module, module ? 0u : static_cast<std::uint32_t>(GetLastError())};
}

LoaderResult findLibraryExport(void* module, const char* name) {
  FARPROC address = GetProcAddress(static_cast<HMODULE>(module), name);
  return {reinterpret_cast<void*>(address),
          address ? 0u : static_cast<std::uint32_t>(GetLastError())};
}
