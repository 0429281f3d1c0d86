// Loading a register image: "name value" lines, and a report file that regdump wrote.
#include <gtest/gtest.h>

#include <string>

#include "tools/ctlsim/register_image.h"

namespace {

const std::string Fixtures = CTLSIM_FIXTURES;

TEST(CtlsimRegisterImage, PlainLinesKeepTheValueTextAsWritten) {
    ctlsim::ImageLoad load = ctlsim::ParseImage(
        "# a comment, then an empty line\r\n"
        "\r\n"
        "DM109 123\r\n"
        "  dm25   -1  \n"
        "DM26\t$1F\n"
        "DM0027 12AB\n"
        "T2 00150\n"
        "T3 12 5\n"
        "T48\n");
    ASSERT_TRUE(load.Ok) << load.Error;
    const std::pair<uint16_t, std::string> words[] = {{109, "123"}, {25, "-1"}, {26, "$1F"}, {27, "12AB"}};
    for (const auto& [word, text] : words) EXPECT_EQ(ctlsim::DataWordText(load.Image, word), text) << "DM" << word;
    EXPECT_EQ(load.Image.DataWords.size(), 4u);
    const std::pair<uint16_t, std::string> timers[] = {{2, "00150"}, {3, "12 5"}, {48, ""}};
    for (const auto& [timer, text] : timers) EXPECT_EQ(ctlsim::TimerText(load.Image, timer), text) << "T" << timer;
    // What the file does not name answers zero.
    EXPECT_EQ(ctlsim::DataWordText(load.Image, 20), "0");
    EXPECT_EQ(ctlsim::TimerText(load.Image, 12), "0");
}

TEST(CtlsimRegisterImage, ReplaysAReportFile) {
    ctlsim::ImageLoad load = ctlsim::LoadImageFile(Fixtures + "/4711_00.spf");
    ASSERT_TRUE(load.Ok) << load.Error;
    EXPECT_EQ(load.Image.DataWords.size(), 190u);
    // The first and last cells of rows and blocks, and the system number.
    const std::pair<uint16_t, const char*> words[] = {
        {20, "0"}, {21, "65535"}, {22, "7"}, {29, "1073"}, {109, "4711"}, {139, "5143"},
        {200, "7400"}, {249, "54321"}, {890, "32930"}, {899, "33263"}, {980, "36260"}, {989, "1"}};
    for (const auto& [word, text] : words) EXPECT_EQ(ctlsim::DataWordText(load.Image, word), text) << "DM" << word;
    EXPECT_FALSE(load.Image.DataWords.count(140));
    EXPECT_FALSE(load.Image.DataWords.count(250));
    // Timer texts come back as the report shows them: empty, with blanks, an error text.
    const std::pair<uint16_t, const char*> timers[] = {
        {2, "00150"}, {3, ""}, {12, "12 5"}, {13, "auxStrIn Err"}, {48, "00005"}};
    for (const auto& [timer, text] : timers) EXPECT_EQ(ctlsim::TimerText(load.Image, timer), text) << "T" << timer;
    EXPECT_EQ(load.Image.Timers.size(), 5u);
}

TEST(CtlsimRegisterImage, RejectsMalformedLinesWithTheirNumber) {
    const std::string header =
        "System Constants      0     1     2     3     4     5     6     7     8     9\r\n";
    std::string nineCells;
    for (int i = 0; i < 9; ++i) nineCells += "     1";
    struct Case {
        const char* Name;
        std::string Text;
        const char* ErrorStart;
    };
    const Case cases[] = {
        {"unknown name", "DM20 1\nXY12 5\n", "line 2:"},
        {"word above 65535", "DM70000 1\n", "line 1:"},
        {"timer without a number", "# c\n\nDM5 1\nT 3\n", "line 4:"},
        {"header not exact: read as plain", "System Constants 0 1\n", "line 1:"},
        {"cell not a number", header + "\r\n  DM[020]        " + nineCells + "   abc\r\n", "line 3:"},
        {"cell of five characters", header + "  DM[020]            1    2\r\n", "line 2:"},
        {"row label not a number", header + "  DM[0x0]             1\r\n", "line 2:"},
        {"stray line", header + "Timer\r\n", "line 2:"},
    };
    for (const Case& c : cases) {
        ctlsim::ImageLoad load = ctlsim::ParseImage(c.Text);
        EXPECT_FALSE(load.Ok) << c.Name;
        EXPECT_EQ(load.Error.rfind(c.ErrorStart, 0), 0u) << c.Name << ": " << load.Error;
    }
    ctlsim::ImageLoad missing = ctlsim::LoadImageFile(Fixtures + "/no-such-file");
    EXPECT_FALSE(missing.Ok);
    EXPECT_NE(missing.Error.find("no-such-file"), std::string::npos) << missing.Error;
}

}  // namespace
