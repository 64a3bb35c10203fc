#include <windows.h>

#include "program_state.h"

namespace simulated::display_library {

std::optional<long long> standardOutputFileSize() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  LARGE_INTEGER size{};
  if (output == nullptr || output == INVALID_HANDLE_VALUE) return std::nullopt;
  if (GetFileType(output) != FILE_TYPE_DISK || !GetFileSizeEx(output, &size)) return std::nullopt;
  return size.QuadPart;
}

}  // namespace simulated::display_library
