// ConsoleOutput: the waiting bytes of standard output rendered into the screen buffer.
#include "bcrt/console_devices.h"
#include "bcrt/console_state.h"
#include "bcrt/device_guard.h"
#include "bcrt/screen.h"
#include "platform/os.h"

namespace bcrt {

namespace {

constexpr uint8_t Bell = 7;
constexpr uint8_t Backspace = 8;
constexpr uint8_t LineFeed = 10;
constexpr uint8_t CarriageReturn = 13;

constexpr uint32_t BellHz = 3000;
constexpr uint32_t BellMs = 100;

// Handles one of the four control bytes, which are never written as cells.
void Control(OutputPosition& at, uint8_t byte) {
    WriteRun(at);
    switch (byte) {
        case Bell: platform::Beep(BellHz, BellMs); break;
        case Backspace:
            if (at.Column > Console.WindowLeft) --at.Column;
            break;
        case LineFeed: ++at.Row; break;
        default: at.Column = Console.WindowLeft; break;  // carriage return
    }
}

bool IsControl(uint8_t byte) {
    return byte == Bell || byte == Backspace || byte == LineFeed || byte == CarriageReturn;
}

}  // namespace

void WriteRun(OutputPosition& at) {
    auto n = static_cast<int32_t>(at.RunEnd - at.RunStart);
    if (n == 0) return;
    platform::CharCell cells[MaxRun];
    for (int32_t i = 0; i < n; ++i)
        cells[i] = {static_cast<uint8_t>(at.RunStart[i]), Console.TextAttribute};
    platform::Rect region{static_cast<int16_t>(at.Column - n), static_cast<int16_t>(at.Row),
                          static_cast<int16_t>(at.Column - 1), static_cast<int16_t>(at.Row)};
    platform::WriteCells(Console.OutputHandle, cells, {static_cast<int16_t>(n), 1}, {0, 0}, region);
    at.RunStart = at.RunEnd;
}

uint32_t WriteConsoleChars(rtl::TextFile& file) {
    DeviceAccess access = EnterDevice();
    if (!access.Usable) return rtl::FileNotOpenError;
    // The cursor is asked once per call, so a move made between two writes is honoured.
    OutputPosition at{CursorColumn(), CursorRow(), file.BufPtr, file.BufPtr};
    const char* next = file.BufPtr;
    for (; file.BufPos > 0; --file.BufPos) {
        auto byte = static_cast<uint8_t>(*next++);
        if (IsControl(byte)) {
            Control(at, byte);
            at.RunStart = at.RunEnd = next;  // the next run begins behind the control byte
        } else {
            ++at.Column;
            at.RunEnd = next;
        }
        if (at.RunEnd - at.RunStart == MaxRun) WriteRun(at);
        // The wrap comes at once, not with the next character.
        if (at.Column > Console.WindowRight) {
            WriteRun(at);
            at.Column = Console.WindowLeft;
            ++at.Row;
        }
        if (at.Row > Console.WindowBottom) {
            WriteRun(at);
            ScrollRegion(Console.WindowLeft, Console.WindowTop, Console.WindowRight, Console.WindowBottom, 1);
            --at.Row;
        }
    }
    WriteRun(at);
    PlaceCursor(static_cast<uint16_t>(at.Column), static_cast<uint16_t>(at.Row));
    return 0;
}

}  // namespace bcrt
