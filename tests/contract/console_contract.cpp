// The seam's contract for the console requests, pinned the same on every backend that
// has a console: the in-memory one, the terminal of POSIX, and Windows (under Wine here).
#include <gtest/gtest.h>

#include <string>

#include "platform/os.h"
#include "tests/contract/console_harness.h"

namespace {

namespace pf = platform;

class ConsoleContract : public ::testing::Test {
protected:
    static constexpr int16_t Columns = 40;
    static constexpr int16_t Rows = 12;

    void SetUp() override {
        ASSERT_TRUE(contract::OpenTestConsole(Columns, Rows, out_, in_)) << "no console on this backend";
    }
    void TearDown() override { contract::CloseTestConsole(out_, in_); }

    std::string Row(int16_t y) {
        std::string s;
        for (int16_t x = 0; x < Columns; ++x) s += static_cast<char>(contract::CellAt(out_, x, y).Char);
        return s;
    }
    void Paint() {  // every row its own letter, in attribute 0x1F
        uint32_t n = 0;
        for (int16_t y = 0; y < Rows; ++y) {
            pf::FillCharacters(out_, static_cast<uint8_t>('a' + y), Columns, {0, y}, n);
            pf::FillAttributes(out_, 0x1F, Columns, {0, y}, n);
        }
    }
    static pf::InputRecord KeyRecord(uint16_t vk, uint8_t ch, uint32_t state, bool down) {
        pf::InputRecord r{};
        r.EventType = pf::KeyEventType;
        r.KeyDown = down;
        r.RepeatCount = 1;
        r.VirtualKeyCode = vk;
        r.Char = ch;
        r.ControlKeyState = state;
        return r;
    }

    void ExpectQueued(const char* name, const pf::InputRecord (&queued)[3]);

    pf::Handle out_ = pf::InvalidHandle;
    pf::Handle in_ = pf::InvalidHandle;
};

TEST_F(ConsoleContract, TheBufferInformationGivesSizeCursorAndAttribute) {
    pf::ScreenBufferInfo info{};
    ASSERT_TRUE(pf::GetScreenBufferInfo(out_, info));
    EXPECT_EQ(info.Size.X, Columns);
    EXPECT_EQ(info.Size.Y, Rows);
    EXPECT_EQ(info.Cursor.X, 0);
    EXPECT_EQ(info.Cursor.Y, 0);
    EXPECT_EQ(info.Attributes & 0xFF, 7);
}

TEST_F(ConsoleContract, FillsRunInReadingOrderAndStopAtTheBuffersEnd) {
    struct Case {
        const char* Name;
        pf::Coord Start;
        uint32_t Count;
        uint32_t Written;
    } cases[] = {
        {"inside a row", {2, 1}, 5, 5},
        {"across a row end", {Columns - 2, 3}, 4, 4},
        {"past the buffer's end", {Columns - 5, Rows - 1}, 10, 5},
        {"the whole buffer", {0, 0}, static_cast<uint32_t>(Columns * Rows), static_cast<uint32_t>(Columns * Rows)},
    };
    for (const Case& c : cases) {
        uint32_t n = 0;
        pf::FillCharacters(out_, ' ', Columns * Rows, {0, 0}, n);
        uint32_t written = 12345;
        ASSERT_TRUE(pf::FillCharacters(out_, '*', c.Count, c.Start, written)) << c.Name;
        EXPECT_EQ(written, c.Written) << c.Name;
        ASSERT_TRUE(pf::FillAttributes(out_, 0x2E, c.Count, c.Start, written)) << c.Name;
        EXPECT_EQ(written, c.Written) << c.Name;
        int first = c.Start.Y * Columns + c.Start.X;
        for (int i = 0; i < Columns * Rows; ++i) {
            auto x = static_cast<int16_t>(i % Columns);
            auto y = static_cast<int16_t>(i / Columns);
            bool filled = i >= first && i < first + static_cast<int>(c.Written);
            pf::CharCell cell = contract::CellAt(out_, x, y);
            ASSERT_EQ(cell.Char, filled ? '*' : ' ') << c.Name << " at " << x << "," << y;
            if (filled) {
                ASSERT_EQ(cell.Attributes, 0x2E) << c.Name << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(ConsoleContract, TheCursorGoesToCellsInsideTheBufferOnly) {
    pf::ScreenBufferInfo info{};
    ASSERT_TRUE(pf::SetCursor(out_, {Columns - 1, Rows - 1}));
    ASSERT_TRUE(pf::GetScreenBufferInfo(out_, info));
    EXPECT_EQ(info.Cursor.X, Columns - 1);
    EXPECT_EQ(info.Cursor.Y, Rows - 1);
    EXPECT_FALSE(pf::SetCursor(out_, {Columns, 0}));
    EXPECT_FALSE(pf::SetCursor(out_, {0, Rows}));
    ASSERT_TRUE(pf::GetScreenBufferInfo(out_, info));
    EXPECT_EQ(info.Cursor.X, Columns - 1) << "a refused move moved the cursor";
}

TEST_F(ConsoleContract, ACellWriteFillsItsRowAndLeavesTheCursor) {
    pf::CharCell cells[5];
    for (int i = 0; i < 5; ++i) cells[i] = {static_cast<uint8_t>('A' + i), static_cast<uint16_t>(0x10 + i)};
    pf::Rect region{3, 2, 7, 2};
    ASSERT_TRUE(pf::WriteCells(out_, cells, {5, 1}, {0, 0}, region));
    EXPECT_EQ(Row(2).substr(0, 10), "   ABCDE  ");
    EXPECT_EQ(contract::CellAt(out_, 7, 2).Attributes, 0x14);
    EXPECT_EQ(region.Left, 3);
    EXPECT_EQ(region.Right, 7);
    pf::Rect edge{static_cast<int16_t>(Columns - 2), 4, static_cast<int16_t>(Columns + 2), 4};
    ASSERT_TRUE(pf::WriteCells(out_, cells, {5, 1}, {0, 0}, edge));
    EXPECT_EQ(Row(4).substr(Columns - 3), " AB") << "cut at the right edge";
    EXPECT_EQ(edge.Right, Columns - 1);
    pf::ScreenBufferInfo info{};
    ASSERT_TRUE(pf::GetScreenBufferInfo(out_, info));
    EXPECT_EQ(info.Cursor.X, 0);
    EXPECT_EQ(info.Cursor.Y, 0);
}

TEST_F(ConsoleContract, AScrollMovesTheRectangleUpWithinItsClipAndFillsWhatCameFree) {
    Paint();
    pf::Rect rect{0, 0, Columns - 1, Rows - 1};
    ASSERT_TRUE(pf::ScrollRect(out_, rect, rect, {0, -1}, {' ', 0x07}));
    EXPECT_EQ(Row(0), std::string(Columns, 'b'));
    EXPECT_EQ(Row(Rows - 2), std::string(Columns, static_cast<char>('a' + Rows - 1)));
    EXPECT_EQ(Row(Rows - 1), std::string(Columns, ' '));
    EXPECT_EQ(contract::CellAt(out_, 0, Rows - 1).Attributes, 0x07);
    EXPECT_EQ(contract::CellAt(out_, 0, 0).Attributes, 0x1F);

    Paint();
    pf::Rect inner{2, 3, 5, 6};
    ASSERT_TRUE(pf::ScrollRect(out_, inner, inner, {2, 2}, {'.', 0x07}));
    EXPECT_EQ(Row(2).substr(0, 8), "cccccccc") << "above the clip";
    EXPECT_EQ(Row(3).substr(0, 8), "ddeeeedd");
    EXPECT_EQ(Row(6).substr(0, 8), "gg....gg");
    EXPECT_EQ(Row(7).substr(0, 8), "hhhhhhhh") << "below the clip";
}

// Three records go into the console input; they are counted, peeked without being taken,
// and read back in order with every field as it went in.
void ConsoleContract::ExpectQueued(const char* name, const pf::InputRecord (&queued)[3]) {
    SCOPED_TRACE(name);
    uint32_t n = 99;
    ASSERT_TRUE(pf::CountInput(in_, n));
    EXPECT_EQ(n, 0u);
    pf::InputRecord records[4];
    uint32_t copied = 99;
    ASSERT_TRUE(pf::PeekInput(in_, records, 4, copied));
    EXPECT_EQ(copied, 0u) << "a peek of nothing";

    for (const pf::InputRecord& r : queued)
        if (!contract::QueueInput(in_, r)) GTEST_SKIP() << "this console's input cannot carry these records";
    ASSERT_TRUE(pf::CountInput(in_, n));
    EXPECT_EQ(n, 3u) << [&] {
        pf::InputRecord all[32];
        uint32_t k = 0;
        pf::PeekInput(in_, all, 32, k);
        std::string s;
        for (uint32_t i = 0; i < k; ++i)
            s += std::to_string(all[i].EventType) + "/" + std::to_string(all[i].VirtualKeyCode) + " ";
        return s;
    }();
    ASSERT_TRUE(pf::PeekInput(in_, records, 2, copied));
    EXPECT_EQ(copied, 2u);
    ASSERT_TRUE(pf::CountInput(in_, n));
    EXPECT_EQ(n, 3u) << "the peek removed records";

    uint32_t read = 0;
    ASSERT_TRUE(pf::ReadInput(in_, records, 1, read));
    ASSERT_EQ(read, 1u);
    ASSERT_TRUE(pf::ReadInput(in_, records + 1, 4, read));
    ASSERT_EQ(read, 2u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(records[i].EventType, queued[i].EventType) << "record " << i;
        EXPECT_EQ(records[i].KeyDown, queued[i].KeyDown) << "record " << i;
        EXPECT_EQ(records[i].VirtualKeyCode, queued[i].VirtualKeyCode) << "record " << i;
        EXPECT_EQ(records[i].Char, queued[i].Char) << "record " << i;
        EXPECT_EQ(records[i].ControlKeyState, queued[i].ControlKeyState) << "record " << i;
    }
    ASSERT_TRUE(pf::CountInput(in_, n));
    EXPECT_EQ(n, 0u);
}

TEST_F(ConsoleContract, InputIsCountedPeekedWithoutRemovingAndReadInOrder) {
    // A key's down and up records and a modifier state that only a keyboard gives...
    ExpectQueued("keyboard records", {KeyRecord(0x41, 'a', pf::ShiftPressed | pf::CapsLockOn, true),
                                      KeyRecord(0x41, 'a', 0, false),
                                      KeyRecord(0x70, 0, pf::LeftCtrlPressed, true)});
}

TEST_F(ConsoleContract, KeysATerminalSendsAreQueuedAlike) {
    // ...and key presses that a terminal sends too, so that every console runs this.
    ExpectQueued("typed keys", {KeyRecord(0x41, 'A', pf::ShiftPressed, true), KeyRecord(0x5A, 'z', 0, true),
                                KeyRecord(0x70, 0, pf::LeftCtrlPressed, true)});
}

}  // namespace
