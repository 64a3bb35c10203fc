#include "adapter_members.h"

#include <gtest/gtest.h>

#include "adapter_list.h"
#include "adl_binding.h"
#include "overdrive_members.h"

namespace radprobe {
namespace {

TEST(AsicTypeList, GivenMasks_WhenListing_ThenNamesFollowBitOrderWithUnknownPerHighBit) {
  EXPECT_EQ(asicTypeList(0), "[]");
  EXPECT_EQ(asicTypeList(0x21 & 0x01), R"(["ADL_ASIC_DISCRETE"])");
  EXPECT_EQ(asicTypeList((1u << 0) | (1u << 5) | (1u << 9)),
            R"(["ADL_ASIC_DISCRETE", "ADL_ASIC_FUSION", "ADL_ASIC_UNKNOWN"])");
  EXPECT_EQ(asicTypeList(0x80000102u),
            R"(["ADL_ASIC_INTEGRATED", "ADL_ASIC_UNKNOWN", "ADL_ASIC_UNKNOWN"])");
}

TEST(AdlResultName, GivenResultCodes_WhenNaming_ThenKnownCodesHaveNamesOthersAreUnknown) {
  EXPECT_STREQ(adlResultName(4), "ADL_OK_WAIT");
  EXPECT_STREQ(adlResultName(0), "ADL_OK");
  EXPECT_STREQ(adlResultName(-7), "ADL_ERR_INVALID_DIPLAY_IDX");
  EXPECT_STREQ(adlResultName(-12), "ADL_ERR_RESOURCE_CONFLICT");
  EXPECT_STREQ(adlResultName(-21), "ADL_ERR_NO_XDISPLAY");
  for (const int unknown : {5, -13, -15, -19, -22, 2147483647, -2147483647 - 1}) {
    EXPECT_STREQ(adlResultName(unknown), "ADL_UNKNOWN_ERROR") << unknown;
  }
}

TEST(AdlSucceeded, GivenResultCodes_WhenChecking_ThenOnlyOkAndWarningSucceed) {
  EXPECT_TRUE(adlSucceeded(0));
  EXPECT_TRUE(adlSucceeded(1));
  for (const int failed : {2, 3, 4, -1, -2147483647 - 1}) EXPECT_FALSE(adlSucceeded(failed));
}

TEST(FanPercentFromRpm, GivenRpmAndMaximum_WhenComputing_ThenExactQuotientWithoutOverflow) {
  EXPECT_EQ(fanPercentFromRpm(1500, 3000), 50);
  EXPECT_EQ(fanPercentFromRpm(2999, 3000), 99);
  EXPECT_EQ(fanPercentFromRpm(2147483647, 1), 214748364700LL);
  EXPECT_EQ(fanPercentFromRpm(-1500, 3000), -50);
  EXPECT_EQ(fanPercentFromRpm(1500, 0), std::nullopt);
  EXPECT_EQ(fanPercentFromRpm(1500, -3000), std::nullopt);
}

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
