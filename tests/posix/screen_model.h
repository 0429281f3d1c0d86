// A small model of a terminal screen that understands the few sequences the console
// backend writes (cursor placement, colours, clearing, cursor visibility, the scrolling
// band) and plain
// UTF-8 or 8-bit text; anything else it notes as unknown, so a test sees it.
#pragma once

#include <string>
#include <vector>

namespace pty_test {

struct ModelCell {
    char32_t Ch = U' ';
    int Fg = -1;  // -1 the terminal's default, else 0..15 in ANSI numbering, 8.. bright
    int Bg = -1;
};

struct ScreenModel {
    int Columns = 0;
    int Rows = 0;
    std::vector<ModelCell> Cells;
    int X = 0, Y = 0;
    int Top = 0, Bottom = 0;  // the scrolling band, inclusive rows
    bool WrapPending = false;
    bool CursorVisible = true;
    int Fg = -1, Bg = -1;
    int Bells = 0;
    bool Utf8 = true;
    std::vector<std::string> Unknown;
};

ScreenModel MakeScreen(int columns, int rows, bool utf8 = true);

// Plays the terminal output into the model.
void Play(ScreenModel& s, const std::string& bytes);

// A row as UTF-8 text, and a cell.
std::string RowText(const ScreenModel& s, int row);
const ModelCell& CellAt(const ScreenModel& s, int x, int y);

}  // namespace pty_test
