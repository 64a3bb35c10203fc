// The two kinds of failure of a probe run.
//
// FatalError ends the run: main writes its message and returns 1 with nothing on standard
// output. SensorError is raised inside one sensor group and only costs that group's keys; the
// groups catch it by name, so a FatalError always reaches main.
#pragma once

#include <level_zero/ze_api.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zeprobe {

class FatalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SensorError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "<function> failed: <code>" with the code in signed decimal, as every message prints it.
inline std::string failedCallMessage(const char* function, ze_result_t result) {
  const auto code = static_cast<std::int32_t>(static_cast<std::uint32_t>(result));
  return std::string(function) + " failed: " + std::to_string(code);
}

template <typename Error>
void checkCall(ze_result_t result, const char* function) {
  if (result != ZE_RESULT_SUCCESS) throw Error{failedCallMessage(function, result)};
}

}  // namespace zeprobe
