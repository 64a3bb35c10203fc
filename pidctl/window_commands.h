#pragma once

#include <string>

#include "console_platform.h"
#include "exit_status.h"

namespace pidctl {

// Returned when the platform leaves no error code of its own for a missing console window
// or a refused foreground request, so that neither can pass for success.
constexpr ExitStatus kErrorAccessDenied = 5;
constexpr ExitStatus kErrorInvalidWindowHandle = 1400;
constexpr ExitStatus kEOutOfMemory = 0x8007000E;

// "hide", "show" and "shownoactivate".
ExitStatus hideConsoleWindow(ConsolePlatform& platform);
ExitStatus showConsoleWindow(ConsolePlatform& platform);
ExitStatus showConsoleWindowNoActivate(ConsolePlatform& platform);
// "foreground": no show step comes first, so a hidden window stays hidden.
ExitStatus bringConsoleWindowToForeground(ConsolePlatform& platform);
// "title": sets the console's title, not the window's.
ExitStatus setConsoleTitle(ConsolePlatform& platform, const std::u16string& title);
// "appusermodelid": sets the window's application user model id through its property store.
ExitStatus setAppUserModelId(ConsolePlatform& platform, const std::u16string& id);

}  // namespace pidctl
