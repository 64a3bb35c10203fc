#include "radprobe/text_format.h"

#include <gtest/gtest.h>

#include <string>

namespace radprobe {
namespace {

struct EscapeCase {
  const char* name;
  std::string text;
  std::string escaped;
};

class EscapeJsonString : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeJsonString, GivenSpecialBytes_WhenEscaping_ThenEveryOneGetsItsJsonForm) {
  EXPECT_EQ(escapeJsonString(GetParam().text), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EscapeJsonString,
    ::testing::Values(
        EscapeCase{"PlainText", "plain text", "plain text"},
        EscapeCase{"Backslashes", R"(\\.\DISPLAY1)", R"(\\\\.\\DISPLAY1)"},
        EscapeCase{"Quotes", R"(say "hi")", R"(say \"hi\")"},
        EscapeCase{"ShortEscapes", "\b\f\n\r\t", R"(\b\f\n\r\t)"},
        EscapeCase{"OtherControlBytes", std::string("\0\x01\x1f", 3), R"(\u0000\u0001\u001f)"},
        EscapeCase{"TerminalEscape", "\x1b[0m", R"(\u001b[0m)"},
        EscapeCase{"DeleteAndBytesBeyondAscii", "\x7f\x80\xff caf\xc3\xa9",
                   "\x7f\x80\xff caf\xc3\xa9"},
        EscapeCase{"InjectedMember", "\", \"injected\": \"", R"(\", \"injected\": \")"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace radprobe
