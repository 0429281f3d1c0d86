// The console control handler: Ctrl+Break and the closing of the console window end the
// program through its orderly exit; other control events are left to the system.
#pragma once

#include <cstdint>

namespace bcrt {

// Called by the system on a thread of its own. Events 0 (Ctrl+C, which the console
// input's mode 0 keeps from coming), 1 (Ctrl+Break) and 2 (closing of the window) end
// the program with the current exit code and do not return; from 3 on it returns false,
// so that the system passes the event on. It takes the device lock (device_guard.h), so
// it must never be called from within a device operation on the same thread.
bool ControlHandler(uint32_t event);

}  // namespace bcrt
