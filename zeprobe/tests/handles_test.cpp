// The handle list at the edges a golden run reaches clumsily: a driver that raises the count
// in the filling call, and a count of zero.
#include "zeprobe/handles.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "zeprobe/errors.h"

namespace zeprobe {
namespace {

TEST(FetchHandles, GivenAFillCallThatRaisesTheCount_WhenFetching_ThenOnlyAllocatedHandlesAreKept) {
  int devices[8] = {};
  const auto raising = [&](std::uint32_t* count, int** handles) {
    // Writes only as many handles as it was given room for, but reports more.
    for (std::uint32_t index = 0; index < *count; ++index) handles[index] = &devices[index];
    *count = 8;
    return ZE_RESULT_SUCCESS;
  };
  const auto handles = fetchHandles<SensorError, int*>("zeDeviceGet", raising, 3);
  EXPECT_EQ(handles.end() - handles.begin(), 3);
  EXPECT_EQ(handles.begin()[2], &devices[2]);
}

TEST(FetchHandles, GivenACountOfZero_WhenFetching_ThenTheListIsEmptyAndNoFailure) {
  const auto none = [](std::uint32_t* count, int** handles) {
    EXPECT_NE(handles, nullptr);
    *count = 0;
    return ZE_RESULT_SUCCESS;
  };
  EXPECT_TRUE((fetchHandles<FatalError, int*>("zeDriverGet", none, 0).empty()));
}

}  // namespace
}  // namespace zeprobe
