#include "radprobe/adapter_list.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

namespace radprobe {
namespace {

adl::AdapterInfo adapterAt(int vendor, int bus, int device, int function, int index) {
  adl::AdapterInfo adapter{};
  adapter.iVendorID = vendor;
  adapter.iBusNumber = bus;
  adapter.iDeviceNumber = device;
  adapter.iFunctionNumber = function;
  adapter.iAdapterIndex = index;
  return adapter;
}

std::vector<int> keptIndices(const std::vector<adl::AdapterInfo>& adapters) {
  std::vector<int> indices;
  for (const auto& adapter : keepAmdAdapters(adapters)) indices.push_back(adapter.iAdapterIndex);
  return indices;
}

TEST(KeepAmdAdapters, GivenTwoFunctionsOfOneDevice_WhenFiltering_ThenOnlyTheFirstIsKept) {
  EXPECT_EQ(keptIndices({adapterAt(1002, 3, 0, 0, 0), adapterAt(1002, 3, 0, 1, 1)}),
            std::vector<int>{0});
}

TEST(KeepAmdAdapters, GivenEqualDevicesApart_WhenFiltering_ThenOnlyTheLastKeptIsCompared) {
  EXPECT_EQ(keptIndices({adapterAt(1002, 3, 0, 0, 0), adapterAt(1002, 4, 0, 0, 1),
                         adapterAt(1002, 3, 0, 0, 2)}),
            (std::vector<int>{0, 1, 2}));
}

TEST(KeepAmdAdapters, GivenOtherVendorBetweenEqualDevices_WhenFiltering_ThenSecondIsDropped) {
  EXPECT_EQ(keptIndices({adapterAt(1002, 3, 0, 0, 0), adapterAt(4098, 5, 0, 0, 1),
                         adapterAt(1002, 3, 0, 0, 2), adapterAt(0, 0, 0, 0, 3)}),
            std::vector<int>{0});
}

TEST(AllocateAdapterBuffer,
     GivenCountsAtThe32BitByteSizeLimit_WhenAllocating_ThenLargestFitsOneMoreIsBadAlloc) {
  constexpr int kLargestCount = 2147483647 / 1572;
  EXPECT_THROW(allocateAdapterBuffer(kLargestCount + 1), std::bad_alloc);
  const AdapterBuffer buffer = allocateAdapterBuffer(3);
  EXPECT_EQ(buffer[2].iVendorID, 0);
  // Just under 2 GiB of zero pages, which the system maps only when they are touched.
  AdapterBuffer largest;
  ASSERT_NO_THROW(largest = allocateAdapterBuffer(kLargestCount));
  EXPECT_EQ(largest[kLargestCount - 1].iVendorID, 0);
}

}  // namespace
}  // namespace radprobe
