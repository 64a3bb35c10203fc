#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "os.h"

namespace common {

void suppressErrorDialogs() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
}

LibraryResult loadVendorLibrary(const LibraryFile& file) {
  const std::string name = file.windowsName;
  const std::wstring wideName(name.begin(), name.end());
  HMODULE library =
      LoadLibraryExW(wideName.c_str(), nullptr,
                     LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library != nullptr) return {library, 0, {}};
  const DWORD error = GetLastError();
  return {nullptr, error, "LoadLibraryExW(\"" + name + "\") failed: " + std::to_string(error)};
}

LibraryResult findLibraryExport(void* library, const char* name) {
  FARPROC address = GetProcAddress(static_cast<HMODULE>(library), name);
  if (address != nullptr) return {reinterpret_cast<void*>(address), 0, {}};
  const DWORD error = GetLastError();
  return {nullptr, error,
          std::string("GetProcAddress(\"") + name + "\") failed: " + std::to_string(error)};
}

void clearWriteFailure() {
  errno = 0;
  _doserrno = 0;
}

std::string lastWriteFailure() {
  const int error = errno;
  const unsigned long systemError = _doserrno;
  if (systemError != 0) return "Windows error " + std::to_string(systemError);
  return std::strerror(error);
}

}  // namespace common
