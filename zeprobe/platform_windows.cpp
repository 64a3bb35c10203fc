#include <windows.h>

#include "platform.hpp"

bool enableSysman() {
  return SetEnvironmentVariableW(L"ZES_ENABLE_SYSMAN", L"1") != 0;
}

void sleepMilliseconds(unsigned milliseconds) {
  Sleep(milliseconds);
}
