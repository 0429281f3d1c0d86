// The console screen: reading its size and colours once, clearing the window, placing
// and reading the cursor, scrolling a rectangle, and short pauses. No operation reports
// a failed console request; each leaves things as the request left them.
#pragma once

#include <cstdint>

namespace bcrt {

// Takes the screen buffer's size and current attribute into the console state and makes
// the window the whole buffer. A failed request keeps size and attribute as they were.
void ReadScreenInfo();

// Blanks every cell of the window in TextAttribute, in two requests, and puts the cursor
// on its top-left cell.
void ClearWindow();

// Moves the cursor to a cell given 1-based and relative to the window; a cell outside
// the window leaves the cursor where it is.
void GotoCell(int32_t column, int32_t row);

// Moves the cursor to a 0-based buffer cell, unchecked.
void PlaceCursor(uint16_t column, uint16_t row);

// The cursor's 0-based buffer column and row, read afresh; 0 when they can't be read.
int32_t CursorColumn();
int32_t CursorRow();

// Moves the rectangle's content up by `lines`, blanking what comes free in TextAttribute;
// nothing outside the rectangle changes.
void ScrollRegion(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom, uint16_t lines);

// Suspends the program for the given time.
void PauseMs(uint32_t milliseconds);

}  // namespace bcrt
