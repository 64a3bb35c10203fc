// Ownership of memory that C code hands over: what a vendor library allocated through the
// program's malloc callback, and what calloc returned.
#pragma once

#include <cstdlib>

namespace common {

struct FreeDeleter {
  void operator()(void* memory) const { std::free(memory); }
};

}  // namespace common
