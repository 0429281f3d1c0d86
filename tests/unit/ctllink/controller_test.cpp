// The controller's port, the greeting and the reads of timers and data words.
#include <gtest/gtest.h>

#include "ComLibN/ComLibN.h"
#include "ctllink/ctllink.h"
#include "tests/unit/serial_fixture.h"

namespace {

using regdump_test::Since;
namespace fs = fakeos::serial;

class ControllerTest : public regdump_test::SerialTest {};

TEST_F(ControllerTest, OpenControllerPortDrainsTheKeysAndOpensAt9600E81) {
    fs::Port& port = fs::AddPort("COM3");
    TapEsc();
    TapLetter('z');
    ComLibN::EscFlag = true;
    EXPECT_EQ(ctllink::OpenControllerPort(3), 0);
    EXPECT_FALSE(ComLibN::EscFlag);
    EXPECT_TRUE(KeyboardEmpty());
    EXPECT_EQ(port.Settings.BaudRate, 9600u);
    EXPECT_EQ(port.Settings.Parity, platform::EvenParity);
    EXPECT_EQ(port.Settings.ByteSize, 8);
    EXPECT_EQ(port.Settings.StopBits, platform::OneStopBit);
    EXPECT_EQ(ctllink::OpenControllerPort(4), 2) << "no such port";
}

TEST_F(ControllerTest, ProbeControllerGreetsOnceWhenTheControllerAnswersCC) {
    fs::Port& port = OpenCom(1);
    port.Reply = fs::Table({{"CR", "CC\r\n"}});
    std::string reply;
    Since s;
    ctllink::ProbeController(1, reply);
    EXPECT_EQ(reply, "CC");
    EXPECT_EQ(port.Written, "CR\r");
    EXPECT_EQ(s.SleepsOf(100), 0u);
}

TEST_F(ControllerTest, ProbeControllerTriesThreeTimesATenthApartAndGivesTheLastReply) {
    fs::Port& port = OpenCom(1);
    port.Reply = fs::Sequence({"cc\r\n", "CCX\r\n", "NO\r\n"});
    std::string reply;
    Since s;
    ctllink::ProbeController(1, reply);
    EXPECT_EQ(reply, "NO");
    EXPECT_EQ(port.Commands, (std::vector<std::string>{"CR", "CR", "CR"}));
    EXPECT_EQ(s.SleepsOf(100), 2u);

    // The second attempt answered: two exchanges, one pause.
    port.Commands.clear();
    port.Reply = fs::Sequence({"", "CC\r\n"});
    Since again;
    ctllink::ProbeController(1, reply);
    EXPECT_EQ(reply, "CC");
    EXPECT_EQ(port.Commands.size(), 2u);
    EXPECT_EQ(again.SleepsOf(100), 1u);
}

TEST_F(ControllerTest, ReadTimerDropsTheFirstEightCharacters) {
    const struct {
        std::string Answer;
        std::string Text;
    } cases[] = {
        {"T0048 = 00100\r\n", "00100"}, {"123456789\r\n", "9"}, {"12345678\r\n", ""}, {"1234\r\n", ""}, {"", ""},
    };
    for (const auto& c : cases) {
        fs::Port& port = fs::AddPort("COM1");
        ASSERT_EQ(ComLibN::OpenPort(1, 9600, 'E', 8, 1), 0);
        port.Reply = fs::Sequence({c.Answer});
        std::string text = "old";
        ctllink::ReadTimer(1, 48, text);
        EXPECT_EQ(text, c.Text) << "answer " << c.Answer;
        EXPECT_EQ(port.Written, "RD T48\r");
    }
}

TEST_F(ControllerTest, ReadDataTextAndReadDataNumberSendTheWordNumber) {
    fs::Port& port = OpenCom(1);
    port.Reply = fs::Table({{"RD DM109", "00042\r\n"}, {"RD DM65535", "7\r\n"}});
    std::string text;
    ctllink::ReadDataText(1, 109, text);
    EXPECT_EQ(text, "00042");
    EXPECT_EQ(ctllink::ReadDataNumber(1, 65535), 7);
    EXPECT_EQ(port.Commands, (std::vector<std::string>{"RD DM109", "RD DM65535"}));
}

TEST_F(ControllerTest, ReadDataNumberConvertsTheReplyAndNeverFails) {
    const struct {
        std::string Answer;
        int32_t Value;
    } cases[] = {
        {"00123\r\n", 123}, {" 42\r\n", 42}, {"-5\r\n", -5},   {"12a\r\n", 12}, {"-12a\r\n", 12},
        {"$1F\r\n", 31},    {"0x10\r\n", 16}, {"\r\n", 0},      {"", 0},         {"abc\r\n", 0},
    };
    for (const auto& c : cases) {
        fs::Port& port = fs::AddPort("COM1");
        ASSERT_EQ(ComLibN::OpenPort(1, 9600, 'E', 8, 1), 0);
        port.Reply = fs::Sequence({c.Answer});
        EXPECT_EQ(ctllink::ReadDataNumber(1, 20), c.Value) << "answer " << c.Answer;
    }

    fs::Port& port = fs::AddPort("COM1");
    ASSERT_EQ(ComLibN::OpenPort(1, 9600, 'E', 8, 1), 0);
    fs::Send(port, "9\r\n");
    EXPECT_EQ(ctllink::ReadDataNumber(1, 20), 0) << "String in buffer ";
}

}  // namespace
