// Console requests on POSIX: not yet served (the terminal console comes later); every
// request fails as on a process without a console.
#include "platform/os.h"
#include "platform/posix/errors.h"

namespace platform {

namespace {
bool NoConsole() {
    posix::SetLastError(Error::InvalidHandle);
    return false;
}
}  // namespace

Handle OpenConsole(const char*) {
    NoConsole();
    return InvalidHandle;
}
bool SetConsoleMode(Handle, uint32_t) { return NoConsole(); }
bool GetScreenBufferInfo(Handle, ScreenBufferInfo&) { return NoConsole(); }
bool FillCharacters(Handle, uint8_t, uint32_t, Coord, uint32_t&) { return NoConsole(); }
bool FillAttributes(Handle, uint16_t, uint32_t, Coord, uint32_t&) { return NoConsole(); }
bool SetCursor(Handle, Coord) { return NoConsole(); }
bool ScrollRect(Handle, Rect, Rect, Coord, CharCell) { return NoConsole(); }
bool WriteCells(Handle, const CharCell*, Coord, Coord, Rect&) { return NoConsole(); }
bool CountInput(Handle, uint32_t&) { return NoConsole(); }
bool PeekInput(Handle, InputRecord*, uint32_t, uint32_t&) { return NoConsole(); }
bool ReadInput(Handle, InputRecord*, uint32_t, uint32_t&) { return NoConsole(); }
bool SetControlHandler(ControlHandler, bool) { return NoConsole(); }
bool Beep(uint32_t, uint32_t) { return NoConsole(); }

}  // namespace platform
