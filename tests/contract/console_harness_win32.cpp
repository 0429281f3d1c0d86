// The console harness on Windows: a screen buffer made for the test, so the console the
// tests run in is left alone, and the process's console input queue, emptied first.
#include <windows.h>

#include "tests/contract/console_harness.h"

namespace contract {

bool OpenTestConsole(int16_t columns, int16_t rows, platform::Handle& output, platform::Handle& input) {
    HANDLE out = ::CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    // The window must fit the new size before the buffer may shrink to it.
    SMALL_RECT tiny{0, 0, 0, 0};
    ::SetConsoleWindowInfo(out, TRUE, &tiny);
    if (!::SetConsoleScreenBufferSize(out, COORD{columns, rows})) {
        ::CloseHandle(out);
        return false;
    }
    ::SetConsoleTextAttribute(out, 7);
    DWORD n = 0;
    ::FillConsoleOutputCharacterA(out, ' ', static_cast<DWORD>(columns * rows), COORD{0, 0}, &n);
    ::FillConsoleOutputAttribute(out, 7, static_cast<DWORD>(columns * rows), COORD{0, 0}, &n);
    ::SetConsoleCursorPosition(out, COORD{0, 0});
    HANDLE in = ::CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
        ::CloseHandle(out);
        return false;
    }
    ::SetConsoleMode(in, 0);
    ::FlushConsoleInputBuffer(in);
    output = reinterpret_cast<platform::Handle>(out);
    input = reinterpret_cast<platform::Handle>(in);
    return true;
}

void CloseTestConsole(platform::Handle output, platform::Handle input) {
    ::CloseHandle(reinterpret_cast<HANDLE>(output));
    ::CloseHandle(reinterpret_cast<HANDLE>(input));
}

bool QueueInput(platform::Handle input, const platform::InputRecord& record) {
    INPUT_RECORD r{};
    r.EventType = record.EventType;
    if (record.EventType == KEY_EVENT) {
        r.Event.KeyEvent.bKeyDown = record.KeyDown ? TRUE : FALSE;
        r.Event.KeyEvent.wRepeatCount = record.RepeatCount;
        r.Event.KeyEvent.wVirtualKeyCode = record.VirtualKeyCode;
        r.Event.KeyEvent.wVirtualScanCode = record.VirtualScanCode;
        r.Event.KeyEvent.uChar.AsciiChar = static_cast<CHAR>(record.Char);
        r.Event.KeyEvent.dwControlKeyState = record.ControlKeyState;
    } else if (record.EventType == FOCUS_EVENT) {
        r.Event.FocusEvent.bSetFocus = TRUE;
    }
    DWORD n = 0;
    return ::WriteConsoleInputA(reinterpret_cast<HANDLE>(input), &r, 1, &n) && n == 1;
}

platform::CharCell CellAt(platform::Handle output, int16_t x, int16_t y) {
    CHAR ch = 0;
    WORD attr = 0;
    DWORD n = 0;
    ::ReadConsoleOutputCharacterA(reinterpret_cast<HANDLE>(output), &ch, 1, COORD{x, y}, &n);
    ::ReadConsoleOutputAttribute(reinterpret_cast<HANDLE>(output), &attr, 1, COORD{x, y}, &n);
    return {static_cast<uint8_t>(ch), attr};
}

}  // namespace contract
