#include <windows.h>

#include "platform.h"

namespace zeprobe {

bool enableSysman() {
  return SetEnvironmentVariableW(L"ZES_ENABLE_SYSMAN", L"1") != 0;
}

void sleepMilliseconds(unsigned milliseconds) {
  Sleep(milliseconds);
}

}  // namespace zeprobe
