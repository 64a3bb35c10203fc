#include <windows.h>

#include "program_state.h"

namespace simulated::adl {
namespace {

constexpr UINT kDialogsOff = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX;

// Read while the library is being loaded, before the program can call any entry point.
const UINT errorModeAtLoad = GetErrorMode();

}  // namespace

std::optional<long long> standardOutputFileSize() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  LARGE_INTEGER size{};
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return std::nullopt;
  if (GetFileType(output) != FILE_TYPE_DISK || !GetFileSizeEx(output, &size)) return std::nullopt;
  return size.QuadPart;
}

// A crash inside the real library must end the program with its exception code, not hold it
// in a "has stopped working" box, so the error mode must be set before the library loads.
const char* loadingProblem() {
  if ((errorModeAtLoad & kDialogsOff) == kDialogsOff) return nullptr;
  return "the program loaded the library with system error dialogs switched on";
}

}  // namespace simulated::adl
