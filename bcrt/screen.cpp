#include "bcrt/screen.h"

#include "bcrt/console_state.h"
#include "platform/os.h"

namespace bcrt {

void ReadScreenInfo() {
    platform::ScreenBufferInfo info{};
    if (platform::GetScreenBufferInfo(Console.OutputHandle, info)) {
        Console.TextAttribute = static_cast<uint8_t>(info.Attributes & 0xFF);
        Console.Columns = info.Size.X;
        Console.Rows = info.Size.Y;
    }
    Console.WindowLeft = 0;
    Console.WindowTop = 0;
    Console.WindowRight = static_cast<uint16_t>(Console.Columns - 1);
    Console.WindowBottom = static_cast<uint16_t>(Console.Rows - 1);
}

void ClearWindow() {
    auto cells = static_cast<uint32_t>(Console.Columns * Console.Rows);
    uint32_t written = 0;
    platform::FillCharacters(Console.OutputHandle, ' ', cells, {0, 0}, written);
    platform::FillAttributes(Console.OutputHandle, Console.TextAttribute, cells, {0, 0}, written);
    GotoCell(1, 1);
}

void GotoCell(int32_t column, int32_t row) {
    int32_t x = Console.WindowLeft + column - 1;
    int32_t y = Console.WindowTop + row - 1;
    if (y < Console.WindowTop || y > Console.WindowBottom || x < Console.WindowLeft || x > Console.WindowRight)
        return;
    PlaceCursor(static_cast<uint16_t>(x), static_cast<uint16_t>(y));
}

void PlaceCursor(uint16_t column, uint16_t row) {
    platform::SetCursor(Console.OutputHandle, {static_cast<int16_t>(column), static_cast<int16_t>(row)});
}

int32_t CursorColumn() {
    platform::ScreenBufferInfo info{};
    return platform::GetScreenBufferInfo(Console.OutputHandle, info) ? info.Cursor.X : 0;
}

int32_t CursorRow() {
    platform::ScreenBufferInfo info{};
    return platform::GetScreenBufferInfo(Console.OutputHandle, info) ? info.Cursor.Y : 0;
}

void ScrollRegion(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, uint16_t lines) {
    platform::Rect rect{static_cast<int16_t>(left), static_cast<int16_t>(top), static_cast<int16_t>(right),
                        static_cast<int16_t>(bottom)};
    platform::Coord destination{static_cast<int16_t>(left), static_cast<int16_t>(top - lines)};
    platform::ScrollRect(Console.OutputHandle, rect, rect, destination, {' ', Console.TextAttribute});
}

void PauseMs(uint32_t milliseconds) { platform::Sleep(milliseconds); }

}  // namespace bcrt
