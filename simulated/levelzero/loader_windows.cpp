// Windows face of the simulation: a stand-in for ze_loader.dll. Its exports are the Level Zero
// functions of engine.cpp (listed in a module-definition file made by the build); this file
// supplies the environment access they need.
#include <windows.h>

#include <vector>

#include "engine.h"

namespace simulated::levelzero {

// GetEnvironmentVariableA, not getenv: the C runtime's copy of the environment does not see
// variables that the program set with SetEnvironmentVariableW.
std::optional<std::string> environmentValue(const char* name) {
  const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
  if (size == 0) return std::nullopt;
  std::vector<char> value(size);
  const DWORD length = GetEnvironmentVariableA(name, value.data(), size);
  if (length == 0 || length >= size) return std::nullopt;
  return std::string(value.data(), length);
}

}  // namespace simulated::levelzero
