// Unit tests of the probe's pure helpers where a golden run would be clumsy: the power
// arithmetic at its limits and the handle list's guard against a driver that raises a count.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "errors.h"
#include "handles.h"
#include "sensors.h"

namespace zeprobe {
namespace {

struct PowerCase {
  const char* name;
  zes_power_energy_counter_t first;
  zes_power_energy_counter_t second;
  std::optional<std::uint64_t> watts;  // empty: the reading fails with `message`
  const char* message;
};

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

const PowerCase kPowerCases[] = {
    {"exact", {1000, 1000000}, {2501000, 1100000}, 25, ""},
    {"one microjoule short", {1000, 1000000}, {2500999, 1100000}, 24, ""},
    {"whole range in one microsecond", {0, 7}, {kMax, 8}, kMax, ""},
    {"no energy used", {5, 0}, {5, kMax}, 0, ""},
    {"same timestamp",
     {0, 500},
     {100, 500},
     std::nullopt,
     "zesPowerGetEnergyCounter failed: timestamp did not advance"},
    {"timestamp backwards",
     {0, 501},
     {100, 500},
     std::nullopt,
     "zesPowerGetEnergyCounter failed: timestamp did not advance"},
    {"counter reset",
     {5000000, 100},
     {10, 100100},
     std::nullopt,
     "zesPowerGetEnergyCounter failed: energy counter went backwards"},
};

TEST(AveragePower, GivenTwoEnergySamples_WhenAveraging_ThenWholeWattsOrTheFailureMessage) {
  for (const PowerCase& power : kPowerCases) {
    SCOPED_TRACE(power.name);
    if (power.watts) {
      EXPECT_EQ(averagePowerWatts(power.first, power.second), *power.watts);
    } else {
      try {
        averagePowerWatts(power.first, power.second);
        ADD_FAILURE() << "no error raised";
      } catch (const SensorError& error) {
        EXPECT_EQ(std::string(error.what()), power.message);
      }
    }
  }
}

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

TEST(CheckCall, GivenAResultWithTheHighBitSet_WhenCheckingTheCall_ThenTheCodeIsSignedDecimal) {
  try {
    checkCall<FatalError>(static_cast<ze_result_t>(0x80000001u), "zeInit");
    ADD_FAILURE() << "no error raised";
  } catch (const FatalError& error) {
    EXPECT_EQ(std::string(error.what()), "zeInit failed: -2147483647");
  }
}

}  // namespace
}  // namespace zeprobe
