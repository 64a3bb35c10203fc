// Binding a vendor library's functions by name at run time, the one loop behind both vendor
// lists (interfaces/): a program defines its list's macro as one bind (or require) call on a
// VendorBinding and includes the list, so that the functions are bound in the list's order
// and the first missing one is the one reported.
#pragma once

#include <string>

#include "os.h"

namespace common {

// How a program words the two failures: each makes the message of the error raised.
struct BindingMessages {
  std::string (*libraryNotLoaded)(const LibraryResult& library);
  std::string (*exportMissing)(const char* name, const LibraryResult& lookup);
};

// A loaded vendor library whose exports are looked up by name. Every failure raises Error,
// the program's fatal error type.
template <typename Error>
class VendorBinding {
 public:
  // Loads the library (loadVendorLibrary).
  VendorBinding(const LibraryFile& file, const BindingMessages& messages)
      : messages_(messages), library_(loadVendorLibrary(file)) {
    if (library_.address == nullptr) throw Error{messages_.libraryNotLoaded(library_)};
  }

  // The export's address, for a function the program requires without calling it.
  void* require(const char* name) const {
    const LibraryResult lookup = findLibraryExport(library_.address, name);
    if (lookup.address == nullptr) throw Error{messages_.exportMissing(name, lookup)};
    return lookup.address;
  }

  // Fills the slot with the export's address, typed as the slot is.
  template <typename Function>
  void bind(const char* name, Function& slot) const {
    slot = reinterpret_cast<Function>(require(name));
  }

 private:
  BindingMessages messages_;
  LibraryResult library_;
};

}  // namespace common
