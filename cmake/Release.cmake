# The programs that make up the product, and what each one carries.
#
# release_program(<target> <description>)
#   Puts the target's executable into bin/, the folder that holds the programs and nothing
#   else. In the Windows build the executable also gets a version resource made from
#   packaging/version.rc.in, with <description> as its FileDescription.
# The packages (packaging/CMakeLists.txt) install the programs from there.

set(PROGRAM_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(PRODUCT_NAME "Console GPU helpers")
# The copyright line is the licence's own, so that it is written in one place.
file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE PRODUCT_COPYRIGHT REGEX "^Copyright ")

function(release_program target description)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROGRAM_OUTPUT_DIRECTORY})
  if(WIN32)
    set(PROGRAM_DESCRIPTION ${description})
    set(PROGRAM_FILE_NAME ${target}${CMAKE_EXECUTABLE_SUFFIX})
    set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/version.rc.in ${resource} @ONLY)
    target_sources(${target} PRIVATE ${resource})
  endif()
endfunction()
