# CPack post-build script of the Windows packages: each zip gets its SHA256SUMS and is
# rewritten in a fixed order (packaging/finish_zip.py). CPack's ZIP generator takes the order
# of the entries from the directory listing, which differs from one file system to another,
# and packs only the files that were installed, so the checksums go in here.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${CPACK_PACKAGING_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/finish_zip.py
                          ${package} $ENV{SOURCE_DATE_EPOCH}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
