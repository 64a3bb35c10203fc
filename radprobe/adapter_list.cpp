#include "adapter_list.h"

#include <cstdlib>
#include <limits>
#include <new>

namespace radprobe {

std::vector<adl::AdapterInfo> readAmdAdapters(adl::Context context, CallSite caller) {
  int count = 0;
  checkAdl(adlApi.ADL2_Adapter_NumberOfAdapters_Get(context, &count), caller.function, caller.line);
  if (count <= 0) return {};
  const AdapterBuffer adapters = allocateAdapterBuffer(count);
  const int byteSize = count * int{sizeof(adl::AdapterInfo)};
  checkAdl(adlApi.ADL2_Adapter_AdapterInfo_Get(context, adapters.get(), byteSize), caller.function,
           caller.line);
  return keepAmdAdapters({adapters.get(), static_cast<std::size_t>(count)});
}

AdapterBuffer allocateAdapterBuffer(int count) {
  constexpr int kMaximumCount = std::numeric_limits<int>::max() / int{sizeof(adl::AdapterInfo)};
  if (count > kMaximumCount) throw std::bad_alloc();
  auto* records = static_cast<adl::AdapterInfo*>(std::calloc(count, sizeof(adl::AdapterInfo)));
  if (!records) throw std::bad_alloc();
  return AdapterBuffer(records);
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
