// The power arithmetic at its limits, where a golden run would be clumsy.
#include "zeprobe/sensors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "zeprobe/errors.h"

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
    {"Exact", {1000, 1000000}, {2501000, 1100000}, 25, ""},
    {"OneMicrojouleShort", {1000, 1000000}, {2500999, 1100000}, 24, ""},
    {"WholeRangeInOneMicrosecond", {0, 7}, {kMax, 8}, kMax, ""},
    {"NoEnergyUsed", {5, 0}, {5, kMax}, 0, ""},
    {"SameTimestamp",
     {0, 500},
     {100, 500},
     std::nullopt,
     "zesPowerGetEnergyCounter failed: timestamp did not advance"},
    {"TimestampBackwards",
     {0, 501},
     {100, 500},
     std::nullopt,
     "zesPowerGetEnergyCounter failed: timestamp did not advance"},
    {"CounterReset",
     {5000000, 100},
     {10, 100100},
     std::nullopt,
     "zesPowerGetEnergyCounter failed: energy counter went backwards"},
};

class AveragePower : public ::testing::TestWithParam<PowerCase> {};

TEST_P(AveragePower, GivenTwoEnergySamples_WhenAveraging_ThenWholeWattsOrTheFailureMessage) {
  const PowerCase& power = GetParam();
  if (power.watts) {
    EXPECT_EQ(averagePowerWatts(power.first, power.second), *power.watts);
    return;
  }
  try {
    averagePowerWatts(power.first, power.second);
    ADD_FAILURE() << "no error raised";
  } catch (const SensorError& error) {
    EXPECT_EQ(std::string(error.what()), power.message);
  }
}

INSTANTIATE_TEST_SUITE_P(Samples, AveragePower, ::testing::ValuesIn(kPowerCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zeprobe
