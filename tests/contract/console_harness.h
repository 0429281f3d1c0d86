// What the console contract tests need from the backend they run on: a screen buffer of
// their own of a known size, the queue of console input to put records into, and a way
// to read a cell back that does not go through the requests under test.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace contract {

// A screen buffer of columns x rows blank cells in attribute 7, cursor (0, 0), and an
// empty input queue. Returns false when this backend can give none (no console).
bool OpenTestConsole(int16_t columns, int16_t rows, platform::Handle& output, platform::Handle& input);

// Closes what OpenTestConsole opened.
void CloseTestConsole(platform::Handle output, platform::Handle input);

// Puts a record at the end of the console input; false when this console's input can't
// carry such a record (a terminal sends no key-up, no focus event, no Caps Lock state).
bool QueueInput(platform::Handle input, const platform::InputRecord& record);

// The cell as it is now.
platform::CharCell CellAt(platform::Handle output, int16_t x, int16_t y);

}  // namespace contract
