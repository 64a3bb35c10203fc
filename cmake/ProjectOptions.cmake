# Compiler settings shared by every target of the project's own code.

# Strict warnings, each an error, on our own code only; vendor headers come in as system
# includes.
function(add_strict_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# No build folder in any output (debug information, file names in code), so that two build
# folders of the same sources give the same bytes. The build folder may lie inside the source
# folder; its mapping comes last, which makes it the one that applies there.
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")

if(WIN32)
  # The Windows programs are linked statically so that they need no compiler runtime DLL.
  add_link_options(-static)
  # ASLR with 64-bit entropy and DEP, stated rather than left to the linker's defaults; no
  # link time stamp in the header, so that a rebuild gives the same bytes.
  add_link_options(-Wl,--dynamicbase,--high-entropy-va,--nxcompat,--no-insert-timestamp)
  # Release executables carry no symbols: the static C++ runtime alone brings about 1.5 MB
  # of debug sections.
  add_link_options($<$<CONFIG:Release>:-s>)
endif()

# Optional sanitizer build of the native code (see the "sanitize" preset).
option(PROJECT_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(PROJECT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Optional fuzzing build (see the "fuzz" preset, clang): the libFuzzer targets and the
# libraries they test, all of it instrumented for libFuzzer's coverage feedback and checked by
# AddressSanitizer and UndefinedBehaviorSanitizer. Each fuzz target links libFuzzer itself.
option(PROJECT_FUZZ "Build the libFuzzer targets and the libraries they test, not the programs"
       OFF)
if(PROJECT_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
