// What both simulated libraries check of the program that loads them on Windows: a crash
// inside a real vendor library must end the program with its exception code, not hold the
// host in a "has stopped working" box, so the program switches the system error dialogs off
// before it loads the library.
#pragma once

namespace simulated {

// Null when the program had switched the system error dialogs off (SEM_FAILCRITICALERRORS and
// SEM_NOGPFAULTERRORBOX) by the time it loaded this library; otherwise what it left undone.
// Always null on Linux, which has no such dialogs.
const char* errorDialogsLeftOn();

}  // namespace simulated
