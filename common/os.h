// What the programs ask of the operating system alike; one implementation file per OS.
#pragma once

#include <string>

namespace common {

// Why the C runtime's last write failed, read right after it failed: the system's text on
// Linux; on Windows the system error code when a system call failed (the C runtime maps
// some codes, such as 232 for a pipe whose reader has gone, to no fitting text), else the
// C runtime's text.
std::string lastWriteFailure();

}  // namespace common
