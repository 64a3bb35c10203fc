// kit_check: the self-check of the test kit. Run it on Windows in the unpacked
// kit's folder, with zeprobe.exe, radprobe.exe and pidctl.exe of the product copied beside it:
//
//   kit_check.exe
//
// First it runs every scenario that kit_check.json lists through the kit's sample host
// (sample_host.exe: no console window, no standard input, both streams read at once, a
// time-out that ends the program and all it started through a job object), with the
// scenario's variable set to the full path of its file, and compares each run with the
// expected results beside it, expected\<folder>\<scenario>.status, .stdout and .stderr:
//   - a scenario that ends: within its time-out, with that status and, byte for byte, those
//     streams; in the stream files the token {{LINE}} stands for any decimal number (a source
//     line number that a message carries);
//   - a scenario that crashes inside the vendor library: the same; its status is the
//     exception code 0xC0000005, so a crash dialog that holds the program fails the check at
//     the time-out, and its standard error is empty;
//   - a scenario that hangs: ended by its time-out, no more than a second late.
// Then it runs the pidctl cases that kit_check.json lists (pidctl_cases.cpp): each acts on
// the console of console_target.exe and checks the effect through Windows itself.
// It prints one line per scenario and per case, then "N passed, M failed", and ends with 0
// only when none failed: 1 when one did, 2 on a wrong command line or a list it cannot read.
//
// Built with MinGW-w64, with nlohmann/json (header-only) on the include path (it reads
// kit_check.json):
//   x86_64-w64-mingw32-g++-posix -std=c++20 -municode -static kit_check.cpp pidctl_cases.cpp
//       -lshell32 -lole32
#include "kit_check.h"

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace kit_check {
namespace {

// How late the sample host may end a hung run past its time-out.
constexpr auto kLatenessAllowed = std::chrono::seconds(1);
// The status that the sample host gives a program that its time-out ended (ERROR_TIMEOUT).
constexpr unsigned long kTimedOutStatus = ERROR_TIMEOUT;
// In an expected stream, the token that stands for any decimal number.
constexpr std::string_view kLineToken = "{{LINE}}";

struct Scenario {
  std::string name;
  std::string folder;  // of the library: scenarios\<folder>, expected\<folder>
  std::string program;
  std::string variable;
  std::vector<std::string> arguments;
  bool hangs;  // never ends by itself: only the time-out ends it
  unsigned long timeoutMs;
};

// What kit_check.json lists: the scenarios, then pidctl's cases.
struct CheckList {
  std::vector<Scenario> scenarios;
  std::vector<PidctlCase> pidctlCases;
};

struct Verdict {
  std::vector<std::string> faults;
  std::string summary;  // the status, or how the time-out ended the run
};

}  // namespace

fs::path kitFolder();
CheckList readCheckList(const fs::path& kit);
std::optional<HostRun> runScenario(const fs::path& kit, const Scenario& scenario);
void setScenarioVariable(const fs::path& kit, const Scenario& scenario);
Verdict judge(const fs::path& kit, const Scenario& scenario, const HostRun& run);
bool literalAt(const std::string& text, std::size_t* position, std::string_view literal);
std::optional<unsigned long> numberAt(const std::string& text, std::size_t* position);
std::optional<std::string> streamAt(const std::string& text, std::size_t* position,
                                    std::string_view name);
void judgeHang(const Scenario& scenario, const Printout& printout, Clock::duration took,
               Verdict* verdict);
void judgeEnding(const fs::path& kit, const Scenario& scenario, const Printout& printout,
                 Verdict* verdict);
void compareStream(const fs::path& expectedFile, const std::string& relativeName,
                   const std::string& what, const std::string& actual, Verdict* verdict);
bool matches(std::string_view expected, std::string_view actual);

}  // namespace kit_check

int wmain(int argc, wchar_t**) {
  using namespace kit_check;
  if (argc != 1) {
    std::fputs("usage: kit_check\n", stderr);
    return 2;
  }
  const fs::path kit = kitFolder();
  CheckList list;
  try {
    list = readCheckList(kit);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kit_check: cannot read kit_check.json: %s\n", error.what());
    return 2;
  }
  int passed = 0;
  for (const Scenario& scenario : list.scenarios) {
    const std::optional<HostRun> run = runScenario(kit, scenario);
    const Verdict verdict = run ? judge(kit, scenario, *run)
                                : Verdict{{"sample_host.exe could not be started"}, "not run"};
    printLine(scenario.program + " " + scenario.name, verdict.faults, verdict.summary,
              run ? std::optional(run->took) : std::nullopt);
    passed += verdict.faults.empty() ? 1 : 0;
  }
  passed += runPidctlCases(kit, list.pidctlCases);
  const int failed = static_cast<int>(list.scenarios.size() + list.pidctlCases.size()) - passed;
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

namespace kit_check {

// The folder of this program: the kit's.
fs::path kitFolder() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
         path.size()) {
    path.resize(path.size() * 2);
  }
  path.resize(length);
  return fs::path(path).parent_path();
}

// kit_check.json: {"scenarios": [{"name", "folder", "program", "variable", "arguments",
// "hangs", "timeout_ms"}, ...], "pidctl_cases": [{"name", "timeout_ms"}, ...]}.
CheckList readCheckList(const fs::path& kit) {
  const nlohmann::json list = nlohmann::json::parse(fileBytes(kit / L"kit_check.json"));
  CheckList read;
  for (const nlohmann::json& item : list.at("scenarios")) {
    read.scenarios.push_back({item.at("name"), item.at("folder"), item.at("program"),
                              item.at("variable"), item.at("arguments"), item.at("hangs"),
                              item.at("timeout_ms")});
  }
  for (const nlohmann::json& item : list.at("pidctl_cases")) {
    read.pidctlCases.push_back({item.at("name"), item.at("timeout_ms")});
  }
  return read;
}

std::optional<HostRun> runScenario(const fs::path& kit, const Scenario& scenario) {
  setScenarioVariable(kit, scenario);
  std::vector<std::wstring> arguments;
  for (const std::string& argument : scenario.arguments) arguments.push_back(wide(argument));
  return runSampleHost(kit, scenario.timeoutMs, kit / wide(scenario.program), arguments);
}

// Points the scenario's variable at its file and removes the other libraries' variables, so
// that the programs, which inherit this environment through the sample host, read only it.
void setScenarioVariable(const fs::path& kit, const Scenario& scenario) {
  for (const wchar_t* variable : {L"ZE_SIM_SCENARIO", L"ADL_SIM_SCENARIO"}) {
    SetEnvironmentVariableW(variable, nullptr);
  }
  const fs::path file = kit / L"scenarios" / wide(scenario.folder) / wide(scenario.name + ".json");
  SetEnvironmentVariableW(wide(scenario.variable).c_str(), file.wstring().c_str());
}

// Its standard error is this program's.
std::optional<HostRun> runSampleHost(const fs::path& kit, unsigned long timeoutMs,
                                     const fs::path& program,
                                     const std::vector<std::wstring>& programArguments) {
  std::vector<std::wstring> arguments = {(kit / L"sample_host.exe").wstring(),
                                         std::to_wstring(timeoutMs), program.wstring()};
  arguments.insert(arguments.end(), programArguments.begin(), programArguments.end());
  std::wstring line = commandLine(arguments);

  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE reader = nullptr, writer = nullptr;
  if (!CreatePipe(&reader, &writer, &inheritable, 0)) return std::nullopt;
  SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(GetStdHandle(STD_ERROR_HANDLE), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writer;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started = {};
  HostRun run;
  const Clock::time_point start = Clock::now();
  const bool created = CreateProcessW(arguments[0].c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &started);
  CloseHandle(writer);
  if (created) {
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(reader, buffer, sizeof buffer, &count, nullptr)) {
      run.printed.append(buffer, count);
    }
    WaitForSingleObject(started.hProcess, INFINITE);
    run.took = Clock::now() - start;
    GetExitCodeProcess(started.hProcess, &run.hostStatus);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
  CloseHandle(reader);
  if (!created) return std::nullopt;
  return run;
}

// The arguments are the kit's own paths and words: none holds a quote or ends in a
// backslash, so each needs only quotes around it to reach the program unchanged
// (sample_host.cpp's quoted() handles any argument).
std::wstring commandLine(const std::vector<std::wstring>& arguments) {
  std::wstring line;
  for (const std::wstring& argument : arguments) {
    line += (line.empty() ? L"\"" : L" \"") + argument + L"\"";
  }
  return line;
}

void printLine(const std::string& subject, const std::vector<std::string>& faults,
               const std::string& summary, std::optional<Clock::duration> took) {
  std::string line = subject + ": " + (faults.empty() ? "passed" : "FAILED") + ", " + summary;
  if (took) line += ", " + seconds(*took);
  for (std::size_t index = 0; index < faults.size(); ++index) {
    line += (index == 0 ? ": " : "; ") + faults[index];
  }
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

Verdict judge(const fs::path& kit, const Scenario& scenario, const HostRun& run) {
  const std::optional<Printout> printout = readPrintout(run.printed);
  if (run.hostStatus != 0 || !printout) {
    return {{"sample_host.exe ended with " + std::to_string(run.hostStatus) +
             " and printed no report in its form"},
            "no status"};
  }
  Verdict verdict{{}, statusText(printout->status)};
  try {
    if (scenario.hangs) {
      judgeHang(scenario, *printout, run.took, &verdict);
    } else {
      judgeEnding(kit, scenario, *printout, &verdict);
    }
  } catch (const std::exception& error) {
    verdict.faults.push_back(error.what());
  }
  return verdict;
}

// The sample host's printout (see sample_host.cpp): the status is read as an unsigned 32-bit
// number, and its hex must give the same value.
std::optional<Printout> readPrintout(const std::string& text) {
  std::size_t position = 0;
  const bool head = literalAt(text, &position, "status: ");
  const std::optional<unsigned long> status = numberAt(text, &position);
  if (!head || !status) return std::nullopt;
  char hex[32];
  std::snprintf(hex, sizeof hex, " (0x%08lX)\ntimed out: ", *status);
  if (!literalAt(text, &position, hex)) return std::nullopt;
  const bool timedOut = literalAt(text, &position, "yes\n");
  if (!timedOut && !literalAt(text, &position, "no\n")) return std::nullopt;
  std::optional<std::string> output = streamAt(text, &position, "standard output");
  std::optional<std::string> errors =
      output ? streamAt(text, &position, "standard error") : std::nullopt;
  if (!errors || position != text.size()) return std::nullopt;
  return Printout{*status, timedOut, std::move(*output), std::move(*errors)};
}

// True when the text holds the literal at the position, moving the position past it.
bool literalAt(const std::string& text, std::size_t* position, std::string_view literal) {
  if (text.compare(*position, literal.size(), literal) != 0) return false;
  *position += literal.size();
  return true;
}

// The decimal number at the text's position, moving the position past it; nothing when no
// digit stands there or the number exceeds 32 bits.
std::optional<unsigned long> numberAt(const std::string& text, std::size_t* position) {
  const std::size_t start = *position;
  unsigned long long value = 0;
  while (*position < text.size() && text[*position] >= '0' && text[*position] <= '9' &&
         value <= 0xffffffffULL) {
    value = value * 10 + static_cast<unsigned>(text[(*position)++] - '0');
  }
  if (*position == start || value > 0xffffffffULL) return std::nullopt;
  return static_cast<unsigned long>(value);
}

// "<name>: <N> bytes\n" and the N bytes that follow, moving the position past them.
std::optional<std::string> streamAt(const std::string& text, std::size_t* position,
                                    std::string_view name) {
  if (!literalAt(text, position, name) || !literalAt(text, position, ": ")) return std::nullopt;
  const std::optional<unsigned long> size = numberAt(text, position);
  if (!size || !literalAt(text, position, " bytes\n") || text.size() - *position < *size) {
    return std::nullopt;
  }
  *position += *size;
  return text.substr(*position - *size, *size);
}

std::string statusText(unsigned long status) {
  char text[48];
  std::snprintf(text, sizeof text, "status %lu (0x%08lX)", status, status);
  return text;
}

// A scenario that hangs: ended by the time-out, no more than a second late.
void judgeHang(const Scenario& scenario, const Printout& printout, Clock::duration took,
               Verdict* verdict) {
  const auto timeout = std::chrono::milliseconds(scenario.timeoutMs);
  verdict->summary = "ended by the " + std::to_string(scenario.timeoutMs) + " ms time-out";
  if (!printout.timedOut || printout.status != kTimedOutStatus) {
    verdict->summary = statusText(printout.status);
    verdict->faults.push_back("not ended by its time-out (status " +
                              std::to_string(kTimedOutStatus) + ")");
  } else if (took < timeout || took > timeout + kLatenessAllowed) {
    verdict->faults.push_back("took " + seconds(took) + " with a time-out of " +
                              std::to_string(scenario.timeoutMs) + " ms");
  }
}

std::string seconds(Clock::duration duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", std::chrono::duration<double>(duration).count());
  return text;
}

// A scenario that ends, by itself or by a crash: within its time-out, with the expected
// status and streams.
void judgeEnding(const fs::path& kit, const Scenario& scenario, const Printout& printout,
                 Verdict* verdict) {
  if (printout.timedOut) {
    verdict->faults.push_back("did not end within its time-out of " +
                              std::to_string(scenario.timeoutMs) + " ms");
    return;
  }
  const std::string relative = "expected\\" + scenario.folder + "\\" + scenario.name;
  const fs::path expected = kit / L"expected" / wide(scenario.folder) / wide(scenario.name);
  std::size_t position = 0;
  const std::optional<unsigned long> status =
      numberAt(fileBytes(fs::path(expected) += L".status"), &position);
  if (status != printout.status) {
    verdict->faults.push_back("not the status that " + relative + ".status holds");
  }
  compareStream(fs::path(expected) += L".stdout", relative + ".stdout", "standard output",
                printout.output, verdict);
  compareStream(fs::path(expected) += L".stderr", relative + ".stderr", "standard error",
                printout.errors, verdict);
}

void compareStream(const fs::path& expectedFile, const std::string& relativeName,
                   const std::string& what, const std::string& actual, Verdict* verdict) {
  const std::string expected = fileBytes(expectedFile);
  if (!matches(expected, actual)) {
    verdict->faults.push_back(what + " differs from " + relativeName + " (" +
                              std::to_string(actual.size()) + " bytes; the file holds " +
                              std::to_string(expected.size()) + ")");
  }
}

// True when the actual bytes are the expected ones, each {{LINE}} standing for one or more
// decimal digits.
bool matches(std::string_view expected, std::string_view actual) {
  const std::size_t token = expected.find(kLineToken);
  if (token == std::string_view::npos) return expected == actual;
  if (actual.substr(0, token) != expected.substr(0, token)) return false;
  const std::string_view rest = expected.substr(token + kLineToken.size());
  for (std::size_t digits = token;
       digits < actual.size() && actual[digits] >= '0' && actual[digits] <= '9'; ++digits) {
    if (matches(rest, actual.substr(digits + 1))) return true;
  }
  return false;
}

std::string fileBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + utf8(path.wstring()));
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

std::string utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

std::wstring wide(const std::string& bytes) {
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
  return text;
}

}  // namespace kit_check
