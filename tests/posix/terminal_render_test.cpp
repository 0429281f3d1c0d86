// What the terminal console draws, read back from a pseudo-terminal through a screen
// model: fills, cell writes, a scroll and the cursor; colours by attribute with the
// start-up attribute in the terminal's own colours; code page 437 glyphs by locale.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/posix/open_as_unit.h"
#include "bcrt/console_state.h"
#include "bcrt/screen.h"
#include "platform/os.h"
#include "platform/posix/terminal_render.h"
#include "tests/posix/pty_child.h"
#include "tests/posix/screen_model.h"

namespace {

namespace pf = platform;
using pty_test::CellAt;
using pty_test::RowText;

const std::vector<std::pair<std::string, std::string>> Utf8Locale = {{"LC_ALL", ""}, {"LC_CTYPE", ""}, {"LANG", "C.UTF-8"}};

using pty_test::OpenAsTheUnit;

TEST(TerminalRender, ColourOfEachAttribute) {
    struct Case {
        uint16_t Attr;
        const char* Want;
    };
    const Case cases[] = {
        {0x07, "\x1b[0m"},          // the start-up attribute: the terminal's own colours
        {0x1007, "\x1b[0m"},        // bits above the colours change nothing
        {0x00, "\x1b[0;30;40m"},
        {0x01, "\x1b[0;34;40m"},    // Windows blue is ANSI 4
        {0x04, "\x1b[0;31;40m"},    // Windows red is ANSI 1
        {0x06, "\x1b[0;33;40m"},    // red + green: yellow
        {0x0F, "\x1b[0;97;40m"},    // intensity: the bright form
        {0x17, "\x1b[0;37;44m"},    // grey on blue is not the default, though grey is
        {0x4E, "\x1b[0;93;41m"},
        {0xF0, "\x1b[0;30;107m"},   // a bright background
        {0x70, "\x1b[0;30;47m"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pf::posix::render::ColourSequence(c.Attr), c.Want) << "attribute " << std::hex << c.Attr;
}

TEST(TerminalRender, FillsWritesScrollAndCursorShowOnTheTerminal) {
    pty_test::Options options;
    options.Columns = 20;
    options.Rows = 6;
    options.Env = Utf8Locale;
    pty_test::Terminal t = pty_test::Start(options, [](int report) {
        // Text that was on the terminal before: the console's first drawing replaces it.
        const char junk[] = "JUNK\r\nJUNK\r\nJUNK";
        if (write(1, junk, sizeof junk - 1) < 0) return 2;
        OpenAsTheUnit();
        pf::Handle out = bcrt::Console.OutputHandle;
        bcrt::ClearWindow();
        uint32_t n = 0;
        pf::FillCharacters(out, '.', 25, {0, 0}, n);  // a row and a bit of the next
        pf::FillAttributes(out, 0x1E, 5, {3, 1}, n);
        const pf::CharCell hello[5] = {{'H', 0x4F}, {'E', 0x4F}, {'L', 0x4F}, {'L', 0x4F}, {'O', 0x4F}};
        pf::Rect r{2, 3, 6, 3};
        pf::WriteCells(out, hello, {5, 1}, {0, 0}, r);
        const pf::CharCell ab[2] = {{'a', 7}, {'b', 7}};
        r = {2, 4, 3, 4};
        pf::WriteCells(out, ab, {2, 1}, {0, 0}, r);
        const pf::CharCell xyz[3] = {{'x', 7}, {'y', 7}, {'z', 7}};
        r = {2, 2, 4, 2};
        pf::WriteCells(out, xyz, {3, 1}, {0, 0}, r);
        pf::Rect box{2, 2, 8, 4};
        pf::ScrollRect(out, box, box, {2, 1}, {'-', 0x20});
        pf::SetCursor(out, {5, 4});
        pty_test::Say(report, "done");
        return 0;
    });
    ASSERT_TRUE(pty_test::WaitFor(t, "done"));
    int status = pty_test::Finish(t);
    pty_test::Close(t);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    pty_test::ScreenModel screen = pty_test::MakeScreen(20, 6);
    pty_test::Play(screen, t.Output);
    EXPECT_TRUE(screen.Unknown.empty()) << screen.Unknown.front();
    const char* want[6] = {
        "....................",
        ".....               ",
        "  HELLO             ",  // row 3 moved up; row 2's xyz is gone
        "  ab                ",
        "  -------           ",  // the fill of the scroll
        "                    ",  // the junk of the terminal is gone
    };
    for (int y = 0; y < 6; ++y) EXPECT_EQ(RowText(screen, y), want[y]) << "row " << y;
    struct Colour {
        int X, Y, Fg, Bg;
        const char* What;
    };
    const Colour colours[] = {
        {0, 0, -1, -1, "start-up attribute in the terminal's default colours"},
        {2, 1, -1, -1, "before the attribute fill"},
        {3, 1, 11, 4, "attribute fill: bright yellow on blue"},
        {7, 1, 11, 4, "attribute fill's last cell"},
        {8, 1, -1, -1, "after the attribute fill"},
        {2, 2, 15, 1, "moved cell keeps its bright white on red"},
        {4, 4, 0, 2, "scroll fill: black on green"},
        {9, 4, -1, -1, "outside the scroll"},
    };
    for (const Colour& c : colours) {
        EXPECT_EQ(CellAt(screen, c.X, c.Y).Fg, c.Fg) << c.What;
        EXPECT_EQ(CellAt(screen, c.X, c.Y).Bg, c.Bg) << c.What;
    }
    EXPECT_EQ(screen.X, 5);
    EXPECT_EQ(screen.Y, 4);
    EXPECT_TRUE(screen.CursorVisible);
    EXPECT_EQ(screen.Fg, -1) << "the terminal is left in its default colours";
}

TEST(TerminalRender, ScrollsOfWholeRows) {
    struct Case {
        const char* Name;
        uint16_t Top, Bottom, Lines;
        std::vector<std::string> Want;
    };
    const Case cases[] = {
        {"the window by one line, as a line feed on the last row", 0, 4, 1, {"row1", "row2", "row3", "row4", "----"}},
        {"a band inside the window", 1, 3, 1, {"row0", "row2", "row3", "----", "row4"}},
        {"a band by two lines", 1, 4, 2, {"row0", "row3", "row4", "----", "----"}},
        {"a band by its height", 1, 2, 2, {"row0", "----", "----", "row3", "row4"}},
    };
    for (const Case& c : cases) {
        pty_test::Options options;
        options.Columns = 4;
        options.Rows = 5;
        pty_test::Terminal t = pty_test::Start(options, [&c](int report) {
            OpenAsTheUnit();
            bcrt::ClearWindow();
            for (int y = 0; y < 5; ++y) {
                std::string text = "row" + std::to_string(y);
                pf::CharCell cells[4];
                for (int x = 0; x < 4; ++x) cells[x] = {static_cast<uint8_t>(text[static_cast<size_t>(x)]), 7};
                pf::Rect r{0, static_cast<int16_t>(y), 3, static_cast<int16_t>(y)};
                pf::WriteCells(bcrt::Console.OutputHandle, cells, {4, 1}, {0, 0}, r);
            }
            pf::Rect band{0, static_cast<int16_t>(c.Top), 3, static_cast<int16_t>(c.Bottom)};
            pf::ScrollRect(bcrt::Console.OutputHandle, band, band, {0, static_cast<int16_t>(c.Top - c.Lines)},
                           {'-', 0x20});
            pf::SetCursor(bcrt::Console.OutputHandle, {1, 2});
            pty_test::Say(report, "done");
            return 0;
        });
        EXPECT_TRUE(pty_test::WaitFor(t, "done")) << c.Name;
        pty_test::Finish(t);
        pty_test::Close(t);
        pty_test::ScreenModel screen = pty_test::MakeScreen(4, 5);
        pty_test::Play(screen, t.Output);
        EXPECT_TRUE(screen.Unknown.empty()) << c.Name << ": " << screen.Unknown.front();
        for (int y = 0; y < 5; ++y) {
            EXPECT_EQ(RowText(screen, y), c.Want[static_cast<size_t>(y)]) << c.Name << ", row " << y;
            int wantBg = c.Want[static_cast<size_t>(y)] == "----" ? 2 : -1;
            EXPECT_EQ(CellAt(screen, 0, y).Bg, wantBg) << c.Name << ", row " << y;
        }
        EXPECT_EQ(screen.X, 1) << c.Name;
        EXPECT_EQ(screen.Y, 2) << c.Name;
    }
}

TEST(TerminalRender, ToneIsTheBellAndItsWait) {
    pty_test::Terminal t = pty_test::Start({}, [](int report) {
        pf::OpenConsole("CONOUT$");
        auto start = std::chrono::steady_clock::now();
        bool ok = pf::Beep(3000, 100);
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        pty_test::Say(report, "beep " + std::to_string(ok) + " " + std::to_string(ms.count()));
        return 0;
    });
    ASSERT_TRUE(pty_test::WaitFor(t, "beep 1 "));
    pty_test::Finish(t);
    pty_test::Close(t);
    int ms = std::stoi(t.Heard.substr(t.Heard.find("beep 1 ") + 7));
    EXPECT_GE(ms, 100);
    EXPECT_LT(ms, 5000);  // a loaded machine may be slow, never this slow
    pty_test::ScreenModel screen = pty_test::MakeScreen(80, 25);
    pty_test::Play(screen, t.Output);
    EXPECT_EQ(screen.Bells, 1);
}

TEST(TerminalRender, CodePageGlyphsByLocale) {
    struct Case {
        const char* Name;
        std::vector<std::pair<std::string, std::string>> Env;
        bool Utf8;
        std::string Want;
    };
    const Case cases[] = {
        {"UTF-8 locale", Utf8Locale, true, "\xe2\x94\x80\xe2\x98\xba\xc3\xbc" "A"},
        {"LC_ALL wins over LANG", {{"LC_ALL", "en_US.utf8"}, {"LANG", "C"}}, true, "\xe2\x94\x80\xe2\x98\xba\xc3\xbc" "A"},
        // Bytes as they are, but control bytes (1, and 0x81 on 8-bit terminals) as '?'.
        {"C locale", {{"LC_ALL", ""}, {"LC_CTYPE", ""}, {"LANG", "C"}}, false, "\xc4??A"},
        {"no locale at all", {{"LC_ALL", ""}, {"LC_CTYPE", ""}, {"LANG", ""}}, false, "\xc4??A"},
    };
    for (const Case& c : cases) {
        pty_test::Options options;
        options.Columns = 10;
        options.Rows = 2;
        options.Env = c.Env;
        pty_test::Terminal t = pty_test::Start(options, [](int report) {
            pf::Handle out = pf::OpenConsole("CONOUT$");
            const pf::CharCell cells[4] = {{196, 7}, {1, 7}, {0x81, 7}, {'A', 7}};
            pf::Rect r{0, 0, 3, 0};
            pf::WriteCells(out, cells, {4, 1}, {0, 0}, r);
            pty_test::Say(report, "done");
            return 0;
        });
        EXPECT_TRUE(pty_test::WaitFor(t, "done")) << c.Name;
        pty_test::Finish(t);
        pty_test::Close(t);
        pty_test::ScreenModel screen = pty_test::MakeScreen(10, 2, c.Utf8);
        pty_test::Play(screen, t.Output);
        EXPECT_EQ(RowText(screen, 0).substr(0, c.Want.size()), c.Want) << c.Name;
        EXPECT_TRUE(screen.Unknown.empty()) << c.Name;
    }
}

TEST(TerminalRender, BufferIsTheTerminalsSizeInTheStartUpAttribute) {
    struct Case {
        unsigned short Columns, Rows;
        int WantColumns, WantRows;
    };
    const Case cases[] = {{33, 11, 33, 11}, {0, 0, 80, 25}};  // no size told: 80 by 25
    for (const Case& c : cases) {
        pty_test::Options options;
        options.Columns = c.Columns;
        options.Rows = c.Rows;
        pty_test::Terminal t = pty_test::Start(options, [](int report) {
            pf::Handle out = pf::OpenConsole("CONOUT$");
            pf::ScreenBufferInfo info{};
            if (!pf::GetScreenBufferInfo(out, info)) return 3;
            pty_test::Say(report, "size " + std::to_string(info.Size.X) + "x" + std::to_string(info.Size.Y) +
                                      " attr " + std::to_string(info.Attributes) + " cursor " +
                                      std::to_string(info.Cursor.X) + "," + std::to_string(info.Cursor.Y) +
                                      " window " + std::to_string(info.Window.Right) + "," +
                                      std::to_string(info.Window.Bottom));
            return 0;
        });
        std::string want = "size " + std::to_string(c.WantColumns) + "x" + std::to_string(c.WantRows) +
                           " attr 7 cursor 0,0 window " + std::to_string(c.WantColumns - 1) + "," +
                           std::to_string(c.WantRows - 1);
        EXPECT_TRUE(pty_test::WaitFor(t, want)) << c.Columns << "x" << c.Rows << ": heard " << t.Heard;
        pty_test::Close(t);
    }
}

}  // namespace
