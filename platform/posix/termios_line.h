// The translation between the seam's serial settings record and a termios record.
#pragma once

#include <termios.h>

#include "platform/os.h"

namespace platform::posix {

// Takes the line settings that termios holds (baud, data bits, parity, stop bits, flow
// control, XON/XOFF characters) into the record; its other fields stay as they are.
void ReadLine(const termios& line, SerialSettings& settings);

// Puts the line in raw mode with the record's settings: no echo, no line editing, no
// translation of CR or LF, no signals, reads that never wait in the driver, received
// parity tested only with fParity. False, with `line` half done, for a setting that
// termios has no form for: a baud rate it lacks, data bits outside 5 to 8, 1.5 stop bits.
bool WriteLine(termios& line, const SerialSettings& settings);

}  // namespace platform::posix
