#include <cstdlib>

#include "os.h"

namespace simulated {

std::optional<std::string> environmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

const char* errorDialogsLeftOn() {
  return nullptr;
}

}  // namespace simulated
