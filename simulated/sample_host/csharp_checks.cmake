# SampleHost.cs, compiled with Mono's mcs and run with mono against the Linux zeprobe (through
# Debian's loader) and the Linux radprobe test build: a table of one row per scenario of the kit
# (simulated/kit.json), each checked by tests/harness/check_csharp_sample_host.py against the
# suite's golden for it, or, for a scenario that hangs, against the host's time-out.
find_program(MCS mcs REQUIRED)
find_program(MONO mono REQUIRED)
set(CSHARP_HOST ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/SampleHost.exe)
add_custom_command(OUTPUT ${CSHARP_HOST}
  COMMAND ${MCS} -warnaserror+ -out:${CSHARP_HOST} ${CMAKE_CURRENT_SOURCE_DIR}/SampleHost.cs
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/SampleHost.cs VERBATIM)
add_custom_target(csharp_sample_host ALL DEPENDS ${CSHARP_HOST})

# How the Linux build runs a kit library's program, by the library's kit folder.
set(RUN_level_zero
    --env ZE_ENABLE_ALT_DRIVERS=$<TARGET_FILE:simulated_level_zero_driver> -- $<TARGET_FILE:zeprobe>)
set(RUN_display_library
    --env LD_LIBRARY_PATH=$<TARGET_FILE_DIR:simulated_display_library> -- $<TARGET_FILE:radprobe>)

# csharp_host_test(<name> <kit folder> <scenario variable=file> <golden prefix | HANGS>
#                  [ENV k=v...] [ARGS arg...])
#   The host runs the kit folder's program with the scenario, in the caller's environment with
#   the ENV settings, and must print the golden's run or, with HANGS, end it at its time-out.
function(csharp_host_test name folder scenario expect)
  cmake_parse_arguments(PARSE_ARGV 4 ROW "" "" "ENV;ARGS")
  set(ending --expect ${expect})
  if(expect STREQUAL "HANGS")
    set(ending --hangs)
  endif()
  set(options)
  foreach(item ${scenario} ${ROW_ENV})
    list(APPEND options --env ${item})
  endforeach()
  add_test(NAME ${name}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/harness/check_csharp_sample_host.py
            --mono ${MONO} --host ${CSHARP_HOST} --hung-timeout-ms ${HUNG_TIMEOUT_MS} ${ending}
            ${options} ${RUN_${folder}} ${ROW_ARGS})
endfunction()

set(KIT_MANIFEST ${CMAKE_SOURCE_DIR}/simulated/kit.json)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KIT_MANIFEST})
file(READ ${KIT_MANIFEST} kit)
string(JSON HUNG_TIMEOUT_MS GET "${kit}" timeouts_ms hangs)
string(JSON library_count LENGTH "${kit}" libraries)
math(EXPR last_library "${library_count} - 1")
foreach(library RANGE ${last_library})
  foreach(key source folder variable program goldens)
    string(JSON ${key} GET "${kit}" libraries ${library} ${key})
  endforeach()
  string(REGEX REPLACE "\\.exe$" "" program "${program}")
  string(JSON scenario_count LENGTH "${kit}" libraries ${library} scenarios)
  math(EXPR last_scenario "${scenario_count} - 1")
  foreach(index RANGE ${last_scenario})
    string(JSON scenario GET "${kit}" libraries ${library} scenarios ${index})
    string(JSON name GET "${scenario}" name)
    # Optional members: a scenario that ends as another does names that one's golden.
    string(JSON golden ERROR_VARIABLE absent GET "${scenario}" golden)
    if(absent)
      set(golden ${name})
    endif()
    # A crash's golden differs between the systems: the manifest names the Windows one.
    string(JSON crashes ERROR_VARIABLE absent GET "${scenario}" crashes)
    if(NOT absent AND crashes)
      set(golden ${name}_${GOLDEN_SYSTEM})
    endif()
    set(expect ${CMAKE_SOURCE_DIR}/${goldens}/${golden})
    string(JSON hangs ERROR_VARIABLE absent GET "${scenario}" hangs)
    if(NOT absent AND hangs)
      set(expect HANGS)
    endif()
    set(arguments)
    string(JSON argument_count ERROR_VARIABLE absent LENGTH "${scenario}" arguments)
    if(NOT absent AND argument_count GREATER 0)
      math(EXPR last_argument "${argument_count} - 1")
      foreach(argument RANGE ${last_argument})
        string(JSON value GET "${scenario}" arguments ${argument})
        list(APPEND arguments ${value})
      endforeach()
    endif()
    csharp_host_test(
      sample_host.GivenAKitScenario_WhenTheCSharpSampleHostRunsIt_ThenItEndsAsTheKitReadmeSays.${program}_${name}
      ${folder} ${variable}=${CMAKE_SOURCE_DIR}/${source}/${name}.json ${expect} ARGS ${arguments})
  endforeach()
endforeach()

# Names beyond ASCII, which the kit's scenarios do not hold, must arrive byte for byte also in
# the C locale, where .NET's default decoding (the locale's, under Mono) gives '?' for each
# character beyond ASCII.
set(names_test sample_host.GivenNamesBeyondAscii_WhenTheCSharpSampleHostRunsZeprobe_ThenTheyArriveByteForByte)
set(names_scenario ZE_SIM_SCENARIO=${CMAKE_SOURCE_DIR}/simulated/level_zero/scenarios/device_names.json)
set(names_golden ${CMAKE_SOURCE_DIR}/zeprobe/tests/golden/device_names)
csharp_host_test(${names_test}.caller_locale level_zero ${names_scenario} ${names_golden})
csharp_host_test(${names_test}.c_locale level_zero ${names_scenario} ${names_golden}
                 ENV LANG=C LC_ALL=C)
