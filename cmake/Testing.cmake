# Test helpers shared by the three programs' test folders.
#
# add_golden_test(<name> EXPECT <prefix> [ENV <key=value>...] [WORKING_DIRECTORY <dir>]
#                 [STDOUT <mode>] [AT_LEAST <seconds>] [SIMULATED_LIBRARIES_IN_SYSTEM32] [CRASH]
#                 COMMAND <program> [<arg>...])
#   Runs the program once and compares standard output, standard error and exit status with
#   <prefix>.stdout, <prefix>.stderr and <prefix>.status (see tests/harness/golden.py).
#   STDOUT gives the program another standard output than a pipe: file, full (/dev/full),
#   closed, or gone (a pipe whose reader has gone); see golden.py's --stdout. AT_LEAST fails a
#   run that ends sooner: a scenario's scripted delays must hold the program.
#   In the Windows build the program runs under Wine, through winrun for the full exit
#   status, and CR LF line ends are expected. SIMULATED_LIBRARIES_IN_SYSTEM32 runs it in a Wine prefix
#   of its own whose System32 holds the simulated libraries, as a vendor's driver installs its
#   library there; every other run shares a prefix without them.
#   CRASH: the program is to crash inside a simulated library (a scenario's "crash"). Under Wine it runs
#   in a prefix of its own whose debugger is switched off, so that the status is the exception
#   code, as on Windows, and not that of Wine's debugger; standard error is left uncompared
#   there, since Wine writes its own crash text on it where Windows writes nothing (the
#   golden's .stderr holds what Windows gives). In the sanitize build AddressSanitizer leaves
#   the fault to the system (handle_segv=0), so that the run ends by SIGSEGV as in the plain
#   build instead of with the sanitizer's report.
#
# add_tests_folder()
#   Adds the calling folder's tests/ folder where the build holds tests (PROJECT_TESTS_FOLDERS,
#   decided by the top-level CMakeLists.txt).
#
# add_import_check(<target> <dll>...)
#   Windows build only: fails unless the target's executable imports exactly from the listed
#   DLLs or a subset of them (names compared without regard to case).
#
# add_program_copy(<target> <folder>)
#   Keeps a copy of the target's file in <folder>, refreshed by every build: a target of the
#   calling test folder, so that the program's own CMake file builds the program and nothing
#   else. The Windows tests run such copies beside the simulated libraries they need, since
#   Windows looks for a program's libraries in the program's own folder; bin/ holds no
#   simulated library. <folder> is a path or another target's folder, $<TARGET_FILE_DIR:<name>>; the
#   copy's target is copy_<target>_to_<place>, <place> being that name or the path's last
#   component.

set(GOLDEN_PY ${CMAKE_SOURCE_DIR}/tests/harness/golden.py)
# Goldens whose content differs between the systems end in _linux or _windows.
if(WIN32)
  set(GOLDEN_SYSTEM windows)
else()
  set(GOLDEN_SYSTEM linux)
endif()
set(WINE_TEST_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(WINE_FIXTURE wine_session)
set(WINE_SYSTEM32_PREFIX ${CMAKE_BINARY_DIR}/wineprefix_system32)
set(WINE_SYSTEM32_FIXTURE wine_session_system32)
set(WINE_NO_DEBUGGER_PREFIX ${CMAKE_BINARY_DIR}/wineprefix_no_debugger)
set(WINE_NO_DEBUGGER_FIXTURE wine_session_no_debugger)

function(add_golden_test name)
  cmake_parse_arguments(PARSE_ARGV 1 GOLDEN "SIMULATED_LIBRARIES_IN_SYSTEM32;CRASH"
                        "EXPECT;WORKING_DIRECTORY;STDOUT;AT_LEAST" "ENV;COMMAND")
  set(options --expect ${GOLDEN_EXPECT})
  if(GOLDEN_STDOUT)
    list(APPEND options --stdout ${GOLDEN_STDOUT})
  endif()
  if(GOLDEN_AT_LEAST)
    list(APPEND options --at-least ${GOLDEN_AT_LEAST})
  endif()
  if(GOLDEN_CRASH AND PROJECT_SANITIZE)
    list(APPEND GOLDEN_ENV ASAN_OPTIONS=handle_segv=0)
  endif()
  foreach(item IN LISTS GOLDEN_ENV)
    list(APPEND options --env ${item})
  endforeach()
  if(GOLDEN_WORKING_DIRECTORY)
    list(APPEND options --cwd ${GOLDEN_WORKING_DIRECTORY})
  endif()
  set(prefix ${WINE_TEST_PREFIX})
  set(fixture ${WINE_FIXTURE})
  if(GOLDEN_SIMULATED_LIBRARIES_IN_SYSTEM32)
    set(prefix ${WINE_SYSTEM32_PREFIX})
    set(fixture ${WINE_SYSTEM32_FIXTURE})
  endif()
  if(GOLDEN_CRASH AND WIN32)
    set(prefix ${WINE_NO_DEBUGGER_PREFIX})
    set(fixture ${WINE_NO_DEBUGGER_FIXTURE})
    list(APPEND options --stderr-uncompared)
  endif()
  if(WIN32)
    list(APPEND options --crlf --wine $<TARGET_FILE:winrun> --wineprefix ${prefix})
  endif()
  add_test(NAME ${name} COMMAND ${Python3_EXECUTABLE} ${GOLDEN_PY} ${options} -- ${GOLDEN_COMMAND})
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${fixture})
  endif()
endfunction()

macro(add_tests_folder)
  if(PROJECT_TESTS_FOLDERS)
    add_subdirectory(tests)
  endif()
endmacro()

function(add_import_check target)
  add_test(NAME ${target}.GivenTheExecutable_WhenReadingItsImports_ThenOnlyTheAllowedDllsAppear
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/harness/check_imports.py
                   $<TARGET_FILE:${target}> ${ARGN})
endfunction()

function(add_program_copy target folder)
  string(REGEX REPLACE "^\\$<TARGET_FILE_DIR:(.+)>$" "\\1" place "${folder}")
  get_filename_component(place "${place}" NAME)
  set(copy copy_${target}_to_${place})
  add_custom_target(${copy} ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${folder}/
    VERBATIM)
  add_dependencies(${copy} ${target})
endfunction()
