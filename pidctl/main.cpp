// pidctl's entry point on Windows: acts on the console of another process, named by pid.
#include <cwchar>
#include <iostream>
#include <string>
#include <vector>

#include "common/os.h"
#include "console_platform.h"
#include "pidctl.h"

namespace pidctl {
namespace {

std::vector<std::u16string> argumentsOf(int argc, wchar_t** argv);

}  // namespace
}  // namespace pidctl

int wmain(int argc, wchar_t** argv) {
  // Before anything else: no system dialog may hold the host, neither for a critical error
  // nor for a crash, which then ends the process with its exception code.
  common::suppressErrorDialogs();
  const std::vector<std::u16string> args = pidctl::argumentsOf(argc, argv);
  pidctl::ConsolePlatform& platform = pidctl::windowsPlatform();
  return static_cast<int>(pidctl::runPidctl(args, platform, std::cerr));
}

namespace pidctl {
namespace {

// The command line as UTF-16 strings, argument 0 (the program's name) included.
std::vector<std::u16string> argumentsOf(int argc, wchar_t** argv) {
  std::vector<std::u16string> args;
  for (int index = 0; index < argc; ++index) {
    args.emplace_back(argv[index], argv[index] + std::wcslen(argv[index]));
  }
  return args;
}

}  // namespace
}  // namespace pidctl
