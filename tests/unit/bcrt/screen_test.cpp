// The console screen operations over the in-memory screen buffer.
#include <gtest/gtest.h>

#include "bcrt/screen.h"
#include "tests/unit/fixture.h"

namespace {

using fakeos::Request;
using fakeos::console::Console;
namespace pf = platform;

class ScreenTest : public regdump_test::FakeSystem {
protected:
    // A console of columns x rows whose cells all hold a sentinel, then read once.
    void Open(int16_t columns, int16_t rows, uint16_t attribute) {
        fakeos::console::Reset(columns, rows, attribute);
        for (pf::CharCell& c : Console.Screen.Cells) c = {'#', 0x4F};
        bcrt::ReadScreenInfo();
    }
};

TEST_F(ScreenTest, ReadScreenInfoTakesTheWholeBufferAndTheLowByteOfItsAttribute) {
    Open(80, 300, 0x1E);
    Console.Attribute = 0xABCD;
    bcrt::ReadScreenInfo();
    EXPECT_EQ(bcrt::Console.Columns, 80);
    EXPECT_EQ(bcrt::Console.Rows, 300) << "the lines off screen count";
    EXPECT_EQ(bcrt::Console.TextAttribute, 0xCD);
    EXPECT_EQ(bcrt::Console.WindowLeft, 0);
    EXPECT_EQ(bcrt::Console.WindowTop, 0);
    EXPECT_EQ(bcrt::Console.WindowRight, 79);
    EXPECT_EQ(bcrt::Console.WindowBottom, 299);
}

TEST_F(ScreenTest, ReadScreenInfoKeepsSizeAndAttributeWhenTheConsoleCannotBeAsked) {
    bcrt::Console.Columns = 40;
    bcrt::Console.Rows = 10;
    bcrt::Console.TextAttribute = 0x2A;
    fakeos::Fail(Request::GetScreenBufferInfo, pf::Error::InvalidHandle);
    bcrt::ReadScreenInfo();
    EXPECT_EQ(bcrt::Console.Columns, 40);
    EXPECT_EQ(bcrt::Console.Rows, 10);
    EXPECT_EQ(bcrt::Console.TextAttribute, 0x2A);
    EXPECT_EQ(bcrt::Console.WindowRight, 39);
    EXPECT_EQ(bcrt::Console.WindowBottom, 9);
}

TEST_F(ScreenTest, ClearWindowBlanksTheWholeBufferInTwoRequests) {
    Open(80, 300, 0x1E);
    Console.Screen.Cursor = {17, 250};
    bcrt::ClearWindow();
    EXPECT_EQ(fakeos::Calls(Request::FillCharacters), 1u);
    EXPECT_EQ(fakeos::Calls(Request::FillAttributes), 1u);
    for (int16_t y = 0; y < 300; ++y)
        for (int16_t x = 0; x < 80; ++x) {
            const pf::CharCell& c = pf::cells::At(Console.Screen, x, y);
            ASSERT_TRUE(c.Char == ' ' && c.Attributes == 0x1E) << "cell " << x << "," << y;
        }
    EXPECT_EQ(Console.Screen.Cursor.X, 0);
    EXPECT_EQ(Console.Screen.Cursor.Y, 0);
}

TEST_F(ScreenTest, ClearWindowOnAFailingConsoleChangesNothingAndReportsNothing) {
    Open(20, 5, 7);
    Console.Screen.Cursor = {3, 3};
    fakeos::Fail(Request::FillCharacters, pf::Error::InvalidHandle);
    fakeos::Fail(Request::FillAttributes, pf::Error::InvalidHandle);
    fakeos::Fail(Request::SetCursor, pf::Error::InvalidHandle);
    bcrt::ClearWindow();
    EXPECT_EQ(pf::cells::At(Console.Screen, 0, 0).Char, '#');
    EXPECT_EQ(Console.Screen.Cursor.X, 3);
}

struct GotoCase {
    const char* Name;
    int32_t Column;
    int32_t Row;
    int16_t X;  // where the cursor ends; (5, 5) is where it started
    int16_t Y;
};

TEST_F(ScreenTest, GotoCellMovesOnlyToCellsInsideTheWindow) {
    const GotoCase cases[] = {
        {"top-left", 1, 1, 0, 0},
        {"inside", 10, 3, 9, 2},
        {"last cell", 80, 300, 79, 299},
        {"column 0", 0, 1, 5, 5},
        {"column past the right edge", 81, 1, 5, 5},
        {"row 0", 1, 0, 5, 5},
        {"row past the bottom", 1, 301, 5, 5},
        {"negative", -3, -3, 5, 5},
        {"far out", 1 << 30, 1 << 30, 5, 5},
    };
    Open(80, 300, 7);
    for (const GotoCase& c : cases) {
        Console.Screen.Cursor = {5, 5};
        bcrt::GotoCell(c.Column, c.Row);
        EXPECT_EQ(Console.Screen.Cursor.X, c.X) << c.Name;
        EXPECT_EQ(Console.Screen.Cursor.Y, c.Y) << c.Name;
    }
}

TEST_F(ScreenTest, TheCursorReadsAfreshAndAs0WhenTheOutputIsNoConsole) {
    Open(80, 25, 7);
    Console.Screen.Cursor = {12, 7};
    EXPECT_EQ(bcrt::CursorColumn(), 12);
    EXPECT_EQ(bcrt::CursorRow(), 7);
    bcrt::PlaceCursor(3, 4);
    EXPECT_EQ(bcrt::CursorColumn(), 3);
    EXPECT_EQ(bcrt::CursorRow(), 4);
    bcrt::Console.OutputHandle = fakeos::console::InputHandle;
    EXPECT_EQ(bcrt::CursorColumn(), 0);
    EXPECT_EQ(bcrt::CursorRow(), 0);
}

TEST_F(ScreenTest, ScrollRegionMovesTheRectangleUpAndBlanksItsBottomInTheTextAttribute) {
    Open(6, 5, 0x17);
    for (int16_t y = 0; y < 5; ++y)
        for (int16_t x = 0; x < 6; ++x) pf::cells::At(Console.Screen, x, y) = {static_cast<uint8_t>('a' + y), 0x4F};
    bcrt::ScrollRegion(1, 1, 4, 3, 1);  // rows 1..3, columns 1..4
    EXPECT_EQ(fakeos::console::RowText(0), "aaaaaa");
    EXPECT_EQ(fakeos::console::RowText(1), "bccccb");
    EXPECT_EQ(fakeos::console::RowText(2), "cddddc");
    EXPECT_EQ(fakeos::console::RowText(3), "d    d");
    EXPECT_EQ(fakeos::console::RowText(4), "eeeeee");
    EXPECT_EQ(pf::cells::At(Console.Screen, 2, 3).Attributes, 0x17);
    EXPECT_EQ(pf::cells::At(Console.Screen, 0, 3).Attributes, 0x4F);
}

TEST_F(ScreenTest, PauseMsSleepsForItsTime) {
    bcrt::PauseMs(7);
    EXPECT_EQ(fakeos::Now(), 7u);
    EXPECT_EQ(fakeos::Sleeps(), std::vector<uint32_t>{7});
}

}  // namespace
