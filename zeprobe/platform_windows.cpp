#include <windows.h>

#include "platform.h"

namespace zeprobe {

void suppressErrorDialogs() {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
}

bool enableSysman() {
  return SetEnvironmentVariableW(L"ZES_ENABLE_SYSMAN", L"1") != 0;
}

void sleepMilliseconds(unsigned milliseconds) {
  Sleep(milliseconds);
}

// Intel's driver installs the loader in System32. The working directory and PATH are never
// searched: a ze_loader.dll planted there would run with the host's rights.
LibraryLookup openLevelZeroLoader() {
  HMODULE loader =
      LoadLibraryExW(L"ze_loader.dll", nullptr,
                     LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (loader != nullptr) return {loader, {}};
  const DWORD error = GetLastError();
  return {nullptr, "LoadLibraryExW(\"ze_loader.dll\") failed: " + std::to_string(error)};
}

LibraryLookup findLoaderFunction(void* loader, const char* name) {
  FARPROC address = GetProcAddress(static_cast<HMODULE>(loader), name);
  if (address != nullptr) return {reinterpret_cast<void*>(address), {}};
  const DWORD error = GetLastError();
  return {nullptr,
          std::string("GetProcAddress(\"") + name + "\") failed: " + std::to_string(error)};
}

}  // namespace zeprobe
