#include <windows.h>

#include "error_dialogs.h"

namespace simulated {
namespace {

constexpr UINT kDialogsOff = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX;

// Read while the library is being loaded, before the program can call any of its functions.
const UINT errorModeAtLoad = GetErrorMode();

}  // namespace

const char* errorDialogsLeftOn() {
  if ((errorModeAtLoad & kDialogsOff) == kDialogsOff) return nullptr;
  return "the program loaded the library with system error dialogs switched on";
}

}  // namespace simulated
