// The screen buffer on a Unix terminal: the ECMA-48 text that brings the terminal from
// what it shows to what the buffer's cells hold, cell for cell, with the colour
// attributes as ANSI colours and the characters in code page 437.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/common/screen_cells.h"
#include "platform/os.h"

namespace platform::posix::render {

// The attribute that stands for the terminal's own default colours: the one that the
// console has at start.
inline constexpr uint16_t DefaultAttribute = 7;

// What the terminal shows, as far as the backend has drawn it.
struct Shown {
    bool Drawn = false;          // false until the first update, which clears the terminal
    std::vector<CharCell> Cells; // row-major, as the buffer
    bool Utf8 = true;            // glyphs as UTF-8, else the code page's bytes
};

// The select-graphic-rendition sequence of an attribute: foreground in the low four bits,
// background in the next four, blue 1, green 2, red 4, intensity 8. The default attribute
// is the terminal's default colours.
std::string ColourSequence(uint16_t attributes);

// Appends what the terminal should show for a code page 437 byte.
void AppendGlyph(std::string& out, uint8_t ch, bool utf8);

// The text that draws every cell that differs from what is shown and puts the cursor
// on screen.Cursor; `shown` then matches the buffer. The first update clears the
// terminal and draws the whole buffer.
std::string Update(Shown& shown, const cells::ScreenCells& screen);

// When a scroll moves whole rows up inside [top, bottom] by `lines`, the terminal can
// move them itself: returns the text that scrolls that band on the terminal and moves
// `shown` along, so that the next Update only draws the rows that came free. Empty when
// nothing has been drawn yet.
std::string ScrollRows(Shown& shown, int16_t columns, int16_t top, int16_t bottom, int16_t lines);

// What puts the terminal's colours back to its defaults and shows the cursor.
inline constexpr const char* ResetText = "\x1b[0m\x1b[?25h";

}  // namespace platform::posix::render
