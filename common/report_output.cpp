#include "report_output.h"

#include "os.h"

namespace common {

std::ostream& endLine(std::ostream& out) {
  // While the stream is good, every write of the line so far has succeeded (a line is mostly
  // still in the stream's buffer): a code that the C runtime holds now is an earlier call's.
  if (out) clearWriteFailure();
  out << '\n' << std::flush;
  if (out) return out;
  throw ReportNotWritten("Failed to write the report: " + lastWriteFailure());
}

}  // namespace common
