#include <windows.h>

#include "os.h"

namespace zeprobe {

bool enableSysman() {
  return SetEnvironmentVariableW(L"ZES_ENABLE_SYSMAN", L"1") != 0;
}

}  // namespace zeprobe
