// The dump's layout, shared by the console and the report file: the register blocks and
// timers as data, the header, the row and cell formats, and the console's rule lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace regdump {

// A block of data words, read in rising order; it starts at a multiple of ten and holds
// whole rows of ten.
struct RegisterBlock {
    uint16_t First;
    uint16_t Last;
    // The block's last row stays open in the file, without its line end, for the next
    // block's first row to complete: the two rows then stand together with no empty line.
    bool JoinsNext;
};

inline constexpr RegisterBlock RegisterBlocks[] = {
    {20, 139, false},
    {200, 249, false},
    {890, 899, true},
    {980, 989, false},
};
static_assert([] {
    for (const RegisterBlock& block : RegisterBlocks)
        if (block.First % 10 != 0 || (block.Last + 1) % 10 != 0 || block.Last < block.First) return false;
    return true;
}(), "every block holds whole rows of ten");

// A timer and the label that opens its line.
struct TimerLine {
    int32_t Timer;
    const char* Label;
};

inline constexpr TimerLine Timers[] = {
    {2, " T002 "}, {3, " T003 "}, {12, " T012 "}, {13, " T013 "}, {48, " T048 "},
};

// Each column digit stands above the last character of a value cell.
inline constexpr std::string_view HeaderText =
    "System Constants      0     1     2     3     4     5     6     7     8     9";
inline constexpr std::string_view TimersTitle = "Timers";
inline constexpr std::string_view ReportExtension = ".spf";

// The console frames the dump with lines of this character (a light horizontal line in
// the OEM code pages 437 and 850); the file has none.
inline constexpr char RuleChar = '\xC4';
inline constexpr size_t WideRule = 79;
inline constexpr size_t NarrowRule = 77;

inline constexpr int CellWidth = 6;

// The row label of a register number: at least three digits, zeros put in front.
std::string FormatAddress(uint16_t number);

// The start of the row whose first data word is `first`: "  DM[", its label, "]" and
// eight blanks.
std::string RowStart(uint16_t first);

// A value right-aligned in a cell of CellWidth characters.
std::string FormatCell(uint16_t value);

}  // namespace regdump
