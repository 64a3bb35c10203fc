# Read by cpack for every package (CPACK_PROJECT_CONFIG_FILE). Every file in a package gets
# the time SOURCE_DATE_EPOCH; unless the caller sets it, that is the time of the commit being
# packed, so that packing the same commit twice gives the same bytes.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git -C ${CPACK_PACKAGING_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_status ERROR_QUIET)
  if(NOT git_status EQUAL 0 OR commit_time STREQUAL "")
    # Sources without git history: 1980-01-01, the earliest time a zip entry can carry.
    set(commit_time 315532800)
  endif()
  set(ENV{SOURCE_DATE_EPOCH} ${commit_time})
endif()
