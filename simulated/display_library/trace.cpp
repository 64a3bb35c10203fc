#include "trace.h"

#include <cstdio>
#include <cstdlib>

#include "os.h"

namespace simulated::display_library {
namespace {

struct WatchedBlock {
  void* block;
  char description[96];
};

// Fixed storage: noteFree runs inside free and must not allocate.
constexpr int kMaximumWatched = 64;
WatchedBlock watched[kMaximumWatched];

std::FILE* traceFile() {
  static std::FILE* file = [] {
    const char* path = std::getenv("ADL_SIM_TRACE");
    return path && *path ? std::fopen(path, "wb") : nullptr;
  }();
  return file;
}

void writeTrace(const char* text) {
  std::FILE* file = traceFile();
  if (!file) return;
  std::fputs(text, file);
  std::fputc('\n', file);
  std::fflush(file);
}

}  // namespace

void traceLine(const std::string& line) {
  const auto outputSize = standardOutputFileSize();
  if (!outputSize) return writeTrace(line.c_str());
  writeTrace((line + " stdout=" + std::to_string(*outputSize)).c_str());
}

void watchHandedOverBlock(void* block, const char* description) {
  for (WatchedBlock& slot : watched) {
    if (slot.block) continue;
    slot.block = block;
    std::snprintf(slot.description, sizeof slot.description, "free(%s)", description);
    return;
  }
}

void noteFree(void* block) {
  if (!block) return;
  for (WatchedBlock& slot : watched) {
    if (slot.block != block) continue;
    slot.block = nullptr;
    writeTrace(slot.description);
    return;
  }
}

}  // namespace simulated::display_library
