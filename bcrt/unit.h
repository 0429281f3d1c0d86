// The console unit's start-up and shut-down: the console devices in the place of
// standard input and standard output.
#pragma once

namespace bcrt {

// Puts ConsoleInput on standard input ("CONIN$") and then ConsoleOutput on standard
// output ("CONOUT$"). A device that can't be opened raises the input/output error with
// its code.
void Start();

// Nothing to do: the standard files are closed by the program's own shut-down, which
// runs the devices' close operations; the console modes stay as set.
void Stop();

}  // namespace bcrt
