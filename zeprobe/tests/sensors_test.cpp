// The power arithmetic at its limits, where a golden run would be clumsy.
#include "sensors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "errors.h"

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

}  // namespace
}  // namespace zeprobe
