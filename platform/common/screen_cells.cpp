#include "platform/common/screen_cells.h"

#include <algorithm>

namespace platform::cells {

void Resize(ScreenCells& screen, int16_t columns, int16_t rows, CharCell blank) {
    screen.Columns = columns;
    screen.Rows = rows;
    screen.Cursor = {0, 0};
    screen.Cells.assign(static_cast<size_t>(columns) * static_cast<size_t>(rows), blank);
}

bool Contains(const ScreenCells& screen, Coord cell) {
    return cell.X >= 0 && cell.Y >= 0 && cell.X < screen.Columns && cell.Y < screen.Rows;
}

CharCell& At(ScreenCells& screen, int16_t x, int16_t y) {
    return screen.Cells[static_cast<size_t>(y) * static_cast<size_t>(screen.Columns) + static_cast<size_t>(x)];
}

const CharCell& At(const ScreenCells& screen, int16_t x, int16_t y) {
    return screen.Cells[static_cast<size_t>(y) * static_cast<size_t>(screen.Columns) + static_cast<size_t>(x)];
}

namespace {

template <typename Set>
uint32_t FillRun(ScreenCells& screen, uint32_t count, Coord start, Set set) {
    if (!Contains(screen, start)) return 0;
    size_t first = static_cast<size_t>(start.Y) * static_cast<size_t>(screen.Columns) + static_cast<size_t>(start.X);
    size_t n = std::min<size_t>(count, screen.Cells.size() - first);
    for (size_t i = 0; i < n; ++i) set(screen.Cells[first + i]);
    return static_cast<uint32_t>(n);
}

Rect Intersect(Rect a, Rect b) {
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
}

bool Empty(Rect r) { return r.Left > r.Right || r.Top > r.Bottom; }

bool Inside(Rect r, int x, int y) { return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom; }

Rect Whole(const ScreenCells& screen) {
    return {0, 0, static_cast<int16_t>(screen.Columns - 1), static_cast<int16_t>(screen.Rows - 1)};
}

}  // namespace

uint32_t FillChars(ScreenCells& screen, uint8_t ch, uint32_t count, Coord start) {
    return FillRun(screen, count, start, [ch](CharCell& c) { c.Char = ch; });
}

uint32_t FillAttrs(ScreenCells& screen, uint16_t attr, uint32_t count, Coord start) {
    return FillRun(screen, count, start, [attr](CharCell& c) { c.Attributes = attr; });
}

bool WriteBlock(ScreenCells& screen, const CharCell* cells, Coord size, Coord origin, Rect& region) {
    // The block's part that maps onto the region: region's top-left shows block cell `origin`.
    Rect target = Intersect(region, Whole(screen));
    int maxRight = region.Left + (size.X - origin.X) - 1;
    int maxBottom = region.Top + (size.Y - origin.Y) - 1;
    target.Right = static_cast<int16_t>(std::min<int>(target.Right, maxRight));
    target.Bottom = static_cast<int16_t>(std::min<int>(target.Bottom, maxBottom));
    if (Empty(target)) {
        region = {region.Left, region.Top, static_cast<int16_t>(region.Left - 1), static_cast<int16_t>(region.Top - 1)};
        return false;
    }
    for (int y = target.Top; y <= target.Bottom; ++y) {
        for (int x = target.Left; x <= target.Right; ++x) {
            int bx = origin.X + (x - region.Left);
            int by = origin.Y + (y - region.Top);
            At(screen, static_cast<int16_t>(x), static_cast<int16_t>(y)) =
                cells[static_cast<size_t>(by) * static_cast<size_t>(size.X) + static_cast<size_t>(bx)];
        }
    }
    region = target;
    return true;
}

bool Scroll(ScreenCells& screen, Rect scroll, Rect clip, Coord destination, CharCell fill) {
    Rect source = Intersect(scroll, Whole(screen));
    if (Empty(source)) return false;
    Rect limit = Intersect(clip, Whole(screen));
    std::vector<CharCell> before = screen.Cells;
    int dx = destination.X - scroll.Left;
    int dy = destination.Y - scroll.Top;
    // Vacated cells first: every source cell inside the clip becomes the fill...
    for (int y = source.Top; y <= source.Bottom; ++y)
        for (int x = source.Left; x <= source.Right; ++x)
            if (Inside(limit, x, y)) At(screen, static_cast<int16_t>(x), static_cast<int16_t>(y)) = fill;
    // ...then the moved cells land where the clip lets them, from the copy taken before.
    for (int y = source.Top; y <= source.Bottom; ++y) {
        for (int x = source.Left; x <= source.Right; ++x) {
            int tx = x + dx;
            int ty = y + dy;
            if (!Inside(limit, tx, ty)) continue;
            At(screen, static_cast<int16_t>(tx), static_cast<int16_t>(ty)) =
                before[static_cast<size_t>(y) * static_cast<size_t>(screen.Columns) + static_cast<size_t>(x)];
        }
    }
    return true;
}

}  // namespace platform::cells
