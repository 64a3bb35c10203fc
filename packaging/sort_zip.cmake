# CPack post-build script of the Windows package. CPack's ZIP generator takes the order of the
# entries from the directory listing, which differs from one file system to another; this
# rewrites the archive in a fixed order (packaging/normalise_zip.py).
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${CPACK_PACKAGING_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/normalise_zip.py
                          ${package} $ENV{SOURCE_DATE_EPOCH}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
