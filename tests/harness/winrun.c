/* winrun: starts a Windows program, passes its standard streams through, and records its
 * full 32-bit exit code, which a Linux parent of Wine cannot see (it gets the low byte only).
 *
 *   winrun <status-file> <program> [arguments...]
 *
 * The exit code is written to <status-file> as an unsigned decimal number and a newline;
 * winrun itself exits with the same code. Failure to start the program is status 0xFFFFFFFF
 * with a message on standard error. */
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>
#include <windows.h>

/* Appends one argument to the command line, quoted by the rules that CommandLineToArgvW
 * and the C runtime use to split it again. A plain word goes in as it is, so that programs
 * with their own parsing (cmd.exe) read it too. */
static void append_quoted(wchar_t* line, size_t* used, const wchar_t* arg) {
  if (*arg != L'\0' && wcspbrk(arg, L" \t\"") == NULL) {
    wcscpy(line + *used, arg);
    *used += wcslen(arg);
    return;
  }
  line[(*used)++] = L'"';
  for (const wchar_t* p = arg;; ++p) {
    size_t backslashes = 0;
    while (*p == L'\\') {
      ++backslashes;
      ++p;
    }
    if (*p == L'\0') {
      for (size_t i = 0; i < backslashes * 2; ++i) line[(*used)++] = L'\\';
      break;
    }
    if (*p == L'"') backslashes = backslashes * 2 + 1;
    for (size_t i = 0; i < backslashes; ++i) line[(*used)++] = L'\\';
    line[(*used)++] = *p;
  }
  line[(*used)++] = L'"';
}

static wchar_t* build_command_line(int count, wchar_t** args) {
  size_t capacity = 1;
  for (int i = 0; i < count; ++i) capacity += 2 * wcslen(args[i]) + 3;
  wchar_t* line = calloc(capacity, sizeof *line);
  if (line == NULL) return NULL;
  size_t used = 0;
  for (int i = 0; i < count; ++i) {
    if (i > 0) line[used++] = L' ';
    append_quoted(line, &used, args[i]);
  }
  line[used] = L'\0';
  return line;
}

static DWORD run(int count, wchar_t** args) {
  wchar_t* line = build_command_line(count, args);
  if (line == NULL) return ERROR_OUTOFMEMORY;
  STARTUPINFOW startup = {.cb = sizeof startup,
                          .dwFlags = STARTF_USESTDHANDLES,
                          .hStdInput = GetStdHandle(STD_INPUT_HANDLE),
                          .hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE),
                          .hStdError = GetStdHandle(STD_ERROR_HANDLE)};
  PROCESS_INFORMATION process;
  if (!CreateProcessW(NULL, line, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
    fwprintf(stderr, L"winrun: cannot start %ls: error %lu\n", args[0], GetLastError());
    free(line);
    return 0xFFFFFFFFu;
  }
  free(line);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0xFFFFFFFFu;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fputs("usage: winrun <status-file> <program> [arguments...]\n", stderr);
    return 2;
  }
  DWORD code = run(argc - 2, argv + 2);
  FILE* status = _wfopen(argv[1], L"w");
  if (status == NULL) {
    fwprintf(stderr, L"winrun: cannot write %ls\n", argv[1]);
    return 2;
  }
  fprintf(status, "%lu\n", (unsigned long)code);
  fclose(status);
  return (int)code;
}
