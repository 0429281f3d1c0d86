// The console unit's state: one process-wide record of the screen buffer's size, the text
// window, the text attribute, the two console handles and the pending key code.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace bcrt {

struct ConsoleState {
    int32_t Columns = 0;          // screen buffer width, set by ReadScreenInfo
    int32_t Rows = 0;             // screen buffer height, the lines off screen included
    uint8_t TextAttribute = 7;    // colours of every cell the unit clears, scrolls in or writes
    uint16_t WindowLeft = 0;      // the text window, 0-based inclusive buffer cells;
    uint16_t WindowTop = 0;       // always the whole buffer
    uint16_t WindowRight = 0;
    uint16_t WindowBottom = 0;
    int16_t PendingKey = -1;      // second code of an extended key, -1 for none
    platform::Handle InputHandle = platform::InvalidHandle;   // "CONIN$"
    platform::Handle OutputHandle = platform::InvalidHandle;  // "CONOUT$"
};

extern ConsoleState Console;

}  // namespace bcrt
