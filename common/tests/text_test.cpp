#include "text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace common {
namespace {

// pidctl's pid: UTF-16 code units from the command line.
struct PidTextCase {
  std::u16string text;
  std::optional<std::int32_t> pid;
};

class ParsePidText : public ::testing::TestWithParam<PidTextCase> {};

TEST_P(ParsePidText, GivenPidText_WhenParsing_ThenYieldsThePidOrRejectsIt) {
  EXPECT_EQ(parseLeadingInt32(std::u16string_view(GetParam().text)), GetParam().pid);
}

INSTANTIATE_TEST_SUITE_P(AcceptedTexts, ParsePidText,
                         ::testing::Values(PidTextCase{u"42", 42}, PidTextCase{u" 42", 42},
                                           PidTextCase{u"\t\n\v\f\r 42", 42},
                                           PidTextCase{u"+42", 42}, PidTextCase{u"42abc", 42},
                                           PidTextCase{u"42 7", 42}, PidTextCase{u"-1", -1},
                                           PidTextCase{u"0x10", 0}, PidTextCase{u"-0", 0},
                                           PidTextCase{u"0000000000000000000042", 42},
                                           PidTextCase{u"2147483647", 2147483647},
                                           PidTextCase{u"-2147483648", -2147483647 - 1}));

INSTANTIATE_TEST_SUITE_P(
    RejectedTexts, ParsePidText,
    ::testing::Values(PidTextCase{u"", std::nullopt}, PidTextCase{u"abc", std::nullopt},
                      PidTextCase{u" ", std::nullopt}, PidTextCase{u"-", std::nullopt},
                      PidTextCase{u"+-1", std::nullopt}, PidTextCase{u"- 1", std::nullopt},
                      PidTextCase{u"2147483648", std::nullopt},
                      PidTextCase{u"-2147483649", std::nullopt},
                      PidTextCase{u"4294967295", std::nullopt},
                      PidTextCase{u"99999999999999999999999999", std::nullopt},
                      // Full-width digits and a no-break space are not ASCII.
                      PidTextCase{u"\uFF14\uFF12", std::nullopt},
                      PidTextCase{u"\u00A042", std::nullopt}));

// radprobe's page size: bytes from the command line.
struct ParseCase {
  std::string text;
  std::optional<std::int32_t> expected;
};

TEST(ParseLeadingInt32, GivenArgumentTexts_WhenParsing_ThenReadsLikeStrtolWithin32Bits) {
  const ParseCase cases[] = {
      {"1", 1},
      {"2abc", 2},
      {"1.9", 1},
      {" \t\n\v\f\r2", 2},
      {"+2", 2},
      {"-1", -1},
      {"-0", 0},
      {"0003", 3},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"abc", std::nullopt},
      {"+", std::nullopt},
      {"+-1", std::nullopt},
      {"- 1", std::nullopt},
      {"x2", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(parseLeadingInt32(std::string_view(text)), expected) << "text: \"" << text << '"';
  }
}

TEST(PciAddressText, GivenBusDeviceFunction_WhenFormatting_ThenPaddedLowerCaseHexNeverCut) {
  EXPECT_EQ(pciAddressText(3, 0, 0), "03:00.0");
  EXPECT_EQ(pciAddressText(26, 0, 1), "1a:00.1");
  EXPECT_EQ(pciAddressText(300, 31, 7), "12c:1f.7");
  EXPECT_EQ(pciAddressText(0xffffffff, 0, 0), "ffffffff:00.0");
}

TEST(FieldText, GivenFieldWithoutNul_WhenReading_ThenStopsAtTheFieldEnd) {
  struct {
    char field[4] = {'a', 'b', 'c', 'd'};
    char next[4] = {'x', 'y', 'z', '\0'};
  } record;
  EXPECT_EQ(fieldText(record.field), "abcd");
}

TEST(FieldText, GivenFieldWithNul_WhenReading_ThenStopsAtTheFirstNul) {
  const char field[8] = {'a', 'b', '\0', 'c'};
  EXPECT_EQ(fieldText(field), "ab");
}

}  // namespace
}  // namespace common
