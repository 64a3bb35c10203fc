// Member lines of an adapter object. Each line is written and flushed at once, so a reader of
// the pipe sees it before the next library call, and a line that cannot be written ends the
// run before that call (common::endLine).
#pragma once

#include <ostream>
#include <string_view>

#include "common/report_output.h"
#include "text_format.h"

namespace radprobe {

template <typename Value>
void writeMember(std::ostream& out, std::string_view key, const Value& value) {
  out << "      \"" << key << "\": " << value << ',' << common::endLine;
}

inline void writeStringMember(std::ostream& out, std::string_view key, std::string_view text) {
  out << "      \"" << key << "\": \"" << escapeJsonString(text) << "\"," << common::endLine;
}

}  // namespace radprobe
