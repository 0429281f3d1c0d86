// ConsoleInput: lines typed at the keyboard, edited, echoed and handed to the layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bcrt/console_devices.h"
#include "bcrt/console_state.h"
#include "rtl/textfile.h"
#include "tests/unit/bcrt/console_fixture.h"

namespace {

using fakeos::console::Console;
using namespace regdump_test;

class ConsoleInputTest : public ConsoleDevices {
protected:
    // One transfer of standard input: the bytes it hands over.
    static std::string Line() {
        EXPECT_EQ(bcrt::ReadEditedLine(rtl::Input), 0u);
        EXPECT_EQ(rtl::Input.BufPos, 0u);
        return std::string(rtl::Input.BufPtr, rtl::Input.BufEnd);
    }
};

struct LineCase {
    const char* Name;
    std::vector<Press> Keys;
    std::string Bytes;   // handed over
    std::string Screen;  // rows 0 and 1 of the echo
    size_t CellWrites;   // of the echo
};

TEST_F(ConsoleInputTest, TypedLinesAreEditedEchoedAndHandedOverWithTheirLineEnd) {
    const LineCase cases[] = {
        {"Enter on an empty line", {Enter}, "\r\n", "\n\n", 0},
        {"Backspace takes back a character", {Char('1'), Char('2'), Backspace, Char('3'), Enter}, "13\r\n", "13\n\n", 4},
        {"Backspace on an empty line echoes nothing", {Backspace, Enter}, "\r\n", "\n\n", 0},
        {"extended keys are dropped", {F1, Char('a'), Up, Enter}, "a\r\n", "a\n\n", 1},
        {"key code 10 is kept and echoed", {Char('a'), CtrlEnter, Char('b'), Enter}, "a\nb\r\n", "a\n b\n", 2},
        {"Ctrl+C, Tab and Esc are ignored", {Char('a'), CtrlC, Tab, Esc, Char('b'), Enter}, "ab\r\n", "ab\n\n", 2},
    };
    for (const LineCase& c : cases) {
        Open(10, 4);
        Console.CellWrites.clear();
        Type(c.Keys);
        EXPECT_EQ(Line(), c.Bytes) << c.Name;
        EXPECT_EQ(fakeos::console::RowText(0) + "\n" + fakeos::console::RowText(1) + "\n", c.Screen) << c.Name;
        EXPECT_EQ(Console.CellWrites.size(), c.CellWrites) << c.Name;
        EXPECT_EQ(bcrt::Console.PendingKey, -1) << c.Name;
        EXPECT_EQ(Console.Input.size(), 1u) << c.Name << ": only the release of Enter is left";
    }
}

TEST_F(ConsoleInputTest, LongLinesEndAsTheRoomInTheBufferAllows) {
    struct LongCase {
        size_t Typed;
        std::string End;
    };
    const LongCase cases[] = {{125, "\r\n"}, {126, "\r"}, {127, "\r"}};
    for (const LongCase& c : cases) {
        Open();
        Type(std::string(c.Typed, 'x'));
        Type({Enter});
        EXPECT_EQ(Line(), std::string(c.Typed, 'x') + c.End) << c.Typed << " characters";
    }

    Open();
    Type(std::string(128, 'x'));
    Type({Enter});
    EXPECT_EQ(Line(), std::string(128, 'x')) << "the 128th character ends the transfer";
    EXPECT_EQ(Line(), "\r\n") << "the next transfer goes on with the same line";
}

TEST_F(ConsoleInputTest, TheLayerReadsANumberTypedWithCorrections) {
    Open(10, 4);
    Type({Char('4'), Char('2'), Backspace, Char('7'), Enter});
    EXPECT_EQ(rtl::ReadInteger(rtl::Input), 47);
    rtl::SkipLine(rtl::Input);
    rtl::CheckIo();
    EXPECT_EQ(rtl::Input.BufPos, rtl::Input.BufEnd) << "the line end is read too";
    EXPECT_EQ(fakeos::console::RowText(0), "47");
    EXPECT_EQ(Cursor().Y, 1);
}

TEST_F(ConsoleInputTest, AnEchoThatFailsIsRaisedFromWithinTheRead) {
    Open(10, 4);
    rtl::CloseFile(rtl::Output);
    Type({Char('4'), Enter});
    try {
        rtl::ReadInteger(rtl::Input);
        FAIL() << "the failed echo was not raised";
    } catch (const rtl::IoError& e) {
        EXPECT_EQ(e.Code, rtl::FileNotOpenError);
    }
}

}  // namespace
