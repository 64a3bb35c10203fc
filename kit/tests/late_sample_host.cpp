// late_sample_host: a stand-in for the kit's sample host that ends a hung run three seconds
// late, so that the release check can see the kit's self-check fail a host that is late
// (tests/harness/check_release.py kit-host-runs, whose copy of the kit lists the hung scenario
// alone). In that copy it takes the place of sample_host.exe, whose own copy,
// sample_host_on_time.exe, stands beside it. It runs that with its own arguments and standard
// error, passes its printout and status on, and when the printout says that the time-out ended
// the program, ends three seconds later than the sample host did.
#include <windows.h>

#include <string>

namespace {

constexpr DWORD kLatenessMs = 3000;
constexpr char kTimedOutLine[] = "\ntimed out: yes\n";

std::wstring besideThisProgram(const wchar_t* name);
std::wstring argumentsAfterTheFirst(const wchar_t* commandLine);
std::string readToItsEnd(HANDLE reader);
void writeAll(HANDLE handle, const std::string& bytes);

}  // namespace

int wmain() {
  const std::wstring host = besideThisProgram(L"sample_host_on_time.exe");
  std::wstring line = L"\"" + host + L"\"" + argumentsAfterTheFirst(GetCommandLineW());
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE reader = nullptr, writer = nullptr;
  if (!CreatePipe(&reader, &writer, &inheritable, 0)) return 1;
  SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writer;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION started = {};
  const bool created = CreateProcessW(host.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &started);
  CloseHandle(writer);
  if (!created) return 1;
  const std::string printed = readToItsEnd(reader);
  CloseHandle(reader);
  WaitForSingleObject(started.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(started.hProcess, &status);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  writeAll(GetStdHandle(STD_OUTPUT_HANDLE), printed);
  // The caller reads until this program's standard output closes, when it ends.
  if (printed.find(kTimedOutLine) != std::string::npos) Sleep(kLatenessMs);
  return static_cast<int>(status);
}

namespace {

std::wstring besideThisProgram(const wchar_t* name) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
         path.size()) {
    path.resize(path.size() * 2);
  }
  path.resize(length);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// The command line without its first argument, this program's name: quoted, it ends at the
// next quote, otherwise at the first blank.
std::wstring argumentsAfterTheFirst(const wchar_t* commandLine) {
  const std::wstring line = commandLine;
  const std::size_t end =
      line.starts_with(L'"') ? line.find(L'"', 1) + 1 : line.find_first_of(L" \t");
  return end == std::wstring::npos || end == 0 ? std::wstring() : line.substr(end);
}

std::string readToItsEnd(HANDLE reader) {
  std::string bytes;
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(reader, buffer, sizeof buffer, &count, nullptr)) bytes.append(buffer, count);
  return bytes;
}

void writeAll(HANDLE handle, const std::string& bytes) {
  DWORD written = 0;
  for (std::size_t offset = 0; offset < bytes.size(); offset += written) {
    if (!WriteFile(handle, bytes.data() + offset, static_cast<DWORD>(bytes.size() - offset),
                   &written, nullptr)) {
      return;
    }
  }
}

}  // namespace
