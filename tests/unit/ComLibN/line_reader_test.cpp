// auxStrIn: the line up to a terminator, the quiet-line mode and the block read, their
// limits in polls, the cut to the maximum length, and the keys taken while reading.
#include <gtest/gtest.h>

#include "ComLibN/ComLibN.h"
#include "tests/unit/serial_fixture.h"

namespace {

using regdump_test::Since;
namespace fs = fakeos::serial;

class LineReaderTest : public regdump_test::SerialTest {
protected:
    void SetUp() override {
        SerialTest::SetUp();
        port = &OpenCom(1);
    }
    fs::Port* port = nullptr;
};

TEST_F(LineReaderTest, ReadsALineUpToEitherTerminator) {
    const std::string over255 = std::string(300, 'x') + "\r\n";
    const struct {
        const char* Name;
        std::string Bytes;
        int32_t MaxLength;
        std::string Text;
        int32_t Count;
        size_t Left;  // bytes still on the line afterwards
    } cases[] = {
        {"CR LF line", "12345\r\nNEXT", 255, "12345\r\n", 7, 4},
        {"ETX line", "42\x03" "7", 255, "42\x03", 3, 1},
        {"a single LF", "\n", 255, "\n", 1, 0},
        {"an empty CR LF line", "\r\n7\r\n", 255, "\r\n", 2, 3},
        {"cut to the maximum length", "12345\r\n", 4, "1234", 7, 0},
        {"over 255 bytes: the rest is dropped", over255, 255, std::string(255, 'x'), 255, 0},
    };
    for (const auto& c : cases) {
        fs::AddPort("COM1");
        ASSERT_EQ(ComLibN::OpenPort(1, 9600, 'E', 8, 1), 0);
        fs::Send(*fs::Find("COM1"), c.Bytes);
        std::string text;
        EXPECT_EQ(ComLibN::auxStrIn(1, text, c.MaxLength, 1, 3, 10), c.Count) << c.Name;
        EXPECT_EQ(text, c.Text) << c.Name;
        EXPECT_EQ(fs::Pending(*fs::Find("COM1")), c.Left) << c.Name;
    }
}

TEST_F(LineReaderTest, ALineThatStallsEndsAtItsHundredAndFirstEmptyPoll) {
    fs::Send(*port, "1", 0);
    fs::Send(*port, "2", 30);  // 30 ms later: the idle count starts again
    std::string text;
    Since s;
    EXPECT_EQ(ComLibN::auxStrIn(1, text, 255, 1, 3, 10), 2);
    EXPECT_EQ(text, "auxStrIn Error");
    EXPECT_EQ(s.SleepsOf(1), 30u + 101u);
    EXPECT_EQ(s.Sleeps().size(), 30u + 101u);
    // The entry test, two bytes and 131 empty polls: one status query each.
    EXPECT_EQ(s.StatusQueries(), 1u + 2u + 131u);
}

TEST_F(LineReaderTest, TheErrorTextIsCutToTheMaximumLengthToo) {
    fs::Send(*port, "12");
    std::string text;
    EXPECT_EQ(ComLibN::auxStrIn(1, text, 8, 1, 3, 10), 2);
    EXPECT_EQ(text, "auxStrIn");
}

TEST_F(LineReaderTest, TheQuietLineModeIgnoresTerminatorsAndEndsAtItsEleventhEmptyPoll) {
    fs::Send(*port, "a\nb\x03" "c");
    std::string text;
    Since s;
    EXPECT_EQ(ComLibN::auxStrIn(1, text, 255, 2, 3, 10), 5);
    EXPECT_EQ(text, "a\nb\x03" "c");
    EXPECT_EQ(s.Sleeps(), std::vector<uint32_t>(11, 1));
}

TEST_F(LineReaderTest, BlockModeMakesOneReadOfTheCountOrOf255) {
    fs::Send(*port, "abcde");
    std::string text;
    Since three;
    EXPECT_EQ(ComLibN::auxStrIn(1, text, 255, 0, 3, 0), 3);
    EXPECT_EQ(text, "abc");
    EXPECT_EQ(three.Reads(), 1u);
    EXPECT_EQ(three.Elapsed(), 0u) << "the bytes asked for were there";

    Since all;
    EXPECT_EQ(ComLibN::auxStrIn(1, text, 1, 0, 0, 0), 2);
    EXPECT_EQ(text, "d") << "cut to the maximum length";
    EXPECT_EQ(all.Elapsed(), 52u) << "fewer than 255 came: the read ends on its total time-out";
    EXPECT_TRUE(all.Sleeps().empty());
}

TEST_F(LineReaderTest, LeavesTheTextAloneWhenNothingWaitsOrAfterEsc) {
    std::string text = "kept";
    EXPECT_EQ(ComLibN::auxStrIn(1, text, 255, 1, 3, 10), 0);
    EXPECT_EQ(text, "kept");

    fs::Send(*port, "1\r\n");
    TapEsc();
    EXPECT_EQ(ComLibN::auxStrIn(1, text, 255, 1, 3, 10), -1);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(fs::Pending(*port), 3u);
}

TEST_F(LineReaderTest, EscEndsALineButOtherKeysAreConsumedWhole) {
    fs::Send(*port, "12", 0);
    fs::Send(*port, "34\r\n", 20);
    TapLetter('a', 2);
    TapF1(3);
    TapAltLeft(4);  // gives 27 from NextKey, but is no Esc
    TapAltLeft(5);
    std::string text;
    EXPECT_EQ(ComLibN::auxStrIn(1, text, 255, 1, 3, 10), 6);
    EXPECT_EQ(text, "1234\r\n");
    EXPECT_FALSE(ComLibN::EscFlag);
    EXPECT_TRUE(KeyboardEmpty());

    fs::Send(*port, "12", fakeos::Now());
    fs::Send(*port, "34\r\n", fakeos::Now() + 20);
    TapEsc(fakeos::Now() + 5);
    EXPECT_EQ(ComLibN::auxStrIn(1, text, 255, 1, 3, 10), 2);
    EXPECT_EQ(text, "auxStrIn Error");
    EXPECT_TRUE(ComLibN::EscFlag);
}

}  // namespace
