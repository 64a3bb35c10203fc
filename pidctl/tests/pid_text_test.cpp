#include "pid_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace pidctl {
namespace {

struct PidTextCase {
  std::u16string text;
  std::optional<std::int32_t> pid;
};

class ParsePidText : public ::testing::TestWithParam<PidTextCase> {};

TEST_P(ParsePidText, GivenPidText_WhenParsing_ThenYieldsThePidOrRejectsIt) {
  EXPECT_EQ(parsePidText(GetParam().text), GetParam().pid);
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

}  // namespace
}  // namespace pidctl
