// The adapter list the library reports and the adapters radprobe keeps from it.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "adl_abi.h"
#include "adl_binding.h"
#include "free_deleter.h"

namespace radprobe {

// A place in the program's source, as a fatal check's report line names it.
struct CallSite {
  const char* function;
  int line;
};

// The AMD adapters of the library's list (keepAmdAdapters): the count query, then, for a
// positive count, a zero-filled buffer of that many records (allocateAdapterBuffer) and the
// record query that fills it. A failing query is fatal (checkAdl), and its report line names
// the caller's site, the step of main that reads the list, rather than this function: that
// line is part of the output hosts read, and it names func 'main' for every fatal check.
std::vector<adl::AdapterInfo> readAmdAdapters(adl::Context context, CallSite caller);

using AdapterBuffer = std::unique_ptr<adl::AdapterInfo[], common::FreeDeleter>;

// A zero-filled array of count records. Raises std::bad_alloc when the memory is not there or
// when its byte size does not fit the library's 32-bit size argument.
AdapterBuffer allocateAdapterBuffer(int count);

// The AMD adapters in the buffer's order, skipping a record whose bus and device numbers
// equal those of the adapter kept just before it (further functions of the same device).
std::vector<adl::AdapterInfo> keepAmdAdapters(std::span<const adl::AdapterInfo> adapters);

}  // namespace radprobe
