# The programs that make up the product, and what each one carries.
#
# release_program(<target> <description>)
#   Puts the target's executable into bin/, the folder that holds the programs and nothing
#   else, and installs it into the package (packaging/CMakeLists.txt): in the Windows zip's
#   top folder, under bin/ in the Debian package. In the Windows build the executable also
#   gets a version resource made from packaging/version.rc.in, with <description> as its
#   FileDescription. The programs are listed in two global properties, which the packaging
#   checks read: RELEASE_PROGRAMS (the targets) and RELEASE_PROGRAM_FILES (their file names).

set(PROGRAM_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# The package's folder of the programs: the Windows zip's top folder, named like the zip.
if(WIN32)
  set(PRODUCT_PACKAGE_FOLDER ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
  set(PROGRAM_INSTALL_DESTINATION ${PRODUCT_PACKAGE_FOLDER})
else()
  set(PROGRAM_INSTALL_DESTINATION bin)
endif()
set(PRODUCT_NAME "Console GPU helpers")
# The copyright line is the licence's own, so that it is written in one place.
file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE PRODUCT_COPYRIGHT REGEX "^Copyright ")

function(release_program target description)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROGRAM_OUTPUT_DIRECTORY})
  set(PROGRAM_FILE_NAME ${target}${CMAKE_EXECUTABLE_SUFFIX})
  set_property(GLOBAL APPEND PROPERTY RELEASE_PROGRAMS ${target})
  set_property(GLOBAL APPEND PROPERTY RELEASE_PROGRAM_FILES ${PROGRAM_FILE_NAME})
  install(TARGETS ${target} RUNTIME DESTINATION ${PROGRAM_INSTALL_DESTINATION} COMPONENT product)
  if(WIN32)
    set(PROGRAM_DESCRIPTION ${description})
    set(resource ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/version.rc.in ${resource} @ONLY)
    target_sources(${target} PRIVATE ${resource})
  endif()
endfunction()
