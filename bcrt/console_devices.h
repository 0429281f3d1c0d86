// The console text devices: ConsoleInput reads the keyboard one edited, echoed line at a
// time; ConsoleOutput puts characters straight into the cells of the screen buffer in
// TextAttribute, handles bell, backspace, line feed and carriage return, wraps at the
// window's right edge and scrolls the window at its bottom. Both are sets of device
// operations of the text-file layer; start-up puts them on standard input and output.
#pragma once

#include <cstdint>

#include "rtl/textfile.h"

namespace bcrt {

// Makes the record a closed console device whose open operation is OpenConsole; its
// buffer is its own, of 128 bytes, and its name empty. Other fields stay.
void AssignConsole(rtl::TextFile& file);

// Open operation of both devices, by the mode the layer has just set: input opens
// "CONIN$" and registers ControlHandler; output opens "CONOUT$" and reads the screen
// once. An output whose screen buffer can't be read fails with the system's code and
// leaves the record closed, with no operations, so that nothing calls into it.
uint32_t OpenConsole(rtl::TextFile& file);

// Transfer operation of ConsoleInput: fills the buffer with one line typed at the
// keyboard, echoed on standard output; ends with 13 10 when there is room for both,
// 13 alone when there is room for one, and returns with a full buffer and no line end
// when 128 bytes are typed. Always 0; an echo that fails is raised from within.
uint32_t ReadEditedLine(rtl::TextFile& file);

// Flush operation of ConsoleInput: nothing to do.
uint32_t FlushInput(rtl::TextFile& file);

// Transfer and flush operation of ConsoleOutput: renders the waiting bytes from the
// console's cursor on and leaves the cursor behind them. Always 0.
uint32_t WriteConsoleChars(rtl::TextFile& file);

// Where one WriteConsoleChars call stands: its cell and the pending run of ordinary
// characters, which ends just before Column on Row.
struct OutputPosition {
    int32_t Column;
    int32_t Row;
    const char* RunStart;
    const char* RunEnd;
};

// The most characters that one cell write carries.
inline constexpr int32_t MaxRun = 64;

// Writes the pending run (0 to MaxRun characters) in one cell write and empties it; the
// cursor does not move.
void WriteRun(OutputPosition& at);

// Close operation of both devices: closes the handle and clears the record wholly.
uint32_t CloseConsole(rtl::TextFile& file);

}  // namespace bcrt
