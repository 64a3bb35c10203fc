// The adapter list the library reports and the adapters radprobe keeps from it: a zero-filled
// buffer for the records of a positive count, the record query's size argument, and the pick
// of the adapters to report.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "common/free_deleter.h"
#include "interfaces/adl_abi.h"

namespace radprobe {

using AdapterBuffer = std::unique_ptr<adl::AdapterInfo[], common::FreeDeleter>;

// A zero-filled array of count records. Raises std::bad_alloc when the memory is not there or
// when its byte size does not fit the library's 32-bit size argument.
AdapterBuffer allocateAdapterBuffer(int count);

// The byte size of a buffer of count records, the record query's size argument; count is one
// that allocateAdapterBuffer accepted.
int adapterBufferSize(int count);

// The AMD adapters in the buffer's order, skipping a record whose bus and device numbers
// equal those of the adapter kept just before it (further functions of the same device).
std::vector<adl::AdapterInfo> keepAmdAdapters(std::span<const adl::AdapterInfo> adapters);

}  // namespace radprobe
