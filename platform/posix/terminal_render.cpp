#include "platform/posix/terminal_render.h"

#include <algorithm>

#include "platform/posix/terminal_charset.h"

namespace platform::posix::render {

namespace {

// Windows numbers the colour bits blue 1, green 2, red 4; ANSI numbers red 1, green 2,
// blue 4.
constexpr int AnsiColour[8] = {0, 4, 2, 6, 1, 5, 3, 7};

bool Same(CharCell a, CharCell b) { return a.Char == b.Char && a.Attributes == b.Attributes; }

void MoveTo(std::string& out, int x, int y) {
    out += "\x1b[" + std::to_string(y + 1) + ";" + std::to_string(x + 1) + "H";
}

// A short stretch of unchanged cells in the current colour between two changed ones
// costs less to write again than a cursor placement over it.
bool CheaperToRewrite(const Shown& shown, const cells::ScreenCells& screen, int x, int y, int cursorX,
                      int cursorY, int colour) {
    constexpr int Gap = 4;
    if (x != cursorX || y != cursorY) return false;
    size_t row = static_cast<size_t>(y) * static_cast<size_t>(screen.Columns);
    for (int k = x; k < screen.Columns && k < x + Gap; ++k) {
        CharCell want = screen.Cells[row + static_cast<size_t>(k)];
        if (!Same(want, shown.Cells[row + static_cast<size_t>(k)])) return true;
        if (want.Attributes != colour) return false;
    }
    return false;
}

}  // namespace

std::string ColourSequence(uint16_t attributes) {
    unsigned low = attributes & 0xFF;
    if (low == DefaultAttribute) return "\x1b[0m";
    unsigned fg = low & 0x0F;
    unsigned bg = low >> 4;
    int fgCode = (fg & 8 ? 90 : 30) + AnsiColour[fg & 7];
    int bgCode = (bg & 8 ? 100 : 40) + AnsiColour[bg & 7];
    return "\x1b[0;" + std::to_string(fgCode) + ";" + std::to_string(bgCode) + "m";
}

void AppendGlyph(std::string& out, uint8_t ch, bool utf8) {
    if (utf8) {
        charset::AppendUtf8(out, charset::Glyph(ch));
        return;
    }
    // Without UTF-8 the byte goes out as it is, except the control bytes: written raw they
    // would move the terminal's cursor or start a sequence (0x9B is a CSI on 8-bit
    // terminals), so they show as '?'.
    bool control = ch < 0x20 || ch == 0x7F || (ch >= 0x80 && ch < 0xA0);
    out += control ? '?' : static_cast<char>(ch);
}

std::string Update(Shown& shown, const cells::ScreenCells& screen) {
    std::string out;
    size_t total = screen.Cells.size();
    if (!shown.Drawn || shown.Cells.size() != total) {
        out += "\x1b[0m\x1b[H\x1b[2J";
        shown.Cells.assign(total, CharCell{' ', DefaultAttribute});
        shown.Drawn = true;
    }
    int cursorX = -1, cursorY = -1;  // where the terminal's cursor is, -1 unknown
    int colour = -1;                 // the attribute the terminal draws in, -1 unknown
    bool hidden = false;
    for (int y = 0; y < screen.Rows; ++y) {
        for (int x = 0; x < screen.Columns; ++x) {
            size_t i = static_cast<size_t>(y) * static_cast<size_t>(screen.Columns) + static_cast<size_t>(x);
            CharCell want = screen.Cells[i];
            if (Same(want, shown.Cells[i]) && !CheaperToRewrite(shown, screen, x, y, cursorX, cursorY, colour))
                continue;
            if (!hidden) {
                out += "\x1b[?25l";  // no cursor flitting over the screen while it is drawn
                hidden = true;
            }
            if (x != cursorX || y != cursorY) MoveTo(out, x, y);
            if (want.Attributes != colour) {
                out += ColourSequence(want.Attributes);
                colour = want.Attributes;
            }
            AppendGlyph(out, want.Char, shown.Utf8);
            shown.Cells[i] = want;
            // After the last column the terminal waits to wrap; where its cursor stands
            // then differs between terminals, so the next cell is placed anew.
            cursorX = x + 1 < screen.Columns ? x + 1 : -1;
            cursorY = y;
        }
    }
    if (colour != -1 && (colour & 0xFF) != DefaultAttribute) out += "\x1b[0m";
    MoveTo(out, screen.Cursor.X, screen.Cursor.Y);
    if (hidden) out += "\x1b[?25h";
    return out;
}

std::string ScrollRows(Shown& shown, int16_t columns, int16_t top, int16_t bottom, int16_t lines) {
    if (!shown.Drawn || lines <= 0 || lines > bottom - top) return {};
    std::string out = "\x1b[0m";  // the rows that come free take the current background
    out += "\x1b[" + std::to_string(top + 1) + ";" + std::to_string(bottom + 1) + "r";
    MoveTo(out, 0, bottom);
    // A line feed on the band's last row scrolls the band, on every terminal of the kind;
    // the scroll-up sequence is missing from some.
    out.append(static_cast<size_t>(lines), '\n');
    out += "\x1b[r";
    auto row = [&](int y) { return shown.Cells.begin() + static_cast<std::ptrdiff_t>(y) * columns; };
    std::move(row(top + lines), row(bottom + 1), row(top));
    std::fill(row(bottom + 1 - lines), row(bottom + 1), CharCell{' ', DefaultAttribute});
    return out;
}

}  // namespace platform::posix::render
