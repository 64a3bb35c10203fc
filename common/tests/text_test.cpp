#include "common/text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace common {
namespace {

// One text read both ways: as bytes (radprobe's page size) and as UTF-16 code units (pidctl's
// pid), the bytes being the text's UTF-8 form.
struct LeadingIntegerCase {
  const char* name;
  std::string bytes;
  std::u16string units;
  std::optional<std::int32_t> value;
};

// A row whose text is ASCII, so that its code units are its bytes.
LeadingIntegerCase ascii(const char* name, const std::string& text,
                         std::optional<std::int32_t> value) {
  return {name, text, std::u16string(text.begin(), text.end()), value};
}

class ParseLeadingInt32 : public ::testing::TestWithParam<LeadingIntegerCase> {};

TEST_P(ParseLeadingInt32, GivenArgumentText_WhenParsing_ThenReadsLikeStrtolWithin32Bits) {
  EXPECT_EQ(parseLeadingInt32(std::string_view(GetParam().bytes)), GetParam().value);
  EXPECT_EQ(parseLeadingInt32(std::u16string_view(GetParam().units)), GetParam().value);
}

const auto rowName = [](const auto& info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(
    AcceptedTexts, ParseLeadingInt32,
    ::testing::Values(ascii("Digits", "42", 42), ascii("LeadingBlank", " 42", 42),
                      ascii("LeadingWhiteSpace", " \t\n\v\f\r42", 42), ascii("Plus", "+42", 42),
                      ascii("TrailingLetters", "42abc", 42), ascii("TrailingNumber", "42 7", 42),
                      ascii("DecimalPoint", "1.9", 1), ascii("Minus", "-1", -1),
                      ascii("HexPrefix", "0x10", 0), ascii("MinusZero", "-0", 0),
                      ascii("LeadingZeros", "0000000000000000000042", 42),
                      ascii("Largest", "2147483647", 2147483647),
                      ascii("Smallest", "-2147483648", -2147483647 - 1)),
    rowName);

INSTANTIATE_TEST_SUITE_P(
    RejectedTexts, ParseLeadingInt32,
    ::testing::Values(ascii("Empty", "", std::nullopt), ascii("Letters", "abc", std::nullopt),
                      ascii("LetterBeforeDigit", "x2", std::nullopt),
                      ascii("OnlyBlank", " ", std::nullopt), ascii("OnlyMinus", "-", std::nullopt),
                      ascii("OnlyPlus", "+", std::nullopt), ascii("TwoSigns", "+-1", std::nullopt),
                      ascii("BlankAfterSign", "- 1", std::nullopt),
                      ascii("AboveLargest", "2147483648", std::nullopt),
                      ascii("BelowSmallest", "-2147483649", std::nullopt),
                      ascii("Unsigned32BitMaximum", "4294967295", std::nullopt),
                      ascii("Beyond64Bits", "99999999999999999999999999", std::nullopt),
                      // Full-width digits and a no-break space are not ASCII.
                      LeadingIntegerCase{"FullWidthDigits", "\uFF14\uFF12", u"\uFF14\uFF12",
                                         std::nullopt},
                      LeadingIntegerCase{"NoBreakSpace", "\u00A042", u"\u00A042", std::nullopt}),
    rowName);

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
