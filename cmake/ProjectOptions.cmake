# Compiler settings shared by every target of the project's own code.

# Strict warnings on our own code only; vendor headers come in as system includes.
function(project_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# The Windows programs are linked statically so that they need no compiler runtime DLL.
if(WIN32)
  add_link_options(-static)
endif()

# Optional sanitizer build of the native code (see the "sanitize" preset).
option(PROJECT_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(PROJECT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
