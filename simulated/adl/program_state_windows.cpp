#include <windows.h>

#include "program_state.h"

namespace simulated_adl {
namespace {

constexpr UINT kDialogsOff = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX;

// Read while the library is being loaded, before the program can call any entry point.
const UINT errorModeAtLoad = GetErrorMode();

}  // namespace

// A crash inside the real library must end the program with its exception code, not hold it
// in a "has stopped working" box, so the error mode must be set before the library loads.
const char* loadingProblem() {
  if ((errorModeAtLoad & kDialogsOff) == kDialogsOff) return nullptr;
  return "the program loaded the library with system error dialogs switched on";
}

}  // namespace simulated_adl
