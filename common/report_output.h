// Writing a report to standard output so that a report that never reached its reader ends
// the run as a failure: a full disk, a closed standard output or a pipe whose reader has gone
// must never end with the status that says "report written".
#pragma once

#include <ostream>
#include <stdexcept>

namespace common {

// A report line that the stream could not take; what() is "Failed to write the report:
// <the system's reason>".
class ReportNotWritten : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Ends a report line: writes the line end and flushes, then raises ReportNotWritten if the
// stream failed at any point of the line, with the reason that the failed write left (a code
// of an earlier failed call is cleared before the line end is written). Used as a
// manipulator: out << text << endLine.
std::ostream& endLine(std::ostream& out);

}  // namespace common
