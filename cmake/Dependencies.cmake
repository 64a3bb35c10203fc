# Third-party headers and libraries, all from Debian's packages.
#
# Native build: nlohmann_json through its CMake package, the Level Zero loader through
# pkg-config, GoogleTest through its CMake package.
# Windows build: the header-only parts are exposed through a folder of their own, so that
# /usr/include never becomes an include path of the cross compiler.

if(WIN32)
  set(VENDOR_INCLUDE_DIR ${CMAKE_BINARY_DIR}/vendor-include)
  file(MAKE_DIRECTORY ${VENDOR_INCLUDE_DIR})
  foreach(header_dir nlohmann level_zero)
    file(CREATE_LINK /usr/include/${header_dir} ${VENDOR_INCLUDE_DIR}/${header_dir} SYMBOLIC)
  endforeach()
  add_library(vendor_headers INTERFACE)
  target_include_directories(vendor_headers SYSTEM INTERFACE ${VENDOR_INCLUDE_DIR})
  add_library(nlohmann_json::nlohmann_json ALIAS vendor_headers)
  add_library(level_zero_headers ALIAS vendor_headers)
else()
  find_package(nlohmann_json 3.11 REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(ZE_LOADER REQUIRED IMPORTED_TARGET libze_loader)
  add_library(level_zero_headers INTERFACE)
  target_include_directories(level_zero_headers SYSTEM INTERFACE ${ZE_LOADER_INCLUDE_DIRS})
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# Debian's own Python, which carries the python3-* packages that the test scripts import.
find_program(Python3_EXECUTABLE python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
