// Console requests on Windows: the ANSI console functions of kernel32, one call each.
#include <windows.h>

#include <vector>

#include "platform/os.h"

namespace platform {

namespace {

HANDLE H(Handle h) { return reinterpret_cast<HANDLE>(h); }
COORD C(Coord c) { return COORD{c.X, c.Y}; }
SMALL_RECT R(Rect r) { return SMALL_RECT{r.Left, r.Top, r.Right, r.Bottom}; }

InputRecord FromWindows(const INPUT_RECORD& in) {
    InputRecord out{};
    out.EventType = in.EventType;
    if (in.EventType == KEY_EVENT) {
        const KEY_EVENT_RECORD& k = in.Event.KeyEvent;
        out.KeyDown = k.bKeyDown != FALSE;
        out.RepeatCount = k.wRepeatCount;
        out.VirtualKeyCode = k.wVirtualKeyCode;
        out.VirtualScanCode = k.wVirtualScanCode;
        out.Char = static_cast<uint8_t>(k.uChar.AsciiChar);
        out.ControlKeyState = k.dwControlKeyState;
    }
    return out;
}

ControlHandler RegisteredHandler = nullptr;

BOOL WINAPI HandlerTrampoline(DWORD event) {
    ControlHandler handler = RegisteredHandler;
    return handler != nullptr && handler(event) ? TRUE : FALSE;
}

}  // namespace

Handle OpenConsole(const char* name) {
    HANDLE h = ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    return h == INVALID_HANDLE_VALUE ? InvalidHandle : reinterpret_cast<Handle>(h);
}

bool SetConsoleMode(Handle console, uint32_t mode) { return ::SetConsoleMode(H(console), mode) != FALSE; }

bool GetScreenBufferInfo(Handle output, ScreenBufferInfo& info) {
    CONSOLE_SCREEN_BUFFER_INFO csbi;
    if (!::GetConsoleScreenBufferInfo(H(output), &csbi)) return false;
    info.Size = {csbi.dwSize.X, csbi.dwSize.Y};
    info.Cursor = {csbi.dwCursorPosition.X, csbi.dwCursorPosition.Y};
    info.Attributes = csbi.wAttributes;
    info.Window = {csbi.srWindow.Left, csbi.srWindow.Top, csbi.srWindow.Right, csbi.srWindow.Bottom};
    return true;
}

bool FillCharacters(Handle output, uint8_t ch, uint32_t count, Coord start, uint32_t& written) {
    DWORD n = 0;
    if (!::FillConsoleOutputCharacterA(H(output), static_cast<CHAR>(ch), count, C(start), &n)) return false;
    written = n;
    return true;
}

bool FillAttributes(Handle output, uint16_t attr, uint32_t count, Coord start, uint32_t& written) {
    DWORD n = 0;
    if (!::FillConsoleOutputAttribute(H(output), attr, count, C(start), &n)) return false;
    written = n;
    return true;
}

bool SetCursor(Handle output, Coord cell) { return ::SetConsoleCursorPosition(H(output), C(cell)) != FALSE; }

bool ScrollRect(Handle output, Rect scroll, Rect clip, Coord destination, CharCell fill) {
    // Wine refuses (87) a destination above or left of the buffer, which Windows takes.
    // What would land there is lost anyway, so moving only the rest of the rectangle is
    // the same scroll on both, as long as the moved part covers the cells it leaves: true
    // for a shift of at most half the rectangle, as the console's one-line scroll is.
    if (destination.Y < 0) {
        scroll.Top = static_cast<int16_t>(scroll.Top - destination.Y);
        destination.Y = 0;
    }
    if (destination.X < 0) {
        scroll.Left = static_cast<int16_t>(scroll.Left - destination.X);
        destination.X = 0;
    }
    SMALL_RECT s = R(scroll);
    SMALL_RECT c = R(clip);
    CHAR_INFO f;
    f.Char.AsciiChar = static_cast<CHAR>(fill.Char);
    f.Attributes = fill.Attributes;
    return ::ScrollConsoleScreenBufferA(H(output), &s, &c, C(destination), &f) != FALSE;
}

bool WriteCells(Handle output, const CharCell* cells, Coord size, Coord origin, Rect& region) {
    std::vector<CHAR_INFO> block(static_cast<size_t>(size.X) * static_cast<size_t>(size.Y));
    for (size_t i = 0; i < block.size(); ++i) {
        block[i].Char.AsciiChar = static_cast<CHAR>(cells[i].Char);
        block[i].Attributes = cells[i].Attributes;
    }
    SMALL_RECT r = R(region);
    if (!::WriteConsoleOutputA(H(output), block.data(), C(size), C(origin), &r)) return false;
    region = {r.Left, r.Top, r.Right, r.Bottom};
    return true;
}

bool CountInput(Handle input, uint32_t& count) {
    DWORD n = 0;
    if (!::GetNumberOfConsoleInputEvents(H(input), &n)) return false;
    count = n;
    return true;
}

namespace {
// Peek and read take the same arguments and give the same records.
bool CopyInput(BOOL(WINAPI* request)(HANDLE, PINPUT_RECORD, DWORD, LPDWORD), Handle input, InputRecord* records,
               uint32_t count, uint32_t& copied) {
    std::vector<INPUT_RECORD> raw(count == 0 ? 1 : count);
    DWORD n = 0;
    if (!request(H(input), raw.data(), count, &n)) return false;
    for (DWORD i = 0; i < n; ++i) records[i] = FromWindows(raw[i]);
    copied = n;
    return true;
}
}  // namespace

bool PeekInput(Handle input, InputRecord* records, uint32_t count, uint32_t& copied) {
    return CopyInput(::PeekConsoleInputA, input, records, count, copied);
}

bool ReadInput(Handle input, InputRecord* records, uint32_t count, uint32_t& read) {
    return CopyInput(::ReadConsoleInputA, input, records, count, read);
}

bool SetControlHandler(ControlHandler handler, bool add) {
    if (add) RegisteredHandler = handler;
    BOOL ok = ::SetConsoleCtrlHandler(HandlerTrampoline, add ? TRUE : FALSE);
    if (!add && ok) RegisteredHandler = nullptr;
    return ok != FALSE;
}

bool Beep(uint32_t hz, uint32_t ms) { return ::Beep(hz, ms) != FALSE; }

}  // namespace platform
