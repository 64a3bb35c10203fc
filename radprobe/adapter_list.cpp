#include "adapter_list.h"

#include <cstdlib>
#include <limits>
#include <new>

namespace radprobe {

AdapterBuffer allocateAdapterBuffer(int count) {
  constexpr int kMaximumCount = std::numeric_limits<int>::max() / int{sizeof(adl::AdapterInfo)};
  if (count > kMaximumCount) throw std::bad_alloc();
  auto* records = static_cast<adl::AdapterInfo*>(std::calloc(count, sizeof(adl::AdapterInfo)));
  if (!records) throw std::bad_alloc();
  return AdapterBuffer(records);
}

int adapterBufferSize(int count) {
  return count * int{sizeof(adl::AdapterInfo)};
}

std::vector<adl::AdapterInfo> keepAmdAdapters(std::span<const adl::AdapterInfo> adapters) {
  std::vector<adl::AdapterInfo> kept;
  for (const adl::AdapterInfo& adapter : adapters) {
    if (adapter.iVendorID != adl::AMD_VENDOR_ID) continue;
    if (!kept.empty() && kept.back().iBusNumber == adapter.iBusNumber &&
        kept.back().iDeviceNumber == adapter.iDeviceNumber) {
      continue;
    }
    kept.push_back(adapter);
  }
  return kept;
}

}  // namespace radprobe
