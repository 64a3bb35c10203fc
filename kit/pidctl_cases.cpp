// pidctl's cases of the self-check. Each case starts console_target.exe in a console of its
// own, runs pidctl.exe on it through the sample host (as a host runs pidctl: no console
// window, both streams read, a time-out), and checks the effect through Windows itself: the
// console window's visibility (IsWindowVisible), the foreground window
// (GetForegroundWindow), the window's property store (SHGetPropertyStoreForWindow), and what
// the target reports of its own console (its title, its input mode, whether its Ctrl+C
// handler ran). pidctl's exit status alone never passes a case.
//
// On Windows the target runs under the classic console host (conhost.exe <target>), whatever
// the default terminal is: Windows Terminal would give its console a pseudo window, on which
// the window commands show no effect to check. Under Wine, whose conhost.exe runs no program,
// the target gets Wine's console (CREATE_NEW_CONSOLE), which has a window only when Wine has
// an X display. Where Windows and Wine answer differently, each case expects its own system's
// answer; Wine is recognised by ntdll.dll's export wine_get_version.
//
// clang-format off
#include <windows.h>
#include <initguid.h>
#include <propkey.h>
#include <propsys.h>
#include <shellapi.h>
// clang-format on

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "kit_check.h"

namespace kit_check {
namespace {

// Blanks at both ends and text beyond ASCII: the title must arrive exactly.
constexpr std::wstring_view kTitle = L"  Gr\u00FC\u00DFe \u2713 \u6A19\u984C  ";
constexpr std::wstring_view kAppUserModelId = L"ConsoleGpuHelpers.KitCheck.Target";
constexpr DWORD kQuickEditMode = 0x0040;
constexpr DWORD kExtendedFlags = 0x0080;
// Windows Terminal's pseudo window, which a console delegated to Terminal has.
constexpr std::string_view kPseudoWindowClass = "PseudoConsoleWindow";
// How long the target may take to start and to report.
constexpr auto kTargetWait = std::chrono::seconds(30);
constexpr auto kPoll = std::chrono::milliseconds(20);

// The system that runs the self-check, and what differs there.
struct System {
  bool wine;
  std::string name;             // "Windows", or "Wine <version>"
  std::string consoleHost;      // what hosts the target's console
  unsigned long noSuchProcess;  // AttachConsole's code for a pid that names no process
};

// Closes a handle when it goes out of scope.
struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// A running console_target: its folder of files, its pid, and its console as it reported it.
struct Target {
  fs::path folder;
  DWORD pid = 0;
  HWND window = nullptr;
  std::string windowClass;
  unsigned long inputMode = 0;
  Handle job;  // ends the target, and what started it, when closed
};

// What a case found. Its line gives pidctl's status, the effects seen, and where the target
// ran.
struct Outcome {
  std::vector<std::string> faults;
  std::string status = "not run";
  std::vector<std::string> effects;
  std::string target;
};

struct Context {
  const fs::path& kit;
  const System& system;
  fs::path scratch;  // the targets' folders
  unsigned long timeoutMs;
};

using CaseCheck = void (*)(Context& context, Outcome& outcome);
struct Case {
  std::string_view name;
  CaseCheck check;
};

System thisSystem();
void checkHide(Context& context, Outcome& outcome);
void checkShow(Context& context, Outcome& outcome);
void checkShowNoActivate(Context& context, Outcome& outcome);
void checkForeground(Context& context, Outcome& outcome);
void checkTitle(Context& context, Outcome& outcome);
void checkAppUserModelId(Context& context, Outcome& outcome);
void checkCtrlC(Context& context, Outcome& outcome);
void checkNoSelect(Context& context, Outcome& outcome);
void checkNoSuchProcess(Context& context, Outcome& outcome);
void checkNoConsole(Context& context, Outcome& outcome);
void checkWrongCommandWord(Context& context, Outcome& outcome);

constexpr Case kCases[] = {
    {"hide", checkHide},
    {"show", checkShow},
    {"shownoactivate", checkShowNoActivate},
    {"foreground", checkForeground},
    {"title", checkTitle},
    {"appusermodelid", checkAppUserModelId},
    {"ctrlc", checkCtrlC},
    {"noselect", checkNoSelect},
    {"no_such_process", checkNoSuchProcess},
    {"no_console", checkNoConsole},
    {"wrong_command_word", checkWrongCommandWord},
};

const Case* findCase(std::string_view name);
std::string summaryOf(const Outcome& outcome);
std::optional<Target> startTarget(Context& context, std::string_view name, bool withConsole,
                                  Outcome& outcome);
Handle killOnCloseJob();
std::optional<std::string> waitForFile(const fs::path& path);
std::map<std::string, std::string> keyValues(const std::string& text);
std::optional<Printout> runPidctl(Context& context, const std::vector<std::wstring>& arguments,
                                  Outcome& outcome);
bool expectStatus(const std::optional<Printout>& printout, unsigned long status,
                  const std::string& errors, Outcome& outcome);
std::map<std::string, std::string> endTarget(Target& target, Outcome& outcome);
bool isVisible(HWND window);
bool hideBeforehand(const Target& target, Outcome& outcome);
void expectShown(const Target& target, Outcome& outcome);
std::string windowText(HWND window);
std::string hexText(unsigned long value);
DWORD pidOfNoProcess();

}  // namespace

int runPidctlCases(const fs::path& kit, const std::vector<PidctlCase>& cases) {
  const System system = thisSystem();
  wchar_t temporary[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temporary);
  const fs::path scratch =
      fs::path(temporary) / (L"kit_check " + std::to_wstring(GetCurrentProcessId()));
  int passed = 0;
  for (const PidctlCase& listed : cases) {
    Context context{kit, system, scratch, listed.timeoutMs};
    Outcome outcome;
    const Clock::time_point start = Clock::now();
    const Case* found = findCase(listed.name);
    try {
      if (found != nullptr) found->check(context, outcome);
    } catch (const std::exception& error) {
      outcome.faults.push_back(error.what());
    }
    if (found == nullptr) outcome.faults.push_back("this self-check has no such case");
    printLine("pidctl.exe " + listed.name, outcome.faults, summaryOf(outcome),
              Clock::now() - start);
    passed += outcome.faults.empty() ? 1 : 0;
  }
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  return passed;
}

namespace {

System thisSystem() {
  using WineVersion = const char*(__cdecl*)();
  const auto wineVersion = reinterpret_cast<WineVersion>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
  if (wineVersion != nullptr) {
    return {true, std::string("Wine ") + wineVersion(), "Wine's console", ERROR_INVALID_HANDLE};
  }
  return {false, "Windows", "classic console host", ERROR_INVALID_PARAMETER};
}

// hide: the visible console window is hidden (a minimised window would still be visible).
void checkHide(Context& context, Outcome& outcome) {
  std::optional<Target> target = startTarget(context, "hide", true, outcome);
  if (!target) return;
  if (!isVisible(target->window)) outcome.faults.push_back("the window was not visible before");
  const std::optional<Printout> printout =
      runPidctl(context, {L"hide", std::to_wstring(target->pid)}, outcome);
  if (expectStatus(printout, 0, "", outcome)) {
    if (!isVisible(target->window)) {
      outcome.effects.push_back("window hidden");
    } else {
      outcome.faults.push_back(IsIconic(target->window) ? "the window is minimised, not hidden"
                                                        : "the window is still visible");
    }
  }
  endTarget(*target, outcome);
}

// show: a hidden console window becomes visible.
void checkShow(Context& context, Outcome& outcome) {
  std::optional<Target> target = startTarget(context, "show", true, outcome);
  if (!target) return;
  if (hideBeforehand(*target, outcome)) {
    const std::optional<Printout> printout =
        runPidctl(context, {L"show", std::to_wstring(target->pid)}, outcome);
    if (expectStatus(printout, 0, "", outcome)) expectShown(*target, outcome);
  }
  endTarget(*target, outcome);
}

// shownoactivate: a hidden console window becomes visible, and the foreground window stays
// what it was.
void checkShowNoActivate(Context& context, Outcome& outcome) {
  std::optional<Target> target = startTarget(context, "shownoactivate", true, outcome);
  if (!target) return;
  if (hideBeforehand(*target, outcome)) {
    const HWND foreground = GetForegroundWindow();
    const std::optional<Printout> printout =
        runPidctl(context, {L"shownoactivate", std::to_wstring(target->pid)}, outcome);
    if (expectStatus(printout, 0, "", outcome)) {
      expectShown(*target, outcome);
      if (GetForegroundWindow() == foreground) {
        outcome.effects.push_back("the foreground window unchanged");
      } else {
        outcome.faults.push_back("the foreground window changed to " +
                                 windowText(GetForegroundWindow()));
      }
    }
  }
  endTarget(*target, outcome);
}

// foreground: the console window, visible but not in the foreground, becomes the foreground
// window; or Windows' foreground rules refuse pidctl (the self-check grants it what it may
// with AllowSetForegroundWindow), pidctl ends with the refusal's code and the foreground window
// stays what it was. The line says which of the two happened.
void checkForeground(Context& context, Outcome& outcome) {
  std::optional<Target> target = startTarget(context, "foreground", true, outcome);
  if (!target) return;
  // Hidden, then shown without activation: visible, and another window in the foreground.
  if (hideBeforehand(*target, outcome)) {
    ShowWindow(target->window, SW_SHOWNOACTIVATE);
    const HWND foreground = GetForegroundWindow();
    if (foreground == target->window) {
      outcome.faults.push_back("the window was in the foreground before the command");
    }
    AllowSetForegroundWindow(ASFW_ANY);
    const std::optional<Printout> printout =
        runPidctl(context, {L"foreground", std::to_wstring(target->pid)}, outcome);
    if (printout && printout->status == 0) {
      expectStatus(printout, 0, "", outcome);
      if (GetForegroundWindow() == target->window) {
        outcome.effects.push_back("the window became the foreground window");
      } else {
        outcome.faults.push_back("the foreground window is " + windowText(GetForegroundWindow()));
      }
    } else if (printout) {
      // Any code but 1 (a command-line error) is the refusal's.
      expectStatus(printout, printout->status == 1 ? 5 : printout->status, "", outcome);
      if (GetForegroundWindow() == foreground) {
        outcome.effects.push_back("refused by Windows' foreground rules");
        outcome.effects.push_back("the foreground window unchanged");
      } else {
        outcome.faults.push_back("refused, yet the foreground window changed to " +
                                 windowText(GetForegroundWindow()));
      }
    }
  }
  endTarget(*target, outcome);
}

// title: the target reads back exactly the title given, blanks and all.
void checkTitle(Context& context, Outcome& outcome) {
  std::optional<Target> target = startTarget(context, "title", true, outcome);
  if (!target) return;
  const std::wstring title(kTitle);
  const std::optional<Printout> printout =
      runPidctl(context, {L"title", std::to_wstring(target->pid), title}, outcome);
  const bool done = expectStatus(printout, 0, "", outcome);
  const std::map<std::string, std::string> report = endTarget(*target, outcome);
  if (done && report.count("title") != 0) {
    if (report.at("title") == utf8(title)) {
      outcome.effects.push_back("the target read back \"" + report.at("title") + "\"");
    } else {
      outcome.faults.push_back("the target read back \"" + report.at("title") +
                               "\", not the title given, \"" + utf8(title) + "\"");
    }
  }
}

// appusermodelid: the value read back from the console window's property store. Wine's
// property store of a window is a stub whose GetValue answers E_NOTIMPL: there only pidctl's
// status and that answer can be checked.
void checkAppUserModelId(Context& context, Outcome& outcome) {
  std::optional<Target> target = startTarget(context, "appusermodelid", true, outcome);
  if (!target) return;
  const std::wstring id(kAppUserModelId);
  const std::optional<Printout> printout =
      runPidctl(context, {L"appusermodelid", std::to_wstring(target->pid), id}, outcome);
  if (expectStatus(printout, 0, "", outcome)) {
    IPropertyStore* store = nullptr;
    HRESULT result = SHGetPropertyStoreForWindow(target->window, IID_IPropertyStore,
                                                 reinterpret_cast<void**>(&store));
    PROPVARIANT value;
    PropVariantInit(&value);
    if (SUCCEEDED(result)) {
      result = store->GetValue(PKEY_AppUserModel_ID, &value);
      store->Release();
    }
    const std::string answer = hexText(static_cast<unsigned long>(result));
    if (context.system.wine) {
      if (result == E_NOTIMPL) {
        outcome.effects.push_back("Wine's property store answers " + answer + " (E_NOTIMPL)");
      } else {
        outcome.faults.push_back("Wine's property store answers " + answer +
                                 ", not E_NOTIMPL (0x80004001)");
      }
    } else if (FAILED(result)) {
      outcome.faults.push_back("reading the property store failed with " + answer);
    } else if (value.vt != VT_LPWSTR || value.pwszVal == nullptr) {
      outcome.faults.push_back("the property store holds no text");
    } else if (id == value.pwszVal) {
      outcome.effects.push_back("read back \"" + utf8(id) + "\" from the property store");
    } else {
      outcome.faults.push_back("read back \"" + utf8(value.pwszVal) + "\", not \"" + utf8(id) +
                               "\"");
    }
    PropVariantClear(&value);
  }
  endTarget(*target, outcome);
}

volatile LONG ctrlCsOfTheSelfCheck = 0;

BOOL WINAPI countCtrlC(DWORD event) {
  if (event != CTRL_C_EVENT) return FALSE;
  InterlockedIncrement(&ctrlCsOfTheSelfCheck);
  return TRUE;
}

// ctrlc: the target's handler saw Ctrl+C, and it reached nothing of the self-check's own
// console (counted here rather than left to end the self-check).
void checkCtrlC(Context& context, Outcome& outcome) {
  std::optional<Target> target = startTarget(context, "ctrlc", true, outcome);
  if (!target) return;
  SetConsoleCtrlHandler(countCtrlC, TRUE);
  const std::optional<Printout> printout =
      runPidctl(context, {L"ctrlc", std::to_wstring(target->pid)}, outcome);
  const bool done = expectStatus(printout, 0, "", outcome);
  const std::map<std::string, std::string> report = endTarget(*target, outcome);
  SetConsoleCtrlHandler(countCtrlC, FALSE);
  if (done && report.count("ctrl_c") != 0) {
    if (report.at("ctrl_c") == "1") {
      outcome.effects.push_back("the target's handler saw Ctrl+C");
    } else {
      outcome.faults.push_back("the target's handler saw no Ctrl+C");
    }
    if (InterlockedCompareExchange(&ctrlCsOfTheSelfCheck, 0, 0) == 0) {
      outcome.effects.push_back("none reached the self-check");
    } else {
      outcome.faults.push_back("Ctrl+C reached the self-check too");
    }
  }
}

// noselect: quick-edit goes off, the extended flags that make that change take effect are
// set, and every other input flag stays as it was.
void checkNoSelect(Context& context, Outcome& outcome) {
  std::optional<Target> target = startTarget(context, "noselect", true, outcome);
  if (!target) return;
  const unsigned long before = target->inputMode;
  if ((before & kQuickEditMode) == 0) outcome.faults.push_back("quick-edit was off before");
  const std::optional<Printout> printout =
      runPidctl(context, {L"noselect", std::to_wstring(target->pid)}, outcome);
  const bool done = expectStatus(printout, 0, "", outcome);
  const std::map<std::string, std::string> report = endTarget(*target, outcome);
  if (done && report.count("input_mode") != 0) {
    const std::string expected = hexText((before & ~kQuickEditMode) | kExtendedFlags);
    const std::string change =
        "input mode " + hexText(before) + " became " + report.at("input_mode");
    if (report.at("input_mode") == expected) {
      outcome.effects.push_back(change);
    } else {
      outcome.faults.push_back(change + ", not " + expected);
    }
  }
}

// A pid that names no process: AttachConsole's code, which differs between the systems.
void checkNoSuchProcess(Context& context, Outcome& outcome) {
  const DWORD pid = pidOfNoProcess();
  const std::optional<Printout> printout =
      runPidctl(context, {L"hide", std::to_wstring(pid)}, outcome);
  expectStatus(printout, context.system.noSuchProcess, "", outcome);
  outcome.effects.push_back("pid " + std::to_string(pid) + ", " + context.system.name +
                            "'s code (Windows 87, Wine 6)");
}

// A process without a console: AttachConsole's ERROR_INVALID_HANDLE.
void checkNoConsole(Context& context, Outcome& outcome) {
  std::optional<Target> target = startTarget(context, "no_console", false, outcome);
  if (!target) return;
  const std::optional<Printout> printout =
      runPidctl(context, {L"hide", std::to_wstring(target->pid)}, outcome);
  expectStatus(printout, ERROR_INVALID_HANDLE, "", outcome);
  endTarget(*target, outcome);
}

// A command word that differs only in case: status 1 and the message, and the window is left
// as it was.
void checkWrongCommandWord(Context& context, Outcome& outcome) {
  std::optional<Target> target = startTarget(context, "wrong_command_word", true, outcome);
  if (!target) return;
  const std::optional<Printout> printout =
      runPidctl(context, {L"Hide", std::to_wstring(target->pid)}, outcome);
  if (expectStatus(printout, 1, "Invalid command\r\n", outcome)) {
    outcome.effects.push_back("\"Invalid command\"");
    if (isVisible(target->window)) {
      outcome.effects.push_back("the window left visible");
    } else {
      outcome.faults.push_back("the window is hidden");
    }
  }
  endTarget(*target, outcome);
}

const Case* findCase(std::string_view name) {
  for (const Case& found : kCases) {
    if (found.name == name) return &found;
  }
  return nullptr;
}

std::string summaryOf(const Outcome& outcome) {
  std::string summary = outcome.status;
  for (const std::string& effect : outcome.effects) summary += ", " + effect;
  return outcome.target.empty() ? summary : summary + ", " + outcome.target;
}

// Starts console_target.exe in its folder of files: in a console of its own (on Windows under
// the classic console host, see the top of this file), or with none, as DETACHED_PROCESS
// makes it. Returns once the target has reported its console; nothing, with the fault, when it
// did not.
std::optional<Target> startTarget(Context& context, std::string_view name, bool withConsole,
                                  Outcome& outcome) {
  Target target;
  target.folder = context.scratch / wide(std::string(name));
  std::error_code ignored;
  fs::remove_all(target.folder, ignored);
  fs::create_directories(target.folder, ignored);
  std::vector<std::wstring> arguments = {(context.kit / L"console_target.exe").wstring(),
                                         target.folder.wstring(), L"wait"};
  if (withConsole && !context.system.wine) {
    wchar_t system32[MAX_PATH + 1] = {};
    GetSystemDirectoryW(system32, MAX_PATH + 1);
    arguments.insert(arguments.begin(), (fs::path(system32) / L"conhost.exe").wstring());
  }
  outcome.target =
      withConsole ? "target in " + context.system.consoleHost : "target without a console";
  std::wstring line = commandLine(arguments);
  target.job = killOnCloseJob();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  const DWORD flags = (withConsole ? CREATE_NEW_CONSOLE : DETACHED_PROCESS) | CREATE_SUSPENDED;
  if (!target.job || !CreateProcessW(arguments[0].c_str(), line.data(), nullptr, nullptr, FALSE,
                                     flags, nullptr, nullptr, &startup, &started)) {
    outcome.faults.push_back("console_target.exe could not be started: " +
                             std::to_string(GetLastError()));
    return std::nullopt;
  }
  AssignProcessToJobObject(target.job.get(), started.hProcess);
  ResumeThread(started.hThread);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  const std::optional<std::string> pid = waitForFile(target.folder / L"pid");
  const std::optional<std::string> console =
      pid ? waitForFile(target.folder / L"console") : std::nullopt;
  if (!console) {
    outcome.faults.push_back("console_target.exe did not start");
    return std::nullopt;
  }
  const std::map<std::string, std::string> values = keyValues(*console);
  target.pid = std::stoul(*pid);
  target.window = reinterpret_cast<HWND>(std::stoull(values.at("window"), nullptr, 16));
  target.windowClass = values.at("window_class");
  target.inputMode = std::stoul(values.at("input_mode"), nullptr, 16);
  if (withConsole && target.window == nullptr) {
    outcome.faults.push_back(
        "the target's console has no window" +
        std::string(context.system.wine ? " (Wine without an X display)" : ""));
    endTarget(target, outcome);
    return std::nullopt;
  }
  if (target.windowClass == kPseudoWindowClass) {
    outcome.faults.push_back("the target's console is Windows Terminal's pseudo window");
  }
  return target;
}

// A job object whose processes all end when its last handle is closed.
Handle killOnCloseJob() {
  Handle job(CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job && !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                      sizeof limits)) {
    job.reset();
  }
  return job;
}

// The file's bytes once the target has written it (under its final name, whole); nothing when
// it has not within the wait. Under Wine a file that has just been renamed into place may
// refuse to open for a moment, so a failed open counts as not there yet.
std::optional<std::string> waitForFile(const fs::path& path) {
  const Clock::time_point deadline = Clock::now() + kTargetWait;
  for (;;) {
    try {
      if (fs::exists(path)) return fileBytes(path);
    } catch (const std::exception&) {
    }
    if (Clock::now() > deadline) return std::nullopt;
    std::this_thread::sleep_for(kPoll);
  }
}

// The "key=value" lines of a file the target wrote.
std::map<std::string, std::string> keyValues(const std::string& text) {
  std::map<std::string, std::string> values;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    start = end + 1;
  }
  return values;
}

// Runs pidctl.exe through the sample host; nothing, with the fault, when the sample host gave
// no printout in its form.
std::optional<Printout> runPidctl(Context& context, const std::vector<std::wstring>& arguments,
                                  Outcome& outcome) {
  const std::optional<HostRun> run =
      runSampleHost(context.kit, context.timeoutMs, context.kit / L"pidctl.exe", arguments);
  std::optional<Printout> printout = run ? readPrintout(run->printed) : std::nullopt;
  if (!run || run->hostStatus != 0 || !printout) {
    outcome.faults.push_back("sample_host.exe could not run pidctl.exe");
    return std::nullopt;
  }
  return printout;
}

// pidctl ended by itself with the status and standard error given and wrote nothing on
// standard output; the line gives its status. True when it did.
bool expectStatus(const std::optional<Printout>& printout, unsigned long status,
                  const std::string& errors, Outcome& outcome) {
  if (!printout) return false;
  outcome.status = statusText(printout->status);
  const std::size_t faults = outcome.faults.size();
  if (printout->timedOut) outcome.faults.push_back("pidctl.exe did not end within its time-out");
  if (printout->status != status) outcome.faults.push_back("not " + statusText(status));
  if (printout->errors != errors) {
    outcome.faults.push_back("standard error \"" + printout->errors + "\", not \"" + errors + "\"");
  }
  if (!printout->output.empty()) outcome.faults.push_back("standard output is not empty");
  return outcome.faults.size() == faults;
}

// Releases the target and returns what it reported of its console; the job then ends
// whatever is left of it.
std::map<std::string, std::string> endTarget(Target& target, Outcome& outcome) {
  std::map<std::string, std::string> report;
  const fs::path release = target.folder / L"release";
  CloseHandle(CreateFileW(release.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (const std::optional<std::string> text = waitForFile(target.folder / L"report")) {
    report = keyValues(*text);
  } else {
    outcome.faults.push_back("console_target.exe wrote no report");
  }
  target.job.reset();
  return report;
}

bool isVisible(HWND window) {
  return IsWindowVisible(window) != 0;
}

// Hides the target's visible console window before the command that is to show it.
bool hideBeforehand(const Target& target, Outcome& outcome) {
  ShowWindow(target.window, SW_HIDE);
  if (!isVisible(target.window)) return true;
  outcome.faults.push_back("the window could not be hidden before the command");
  return false;
}

// The window that was hidden before the command is visible after it.
void expectShown(const Target& target, Outcome& outcome) {
  if (isVisible(target.window)) {
    outcome.effects.push_back("hidden window shown");
  } else {
    outcome.faults.push_back("the window is still hidden");
  }
}

std::string windowText(HWND window) {
  return window == nullptr
             ? "none"
             : hexText(static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window)));
}

std::string hexText(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%lX", value);
  return text;
}

// A pid that names no process now: OpenProcess answers ERROR_INVALID_PARAMETER for it.
// Process ids are multiples of 4, and Windows ignores their two low bits.
DWORD pidOfNoProcess() {
  DWORD pid = 4000000;
  for (int tries = 0; tries < 1000; ++tries, pid += 4) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) break;
    if (process != nullptr) CloseHandle(process);
  }
  return pid;
}

}  // namespace
}  // namespace kit_check
