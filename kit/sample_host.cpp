// sample_host: how a host application runs zeprobe.exe, radprobe.exe or pidctl.exe. A teaching
// example, meant to be copied: every step a host needs, and nothing else.
//
//   sample_host <time-out in milliseconds> <full path of the program> [arguments...]
//
// It starts the program without a console window and without standard input, reads the
// program's standard output and standard error at the same time, ends the program (and
// anything the program started) when it has not finished within the time-out, then prints:
//
//   status: <exit status as an unsigned 32-bit number> (0x<the same in hex>)
//   timed out: yes | no
//   standard output: <N> bytes
//   <the N bytes, exactly as read>
//   standard error: <M> bytes
//   <the M bytes, exactly as read>
//
// A program ended by the time-out has the status 1460 (ERROR_TIMEOUT), which the host gives it.
// sample_host itself ends with 0 after printing, 1 when the program could not be started (the
// failed step and its Windows error code on standard error), 2 on a wrong command line.
//
// Built with MinGW-w64: x86_64-w64-mingw32-g++-posix -municode -static sample_host.cpp
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <thread>

namespace {

// The status that a program ended by the time-out gets.
constexpr UINT kTimedOutStatus = ERROR_TIMEOUT;

// Closes a handle when it goes out of scope, on every path.
struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

struct Outcome {
  DWORD status = 0;
  bool timedOut = false;
  std::string output;
  std::string errors;
};

std::wstring commandLine(int count, wchar_t** arguments);
bool run(const wchar_t* program, std::wstring line, DWORD timeoutMs, Outcome* outcome);
void print(const Outcome& outcome);
std::wstring quoted(const std::wstring& argument);
Handle killOnCloseJob();
bool failed(const char* step);
void readToEnd(HANDLE pipe, std::string* text);
void printStream(const char* name, const std::string& bytes);

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t* end = nullptr;
  unsigned long timeoutMs = argc >= 3 ? std::wcstoul(argv[1], &end, 10) : 0;
  if (argc < 3 || end == argv[1] || *end != L'\0' || timeoutMs >= INFINITE) {
    std::fputs("usage: sample_host <time-out in milliseconds> <program> [arguments...]\n", stderr);
    return 2;
  }
  Outcome outcome;
  if (!run(argv[2], commandLine(argc - 2, argv + 2), timeoutMs, &outcome)) return 1;
  print(outcome);
  return 0;
}

namespace {

std::wstring commandLine(int count, wchar_t** arguments) {
  std::wstring line = quoted(arguments[0]);
  for (int index = 1; index < count; ++index) {
    line += L" " + quoted(arguments[index]);
  }
  return line;
}

// One argument of a command line, quoted so that the program's C runtime reads it back
// unchanged (the rules of CommandLineToArgvW): backslashes are doubled only where a quote
// follows them, and a quote inside the argument is written as \".
std::wstring quoted(const std::wstring& argument) {
  std::wstring text = L"\"";
  size_t backslashes = 0;
  for (wchar_t character : argument) {
    if (character == L'\\') {
      ++backslashes;
      continue;
    }
    if (character == L'"') {
      backslashes = backslashes * 2 + 1;
    }
    text.append(backslashes, L'\\');
    text += character;
    backslashes = 0;
  }
  text.append(backslashes * 2, L'\\');
  return text + L"\"";
}

// Runs the program with the time-out; false when it could not be started.
bool run(const wchar_t* program, std::wstring line, DWORD timeoutMs, Outcome* outcome) {
  // 1. The job that the program runs in: ending the job ends the program and everything it
  //    started, which TerminateProcess on the program alone would leave running.
  Handle job = killOnCloseJob();
  if (!job) return failed("CreateJobObjectW");

  // 2. Standard output and standard error: a pipe each. The program inherits the write ends
  //    only; standard input is NUL, so a program that reads it sees its end at once.
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE outputRead, outputWrite, errorRead, errorWrite;
  if (!CreatePipe(&outputRead, &outputWrite, &inheritable, 0)) return failed("CreatePipe");
  Handle outputReader(outputRead), outputWriter(outputWrite);
  if (!CreatePipe(&errorRead, &errorWrite, &inheritable, 0)) return failed("CreatePipe");
  Handle errorReader(errorRead), errorWriter(errorWrite);
  if (!SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0) ||
      !SetHandleInformation(errorRead, HANDLE_FLAG_INHERIT, 0)) {
    return failed("SetHandleInformation");
  }
  Handle nul(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                         OPEN_EXISTING, 0, nullptr));
  if (nul.get() == INVALID_HANDLE_VALUE) return failed("CreateFileW(NUL)");

  // 3. Start it suspended, without a console window, with the full path of the program (so
  //    that Windows searches no folder for it). Handles are inherited (TRUE): the three set
  //    here, and any other inheritable handle of the host. A host that starts programs from
  //    several threads at once should list the three in PROC_THREAD_ATTRIBUTE_HANDLE_LIST.
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.get();
  startup.hStdOutput = outputWrite;
  startup.hStdError = errorWrite;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(program, line.data(), nullptr, nullptr, TRUE,
                      CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &startup, &started)) {
    return failed("CreateProcessW");
  }
  Handle process(started.hProcess), thread(started.hThread);
  // The host's copies of the write ends must go now: a pipe reaches its end only when every
  // write end is closed, and the host never writes to them.
  outputWriter.reset();
  errorWriter.reset();
  nul.reset();

  // 4. Into the job, then let it run: assigned while suspended, it starts nothing outside.
  if (!AssignProcessToJobObject(job.get(), process.get())) {
    failed("AssignProcessToJobObject");
    TerminateProcess(process.get(), 1);
    return false;
  }
  ResumeThread(thread.get());

  // 5. Read both streams at once, one thread each. Reading one to its end before the other
  //    can wait forever: the program blocks writing to the other pipe once it is full (a few
  //    kilobytes), and never ends.
  std::thread outputThread(readToEnd, outputRead, &outcome->output);
  std::thread errorThread(readToEnd, errorRead, &outcome->errors);

  // 6. Wait for the program with the time-out; past it (or should the wait fail), end the
  //    whole job. Nothing is lost:
  //    the programs change nothing on the machine, so a run that is ended can be run again.
  if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
    outcome->timedOut = true;
    TerminateJobObject(job.get(), kTimedOutStatus);
    WaitForSingleObject(process.get(), INFINITE);
  }
  GetExitCodeProcess(process.get(), &outcome->status);
  // Closing the job ends whatever the program started and left running, so that the pipes
  // reach their ends and the reading threads finish.
  job.reset();
  outputThread.join();
  errorThread.join();
  return true;
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

bool failed(const char* step) {
  std::fprintf(stderr, "sample_host: %s failed: %lu\n", step, GetLastError());
  return false;
}

// Reads a pipe to its end. ReadFile fails with ERROR_BROKEN_PIPE once every write end of the
// pipe is closed: the program and whatever inherited its handles have ended. (A read can also
// succeed with 0 bytes, when the program writes 0 bytes: that is not the end.)
void readToEnd(HANDLE pipe, std::string* text) {
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &count, nullptr)) {
    text->append(buffer, count);
  }
}

void print(const Outcome& outcome) {
  // The bytes exactly as read: no CR added before each LF.
  _setmode(_fileno(stdout), _O_BINARY);
  // The status is a 32-bit unsigned value (a crash gives 0xC0000005, for example), never a
  // signed byte.
  unsigned long status = outcome.status;
  std::printf("status: %lu (0x%08lX)\n", status, status);
  std::printf("timed out: %s\n", outcome.timedOut ? "yes" : "no");
  printStream("standard output", outcome.output);
  printStream("standard error", outcome.errors);
}

void printStream(const char* name, const std::string& bytes) {
  std::printf("%s: %llu bytes\n", name, static_cast<unsigned long long>(bytes.size()));
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

}  // namespace
