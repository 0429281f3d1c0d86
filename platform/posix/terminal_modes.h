// The terminal's modes: raw input for the console, and putting the terminal back as it
// was found at every end of the process (normal end, ExitProcess, fatal signals).
#pragma once

#include <termios.h>

namespace platform::posix::modes {

// The raw form of a terminal's modes: no echo, no line editing, no signals from keys,
// no translation of CR, no flow control by Ctrl+S and Ctrl+Q, eight-bit characters, reads
// of whatever is there. Output processing stays as it was.
termios Raw(const termios& modes);

// Takes the terminal for the console: remembers `fd` for the restore and hooks the
// restore into the process's normal end and its fatal signals. Once per process.
void Adopt(int fd);

// Switches the adopted terminal to raw mode, remembering its modes the first time.
bool EnterRaw();

// Notes that the console has drawn on the terminal, so that the restore resets colours
// and shows the cursor.
void NoteDrawn();

// Puts the remembered modes back and shows the cursor. Safe in a signal handler and from
// any thread; does nothing the second time.
void RestoreTerminal();

}  // namespace platform::posix::modes
