# CPack pre-build script of the Windows package: SHA256SUMS over every other file of the
# package, in the format of sha256sum, so that `sha256sum -c SHA256SUMS` checks an unpacked
# copy.
set(root ${CPACK_TEMPORARY_DIRECTORY})
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
list(REMOVE_ITEM files SHA256SUMS)
set(sums "")
foreach(file IN LISTS files)
  file(SHA256 ${root}/${file} hash)
  string(APPEND sums "${hash}  ${file}\n")
endforeach()
file(WRITE ${root}/SHA256SUMS "${sums}")
