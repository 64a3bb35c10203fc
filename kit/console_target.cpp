// console_target: the console program whose console pidctl acts on, for the kit's self-check
// (kit_check.exe) and for pidctl's own Wine tests.
//
//   console_target <work-dir> wait
//   console_target <work-dir> child [--await-ctrl-c] <program> [arguments...]
//
// It sets a known title and input mode on its console, installs a Ctrl+C handler, writes
// what its console is to <work-dir>\console (the window handle in hex, the window's class
// name, the input mode as read back), then its process id to <work-dir>\pid. With "wait" it
// then waits until <work-dir>\release exists; with "child" it runs the program as its own
// child on the same console, any argument "{pid}" replaced by its own process id, and waits
// for it to end. Finally it writes what it observes to <work-dir>\report, one "key=value"
// line each: its console's title (UTF-8), its input mode, whether Ctrl+C arrived, and the
// child's exit status. Every file is written whole or not at all, and every wait is bounded,
// so a check that goes wrong cannot leave it running.
//
// Built with MinGW-w64: x86_64-w64-mingw32-g++-posix -municode -static console_target.cpp
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr DWORD kInitialInputMode = 0x1F7;
constexpr DWORD kWaitLimitMs = 30000;
constexpr DWORD kCtrlCWaitLimitMs = 5000;
constexpr DWORD kPollMs = 20;

volatile LONG ctrlCReceived = 0;

BOOL WINAPI recordCtrlC(DWORD event);
bool writeFileAtomically(const std::wstring& path, const std::string& content);
DWORD runChild(const std::vector<std::wstring>& arguments);
std::wstring quoted(const std::wstring& argument);
bool waitFor(bool (*condition)(const void*), const void* context, DWORD limitMs);
bool ctrlCArrived(const void*);
bool fileExists(const void* path);
DWORD inputModeOf(HANDLE input);
std::string toUtf8(const std::wstring& text);
std::string hex(unsigned long long value);
std::string classOf(HWND window);

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: console_target <work-dir> wait | child [--await-ctrl-c] <program>...\n",
               stderr);
    return 2;
  }
  const std::wstring workDir = argv[1];
  const std::wstring mode = argv[2];
  // Ctrl+C is handled whatever the starting process asked for (a process started with
  // CREATE_NEW_PROCESS_GROUP ignores it until it says otherwise).
  SetConsoleCtrlHandler(nullptr, FALSE);
  SetConsoleCtrlHandler(recordCtrlC, TRUE);
  SetConsoleTitleW(L"pidctl target");
  const HANDLE input =
      CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  SetConsoleMode(input, kInitialInputMode);
  const HWND window = GetConsoleWindow();
  const std::string console = "window=" + hex(reinterpret_cast<std::uintptr_t>(window)) +
                              "\nwindow_class=" + classOf(window) +
                              "\ninput_mode=" + hex(inputModeOf(input)) + "\n";
  if (!writeFileAtomically(workDir + L"\\console", console) ||
      !writeFileAtomically(workDir + L"\\pid", std::to_string(GetCurrentProcessId()))) {
    return 3;
  }

  std::string report;
  if (mode == L"child") {
    int first = 3;
    const bool awaitCtrlC = argc > first && std::wstring(argv[first]) == L"--await-ctrl-c";
    if (awaitCtrlC) ++first;
    const DWORD status = runChild(std::vector<std::wstring>(argv + first, argv + argc));
    if (awaitCtrlC) waitFor(ctrlCArrived, nullptr, kCtrlCWaitLimitMs);
    report += "child_status=" + std::to_string(status) + "\n";
  } else {
    const std::wstring release = workDir + L"\\release";
    if (!waitFor(fileExists, &release, kWaitLimitMs)) report += "timed_out=1\n";
  }

  wchar_t title[512] = {};
  GetConsoleTitleW(title, 512);
  report += "title=" + toUtf8(title) + "\n";
  report += "input_mode=" + hex(inputModeOf(input)) + "\n";
  report += std::string("ctrl_c=") + (ctrlCArrived(nullptr) ? "1" : "0") + "\n";
  return writeFileAtomically(workDir + L"\\report", report) ? 0 : 4;
}

namespace {

BOOL WINAPI recordCtrlC(DWORD event) {
  if (event != CTRL_C_EVENT) return FALSE;
  InterlockedExchange(&ctrlCReceived, 1);
  return TRUE;
}

// Writes the file under a temporary name first, so that a reader never sees half of it.
bool writeFileAtomically(const std::wstring& path, const std::string& content) {
  const std::wstring partial = path + L".partial";
  FILE* file = _wfopen(partial.c_str(), L"wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  return std::fclose(file) == 0 && written &&
         MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// Runs the child on this console and returns its full exit status.
DWORD runChild(const std::vector<std::wstring>& arguments) {
  const std::wstring ownPid = std::to_wstring(GetCurrentProcessId());
  std::wstring line;
  for (const std::wstring& argument : arguments) {
    if (!line.empty()) line += L' ';
    line += quoted(argument == L"{pid}" ? ownPid : argument);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return 0xFFFFFFFF;
  }
  DWORD status = 0xFFFFFFFE;
  if (WaitForSingleObject(process.hProcess, kWaitLimitMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &status);
  } else {
    TerminateProcess(process.hProcess, status);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
    return argument;
  }
  std::wstring result = L"\"";
  for (const wchar_t unit : argument) {
    if (unit == L'"') result += L'\\';
    result += unit;
  }
  return result + L"\"";
}

bool waitFor(bool (*condition)(const void*), const void* context, DWORD limitMs) {
  for (DWORD waited = 0; waited < limitMs; waited += kPollMs) {
    if (condition(context)) return true;
    Sleep(kPollMs);
  }
  return condition(context);
}

bool ctrlCArrived(const void*) {
  return InterlockedCompareExchange(&ctrlCReceived, 0, 0) != 0;
}

bool fileExists(const void* path) {
  return GetFileAttributesW(static_cast<const std::wstring*>(path)->c_str()) !=
         INVALID_FILE_ATTRIBUTES;
}

DWORD inputModeOf(HANDLE input) {
  DWORD mode = 0;
  return GetConsoleMode(input, &mode) ? mode : 0xFFFFFFFF;
}

std::string toUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string result(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                      nullptr, nullptr);
  return result;
}

std::string hex(unsigned long long value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", value);
  return text;
}

// The class of the console window: Windows Terminal gives a console a pseudo window, whose
// class differs from the classic console host's window.
std::string classOf(HWND window) {
  wchar_t name[256] = {};
  return window != nullptr && GetClassNameW(window, name, 256) > 0 ? toUtf8(name) : "";
}

}  // namespace
