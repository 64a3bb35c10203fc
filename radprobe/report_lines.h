// Member lines of an adapter object. Each line is written and flushed at once, so a reader of
// the pipe sees it before the next library call.
#pragma once

#include <ostream>
#include <string_view>

#include "text_format.h"

namespace radprobe {

template <typename Value>
void writeMember(std::ostream& out, std::string_view key, const Value& value) {
  out << "      \"" << key << "\": " << value << ',' << std::endl;
}

inline void writeStringMember(std::ostream& out, std::string_view key, std::string_view text) {
  out << "      \"" << key << "\": \"" << escapeJsonString(text) << "\"," << std::endl;
}

}  // namespace radprobe
