// The error that ends a radprobe run.
//
// FatalError carries a message: of radprobe's own (the arguments, loading the library) or, for
// a library call that failed, the name of its result (adlResultName) with the call's result
// code, function and line. main writes it on standard error, a failed call's line first, and
// returns 1; standard output keeps the lines already written.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace radprobe {

// A library call whose result ended the run, and where radprobe made it.
struct FailedCall {
  int result;
  const char* function;
  int line;
};

class FatalError : public std::runtime_error {
 public:
  explicit FatalError(const std::string& message) : std::runtime_error(message) {}
  FatalError(const FailedCall& call, const std::string& resultName)
      : std::runtime_error(resultName), failedCall_(call) {}

  // The failed call, or empty for an error of radprobe's own.
  const std::optional<FailedCall>& failedCall() const { return failedCall_; }

 private:
  std::optional<FailedCall> failedCall_;
};

}  // namespace radprobe
