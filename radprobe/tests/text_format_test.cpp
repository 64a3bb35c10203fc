#include "text_format.h"

#include <gtest/gtest.h>

#include <string>

namespace radprobe {
namespace {

TEST(EscapeJsonString, GivenSpecialBytes_WhenEscaping_ThenEveryOneGetsItsJsonForm) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain text", "plain text"},
      {R"(\\.\DISPLAY1)", R"(\\\\.\\DISPLAY1)"},
      {R"(say "hi")", R"(say \"hi\")"},
      {"\b\f\n\r\t", R"(\b\f\n\r\t)"},
      {std::string("\0\x01\x1f", 3), R"(\u0000\u0001\u001f)"},
      {"\x1b[0m", R"(\u001b[0m)"},
      {"\x7f\x80\xff caf\xc3\xa9", "\x7f\x80\xff caf\xc3\xa9"},
      {"\", \"injected\": \"", R"(\", \"injected\": \")"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(escapeJsonString(text), expected);
  }
}

}  // namespace
}  // namespace radprobe
