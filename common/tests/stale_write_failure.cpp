// A program of the test suite: a failed C runtime call leaves its code behind (opening a file
// that does not exist sets _doserrno), then a report line ends (common::endLine) on a stream
// whose flush fails without a system error code, as the C runtime's write does when it sets
// errno alone. The reason written on standard error must be that failure's, never the code
// that the earlier call left; status 1. Should the earlier call leave no code, the program
// says so and ends with 2, since the run would then show nothing.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <streambuf>

#include "common/report_output.h"

namespace {

// Keeps what is written in its buffer and fails at the flush, setting errno alone.
class FailingFlushBuffer : public std::streambuf {
 public:
  FailingFlushBuffer() { setp(buffer_, buffer_ + sizeof buffer_); }

 protected:
  int sync() override {
    errno = ENOSPC;
    return -1;
  }

 private:
  char buffer_[64];
};

}  // namespace

int main() {
  if (std::FILE* file = std::fopen("no such folder\\no such file", "rb")) std::fclose(file);
  if (_doserrno == 0) {
    std::fputs("the failed call left no code\n", stderr);
    return 2;
  }
  FailingFlushBuffer buffer;
  std::ostream out(&buffer);
  try {
    out << "[" << common::endLine;
  } catch (const common::ReportNotWritten& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
