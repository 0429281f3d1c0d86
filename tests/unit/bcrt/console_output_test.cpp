// ConsoleOutput: what standard output puts into the screen buffer, and in how many
// console requests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bcrt/console_state.h"
#include "bcrt/screen.h"
#include "rtl/textfile.h"
#include "tests/unit/bcrt/console_fixture.h"

namespace {

using fakeos::Request;
using fakeos::console::Console;
namespace pf = platform;

class ConsoleOutputTest : public regdump_test::ConsoleDevices {};

std::string Describe(const std::vector<pf::Rect>& rects) {
    std::string s;
    // Appended piece by piece: "(" + std::to_string(...) trips a false -Wrestrict of GCC 12.
    for (const pf::Rect& r : rects) {
        s += '(';
        s += std::to_string(r.Left);
        s += ',';
        s += std::to_string(r.Top);
        s += ")-(";
        s += std::to_string(r.Right);
        s += ',';
        s += std::to_string(r.Bottom);
        s += ") ";
    }
    return s;
}

struct RunCase {
    const char* Name;
    pf::Coord Start;
    std::string Bytes;
    std::vector<pf::Rect> Writes;  // the cell writes, in order
};

TEST_F(ConsoleOutputTest, OrdinaryCharactersGoOutInRunsThatControlBytesEdgesAndScrollsEnd) {
    const RunCase cases[] = {
        {"64 characters", {0, 0}, std::string(64, 'a'), {{0, 0, 63, 0}}},
        {"65 characters", {0, 0}, std::string(65, 'a'), {{0, 0, 63, 0}, {64, 0, 64, 0}}},
        {"line feed", {0, 0}, "ab\ncd", {{0, 0, 1, 0}, {2, 1, 3, 1}}},
        {"carriage return", {0, 0}, "ab\rc", {{0, 0, 1, 0}, {0, 0, 0, 0}}},
        {"backspace", {0, 0}, "ab\bc", {{0, 0, 1, 0}, {1, 0, 1, 0}}},
        {"bell", {0, 0}, "ab\acd", {{0, 0, 1, 0}, {2, 0, 3, 0}}},
        {"right edge", {75, 0}, "abcdefgh", {{75, 0, 79, 0}, {0, 1, 2, 1}}},
        {"scroll", {78, 24}, "abcd", {{78, 24, 79, 24}, {0, 24, 1, 24}}},
        {"control bytes only", {5, 5}, "\r\n\b", {}},
    };
    for (const RunCase& c : cases) {
        Open();
        Console.Screen.Cursor = c.Start;
        Console.CellWrites.clear();
        uint64_t infos = fakeos::Calls(Request::GetScreenBufferInfo);
        uint64_t places = fakeos::Calls(Request::SetCursor);
        rtl::Write(rtl::Output, c.Bytes);
        rtl::CheckIo();
        EXPECT_EQ(Describe(Console.CellWrites), Describe(c.Writes)) << c.Name;
        // Column and row are asked for once each, at the start; the cursor is set once.
        EXPECT_EQ(fakeos::Calls(Request::GetScreenBufferInfo) - infos, 2u) << c.Name;
        EXPECT_EQ(fakeos::Calls(Request::SetCursor) - places, 1u) << c.Name;
    }
}

struct ScreenCase {
    const char* Name;
    pf::Coord Start;
    std::vector<std::string> Before;  // rows 0.. as painted before the write
    std::string Bytes;
    std::string Screen;  // all four rows afterwards
    pf::Coord Cursor;
};

TEST_F(ConsoleOutputTest, ControlBytesWrapAndScrollPlaceTheCharactersAsOnTheConsole) {
    const std::vector<std::string> numbered{"r0", "r1", "r2", "r3"};
    const ScreenCase cases[] = {
        {"a full row wraps at once", {0, 0}, {}, "0123456789", "0123456789\n\n\n\n", {0, 1}},
        {"CR LF after a full row leaves one empty row", {0, 0}, {}, "0123456789\r\nX", "0123456789\n\nX\n\n", {1, 2}},
        {"line feed keeps the column", {0, 0}, {}, "ab\ncd", "ab\n  cd\n\n\n", {4, 1}},
        {"carriage return goes back on the same row", {0, 0}, {}, "abc\rX", "Xbc\n\n\n\n", {1, 0}},
        {"backspace moves back and changes no cell", {0, 0}, {}, "abc\b\bX", "aXc\n\n\n\n", {2, 0}},
        {"backspace at the left edge stays", {0, 1}, {}, "\b\bX", "\nX\n\n\n", {1, 1}},
        {"echoed backspace at the left edge blanks it", {0, 1}, {"", "QRS"}, "\b \b", "\n RS\n\n\n", {0, 1}},
        {"echoed backspace after a wrap stays on the new row", {0, 0}, {}, "0123456789\b \b", "0123456789\n\n\n\n",
         {0, 1}},
        {"echoed backspace after a line feed stays on its row", {0, 0}, {}, "ab\n\b \b", "ab\n\n\n\n", {1, 1}},
        {"line feed on the last row scrolls", {1, 3}, numbered, "\nZ", "r1\nr2\nr3\n Z\n", {2, 3}},
        {"wrap on the last row scrolls", {8, 3}, numbered, "abcd", "r1\nr2\nr3      ab\ncd\n", {2, 3}},
        {"tab takes one cell", {0, 0}, {}, "a\tb", "a\tb\n\n\n\n", {3, 0}},
    };
    for (const ScreenCase& c : cases) {
        Open(10, 4);
        for (size_t y = 0; y < c.Before.size(); ++y) Paint(static_cast<int16_t>(y), c.Before[y]);
        Console.Screen.Cursor = c.Start;
        rtl::Write(rtl::Output, c.Bytes);
        rtl::CheckIo();
        EXPECT_EQ(fakeos::console::ScreenText(), c.Screen) << c.Name;
        EXPECT_EQ(Cursor().X, c.Cursor.X) << c.Name;
        EXPECT_EQ(Cursor().Y, c.Cursor.Y) << c.Name;
    }
}

TEST_F(ConsoleOutputTest, EveryByteButTheFourControlBytesTakesOneCellAsItIs) {
    for (int b = 0; b < 256; ++b) {
        if (b == 7 || b == 8 || b == 10 || b == 13) continue;
        Open(10, 4);
        rtl::Write(rtl::Output, std::string{'a', static_cast<char>(b), 'z'});
        EXPECT_EQ(pf::cells::At(Console.Screen, 1, 0).Char, b) << "byte " << b;
        EXPECT_EQ(pf::cells::At(Console.Screen, 2, 0).Char, 'z') << "byte " << b;
        EXPECT_EQ(Cursor().X, 3) << "byte " << b;
    }
}

TEST_F(ConsoleOutputTest, LineFeedScrollsAtTheBufferBottomNotAtTheVisibleWindow) {
    Open(10, 30, 0x1E);  // 25 rows visible, 5 below
    for (int16_t y = 0; y < 30; ++y) Paint(y, "row" + std::to_string(y));
    Console.Screen.Cursor = {3, 24};
    rtl::Write(rtl::Output, "\n");
    EXPECT_EQ(fakeos::console::RowText(0), "row0") << "the bottom of the visible window scrolls nothing";
    EXPECT_EQ(Cursor().Y, 25);

    Console.Screen.Cursor = {3, 29};
    rtl::Write(rtl::Output, "\n");
    EXPECT_EQ(fakeos::console::RowText(0), "row1");
    EXPECT_EQ(fakeos::console::RowText(28), "row29");
    for (int16_t x = 0; x < 10; ++x) {
        const pf::CharCell& cell = pf::cells::At(Console.Screen, x, 29);
        EXPECT_TRUE(cell.Char == ' ' && cell.Attributes == 0x1E) << "last row, column " << x;
    }
    EXPECT_EQ(Cursor().X, 3);
    EXPECT_EQ(Cursor().Y, 29);
}

TEST_F(ConsoleOutputTest, CellsKeepTheColoursThatTheConsoleHadAtStartUp) {
    Open(10, 4, 0x1E);
    Console.Attribute = 0x4F;  // changed after start-up
    rtl::Write(rtl::Output, "ab");
    EXPECT_EQ(pf::cells::At(Console.Screen, 0, 0).Attributes, 0x1E);
    EXPECT_EQ(pf::cells::At(Console.Screen, 1, 0).Attributes, 0x1E);
}

TEST_F(ConsoleOutputTest, ABellSoundsAfterTheTextBeforeItAndTakesNoCell) {
    Open(10, 4);
    std::string shownAtTheTone;
    Console.DuringBeep = [&] { shownAtTheTone = fakeos::console::RowText(0); };
    rtl::Write(rtl::Output, "ab\acd");
    EXPECT_EQ(shownAtTheTone, "ab");
    EXPECT_EQ(fakeos::console::RowText(0), "abcd");
    ASSERT_EQ(Console.Beeps.size(), 1u);
    EXPECT_EQ(Console.Beeps[0].Hz, 3000u);
    EXPECT_EQ(Console.Beeps[0].Ms, 100u);
    EXPECT_EQ(fakeos::Now(), 100u) << "the write waits for the tone";
}

TEST_F(ConsoleOutputTest, EachCallStartsAtTheConsoleCursorAndLinesEndInCrLf) {
    Open(10, 4);
    rtl::WriteLine(rtl::Output, "ab");
    rtl::Write(rtl::Output, "c");
    bcrt::GotoCell(5, 4);  // moved between two writes
    rtl::Write(rtl::Output, "x");
    EXPECT_EQ(fakeos::console::ScreenText(), "ab\nc\n\n    x\n");
}

TEST_F(ConsoleOutputTest, AFlushWithNothingWaitingOnlySetsTheCursorWhereItIs) {
    Open(10, 4);
    Console.Screen.Cursor = {4, 2};
    uint64_t places = fakeos::Calls(Request::SetCursor);
    rtl::FlushFile(rtl::Output);
    rtl::CheckIo();
    EXPECT_TRUE(Console.CellWrites.empty());
    EXPECT_EQ(fakeos::Calls(Request::SetCursor) - places, 1u);
    EXPECT_EQ(Cursor().X, 4);
    EXPECT_EQ(Cursor().Y, 2);
}

}  // namespace
