// A program of the test suite that sets the error mode given on its command line, then loads a
// simulated library from its own folder and calls the library's first function, as zeprobe and
// radprobe do. Each simulated library reads the mode as it is loaded (simulated/os.h): unless both
// system error dialogs are off, its first function ends the process with status 86 and its
// message. Otherwise the function's result is printed and the status is 0.
//
//   error_mode_caller.exe <error mode> ze_loader.dll|atiadlxx.dll
#include <level_zero/ze_ddi.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "interfaces/adl_abi.h"

namespace {

void* allocate(int size) {
  return std::malloc(size);
}

template <typename Function>
Function exported(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

int callFirstFunction(HMODULE library, const wchar_t* name) {
  if (std::wcscmp(name, L"ze_loader.dll") == 0) return exported<ze_pfnInit_t>(library, "zeInit")(0);
  adl::Context context = nullptr;
  return exported<adl::ADL2_Main_Control_Create_t>(library, "ADL2_Main_Control_Create")(allocate, 1,
                                                                                        &context);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: error_mode_caller <error mode> ze_loader.dll|atiadlxx.dll\n", stderr);
    return 2;
  }
  SetErrorMode(static_cast<UINT>(std::wcstoul(argv[1], nullptr, 0)));
  HMODULE library = LoadLibraryExW(argv[2], nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
  if (library == nullptr) {
    std::fprintf(stderr, "cannot load the library: %lu\n", GetLastError());
    return 1;
  }
  std::printf("%d\n", callFirstFunction(library, argv[2]));
  return 0;
}
