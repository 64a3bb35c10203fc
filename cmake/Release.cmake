# The programs that make up the product.
#
# release_program(<target> <description>)
#   Puts the target's executable into bin/, the folder that holds the programs and nothing
#   else.

set(PROGRAM_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

function(release_program target description)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROGRAM_OUTPUT_DIRECTORY})
endfunction()
