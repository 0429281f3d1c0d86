// Opens the terminal console as the console unit does and makes it the unit's, for the
// tests that run the console modules over the real terminal backend.
#pragma once

#include "bcrt/console_state.h"
#include "bcrt/screen.h"
#include "platform/os.h"

namespace pty_test {

inline void OpenAsTheUnit() {
    bcrt::Console.InputHandle = platform::OpenConsole("CONIN$");
    bcrt::Console.OutputHandle = platform::OpenConsole("CONOUT$");
    platform::SetConsoleMode(bcrt::Console.InputHandle, 0);
    platform::SetConsoleMode(bcrt::Console.OutputHandle, 0);
    bcrt::ReadScreenInfo();
}

}  // namespace pty_test
