// What the self-check's two parts share (kit_check.cpp: the scenarios and the entry point;
// pidctl_cases.cpp: pidctl's cases): running the sample host and reading its printout, the
// kit's text conversions, and the form of a line.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kit_check {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// What the sample host printed: the program's status, whether the time-out ended it, and
// its two streams.
struct Printout {
  unsigned long status;
  bool timedOut;
  std::string output;
  std::string errors;
};

// One run of the sample host: its status, what it printed, and how long it took.
struct HostRun {
  DWORD hostStatus = 0;
  std::string printed;
  Clock::duration took{};
};

// A pidctl case of kit_check.json: its name and the sample host's time-out for each run of
// pidctl.exe.
struct PidctlCase {
  std::string name;
  unsigned long timeoutMs;
};

// Runs pidctl's cases in the listed order, one line each; returns how many passed.
int runPidctlCases(const fs::path& kit, const std::vector<PidctlCase>& cases);

// Runs sample_host.exe <time-out> <program> <arguments...> in this process's environment and
// reads what it prints to its end; nothing when it cannot be started.
std::optional<HostRun> runSampleHost(const fs::path& kit, unsigned long timeoutMs,
                                     const fs::path& program,
                                     const std::vector<std::wstring>& arguments);
// The sample host's printout, or nothing when it is not in that form.
std::optional<Printout> readPrintout(const std::string& text);
// The arguments as one command line, each in quotes: none may hold a quote or end in a
// backslash.
std::wstring commandLine(const std::vector<std::wstring>& arguments);

std::string fileBytes(const fs::path& path);
std::string utf8(const std::wstring& text);
std::wstring wide(const std::string& bytes);
std::string statusText(unsigned long status);
std::string seconds(Clock::duration duration);

// Prints "<subject>: passed, <summary>, <time>" or "<subject>: FAILED, <summary>, <time>: <fault>;
// <fault>..." (the time when there is one).
void printLine(const std::string& subject, const std::vector<std::string>& faults,
               const std::string& summary, std::optional<Clock::duration> took);

}  // namespace kit_check
