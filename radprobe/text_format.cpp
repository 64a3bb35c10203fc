#include "text_format.h"

#include "common/text.h"

namespace radprobe {

std::string escapeJsonString(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '"':
        escaped += "\\\"";
        break;
      case '\\':
        escaped += "\\\\";
        break;
      case '\b':
        escaped += "\\b";
        break;
      case '\f':
        escaped += "\\f";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\r':
        escaped += "\\r";
        break;
      case '\t':
        escaped += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          escaped += "\\u";
          escaped += common::hexText(static_cast<unsigned char>(c), 4);
        } else {
          escaped += c;
        }
    }
  }
  return escaped;
}

}  // namespace radprobe
