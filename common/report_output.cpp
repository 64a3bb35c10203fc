#include "report_output.h"

#include "os.h"

namespace common {

std::ostream& endLine(std::ostream& out) {
  out << '\n' << std::flush;
  if (out) return out;
  throw ReportNotWritten("Failed to write the report: " + lastWriteFailure());
}

}  // namespace common
