// A screen buffer kept in memory: a grid of character cells with a cursor.
//
// The console requests that change cells (fill, write a block, scroll) work here with the
// Windows console's rules, for the backends that keep the cells themselves: the
// in-memory test console and the POSIX terminal console, which renders what changed.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/os.h"

namespace platform::cells {

struct ScreenCells {
    int16_t Columns = 0;
    int16_t Rows = 0;
    Coord Cursor{0, 0};
    std::vector<CharCell> Cells;  // row-major, Columns * Rows
};

// Makes a buffer of columns x rows cells, each `blank`, with the cursor on (0, 0).
void Resize(ScreenCells& screen, int16_t columns, int16_t rows, CharCell blank);

bool Contains(const ScreenCells& screen, Coord cell);
CharCell& At(ScreenCells& screen, int16_t x, int16_t y);
const CharCell& At(const ScreenCells& screen, int16_t x, int16_t y);

// FillCharacters / FillAttributes: `count` cells from `start` in reading order, cut at
// the buffer's end. Returns the number of cells changed; 0 for a start outside.
uint32_t FillChars(ScreenCells& screen, uint8_t ch, uint32_t count, Coord start);
uint32_t FillAttrs(ScreenCells& screen, uint16_t attr, uint32_t count, Coord start);

// WriteCells: copies the block into `region` cut to the buffer and to the block; `region`
// becomes what was written. False when nothing of it lies in the buffer.
bool WriteBlock(ScreenCells& screen, const CharCell* cells, Coord size, Coord origin, Rect& region);

// ScrollRect with the console's rules; false when the scroll rectangle lies outside
// the buffer.
bool Scroll(ScreenCells& screen, Rect scroll, Rect clip, Coord destination, CharCell fill);

}  // namespace platform::cells
