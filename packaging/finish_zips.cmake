# CPack post-build script of the Windows packages: each zip gets its bill of materials' file
# checksums and its SHA256SUMS and is rewritten in a fixed order (packaging/finish_zip.py).
# CPack's ZIP generator takes the order of the entries from the directory listing, which
# differs from one file system to another, and packs only the files that were installed, so
# the checksums go in here. CPack writes each package's .sha256 after this script, so that it
# describes the finished zip.
#
# Signing: when the environment variable CODE_SIGNING_PKCS12 names a PKCS#12 file (certificate
# and private key), the product's programs are signed with it (Authenticode, SHA-256) before
# their checksums are taken; CODE_SIGNING_PASSWORD holds its password, which finish_zip.py
# hands to osslsigncode in a file, never on a command line. The signing time is
# SOURCE_DATE_EPOCH, so that signing the same commit twice gives the same bytes.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  set(signing)
  get_filename_component(name ${package} NAME)
  if(NOT "$ENV{CODE_SIGNING_PKCS12}" STREQUAL ""
     AND name STREQUAL "${CPACK_ARCHIVE_PRODUCT_FILE_NAME}.zip")
    set(signing --sign $ENV{CODE_SIGNING_PKCS12} ${CPACK_PACKAGING_SIGNED_PROGRAMS})
  endif()
  execute_process(COMMAND ${CPACK_PACKAGING_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/finish_zip.py
                          ${package} $ENV{SOURCE_DATE_EPOCH} ${signing}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
