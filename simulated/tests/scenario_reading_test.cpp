// The shared integer reading at the edges of every field type the scenario readers use:
// signed and unsigned, 32 and 64 bits, and a range narrower than its type.
#include "simulated/scenario_reading.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace simulated {
namespace {

// The value read from the JSON text, or the problem reported for it.
template <typename T>
std::string reading(const std::string& text, T minimum = std::numeric_limits<T>::min(),
                    T maximum = std::numeric_limits<T>::max()) {
  try {
    return std::to_string(integerValue<T>(Json::parse(text), "scenario.x", minimum, maximum));
  } catch (const ScenarioError& error) {
    return error.what();
  }
}

// A reading of one field type and its expected value or problem.
struct IntegerCase {
  const char* name;
  std::string actual;
  std::string expected;
};

class IntegerValue : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerValue, GivenIntegersAtTheEdgesOfTheirField_WhenReading_ThenOnlyThoseInRangeAreKept) {
  EXPECT_EQ(GetParam().actual, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFieldType, IntegerValue,
    ::testing::Values(
        IntegerCase{"Unsigned64Largest", reading<std::uint64_t>("18446744073709551615"),
                    "18446744073709551615"},
        IntegerCase{"Unsigned64Negative", reading<std::uint64_t>("-1"),
                    "scenario.x: expected an integer from 0 to 18446744073709551615"},
        IntegerCase{"Unsigned32Largest", reading<std::uint32_t>("4294967295"), "4294967295"},
        IntegerCase{"Unsigned32AboveLargest", reading<std::uint32_t>("4294967296"),
                    "scenario.x: expected an integer from 0 to 4294967295"},
        IntegerCase{"Signed64Smallest", reading<std::int64_t>("-9223372036854775808"),
                    "-9223372036854775808"},
        IntegerCase{
            "Signed64AboveLargest", reading<std::int64_t>("9223372036854775808"),
            "scenario.x: expected an integer from -9223372036854775808 to 9223372036854775807"},
        IntegerCase{"Signed32BelowSmallest", reading<std::int32_t>("-2147483649"),
                    "scenario.x: expected an integer from -2147483648 to 2147483647"},
        IntegerCase{"Signed32Fraction", reading<std::int32_t>("1.0"),
                    "scenario.x: expected an integer from -2147483648 to 2147483647"},
        IntegerCase{"Signed32QuotedText", reading<std::int32_t>("\"1\""),
                    "scenario.x: expected an integer from -2147483648 to 2147483647"},
        IntegerCase{"NarrowRangeTop", reading<std::int32_t>("255", 0, 255), "255"},
        IntegerCase{"NarrowRangeAboveTop", reading<std::int32_t>("256", 0, 255),
                    "scenario.x: expected an integer from 0 to 255"},
        IntegerCase{"NarrowRangeBelowBottom", reading<std::int32_t>("-1", 0, 255),
                    "scenario.x: expected an integer from 0 to 255"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace simulated
