# The test kit's install rules, included by packaging/CMakeLists.txt in the Windows build,
# where CPack makes the kit's zip (component "kit"): the two simulated libraries, the sample
# hosts, the self-check and the console target of its pidctl cases, the scenarios of kit.json
# with the expected results of each, the scenario schemas, the kit's README, its notices and
# its bill of materials.

# The kit's README, scenarios, expected results and the self-check's list of scenarios,
# from this folder's README and kit.json, the simulated libraries' READMEs and scenario files
# and the goldens; the stamp marks the folder as made.
set(KIT_FILES ${CMAKE_CURRENT_BINARY_DIR}/kit)
file(GLOB kit_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/kit.json
     ${CMAKE_CURRENT_LIST_DIR}/README.md ${CMAKE_SOURCE_DIR}/simulated/*/README.md
     ${CMAKE_SOURCE_DIR}/simulated/*/scenarios/*.json
     ${CMAKE_SOURCE_DIR}/*/tests/golden/*.status ${CMAKE_SOURCE_DIR}/*/tests/golden/*.stdout
     ${CMAKE_SOURCE_DIR}/*/tests/golden/*.stderr)
add_custom_command(OUTPUT ${KIT_FILES}.stamp
  COMMAND ${Python3_EXECUTABLE} ${README_MAKER} kit ${CMAKE_SOURCE_DIR} ${KIT_FILES}
          ${PROJECT_VERSION}
  COMMAND ${CMAKE_COMMAND} -E touch ${KIT_FILES}.stamp
  DEPENDS ${README_MAKER} ${kit_sources}
  COMMENT "Writing the kit's README and scenarios")
add_custom_target(kit_files ALL DEPENDS ${KIT_FILES}.stamp)
# The kit's libraries and programs, built by these targets.
set(KIT_BINARIES simulated_level_zero_loader simulated_display_library sample_host kit_check
    console_target)
list(TRANSFORM KIT_BINARIES REPLACE "(.+)" "$<TARGET_FILE_NAME:\\1>"
               OUTPUT_VARIABLE kit_binary_names)
list(JOIN kit_binary_names "," kit_binary_list)
mingw_runtime_notices(kit_runtime_notices
  "both libraries, sample_host.exe, kit_check.exe and console_target.exe" "${kit_binary_list}")
write_notices(${PACKAGE_FILES}/kit/THIRD-PARTY-NOTICES.txt
  "Third-party code in the test kit of ${PRODUCT_NAME} ${PROJECT_VERSION}\n\n\
The two libraries, the sample host, the self-check and the console target contain code of the \
libraries below. \
The licence of each follows as the \
copyright file of the Debian package that the build took it from gives it.\n"
  BILL_OF_MATERIALS ${PACKAGE_FILES}/kit/${BILL_OF_MATERIALS} FOR ${PROJECT_NAME}-simulated
  "nlohmann-json3-dev|JSON for Modern C++ (nlohmann/json), header-only: compiled into both \
libraries, which read the scenario files with it, and into kit_check.exe, which reads its list \
of scenarios with it|nlohmann-json|MIT|$<TARGET_FILE_NAME:simulated_level_zero_loader>,\
$<TARGET_FILE_NAME:simulated_display_library>,$<TARGET_FILE_NAME:kit_check>"
  ${kit_runtime_notices})
install(DIRECTORY ${KIT_FILES}/ DESTINATION ${KIT_PACKAGE_FOLDER} COMPONENT kit)
list(TRANSFORM KIT_BINARIES REPLACE "(.+)" "$<TARGET_FILE:\\1>" OUTPUT_VARIABLE kit_binary_files)
install(PROGRAMS ${kit_binary_files} DESTINATION ${KIT_PACKAGE_FOLDER} COMPONENT kit)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/sample_host.cpp
              ${CMAKE_CURRENT_LIST_DIR}/kit_check.cpp
              ${CMAKE_CURRENT_LIST_DIR}/kit_check.h
              ${CMAKE_CURRENT_LIST_DIR}/pidctl_cases.cpp
              ${CMAKE_CURRENT_LIST_DIR}/console_target.cpp
              ${CMAKE_CURRENT_LIST_DIR}/SampleHost.cs
              ${CMAKE_SOURCE_DIR}/LICENSE ${PACKAGE_FILES}/kit/THIRD-PARTY-NOTICES.txt
              ${PACKAGE_FILES}/kit/${BILL_OF_MATERIALS}
        DESTINATION ${KIT_PACKAGE_FOLDER} COMPONENT kit)
install(FILES ${CMAKE_SOURCE_DIR}/simulated/schemas/level-zero-scenario.schema.json
              ${CMAKE_SOURCE_DIR}/simulated/schemas/display-library-scenario.schema.json
        DESTINATION ${KIT_PACKAGE_FOLDER}/schemas COMPONENT kit)
