// Transact: what goes on the line, the reply cases, the limits in polls, the guard
// against input already waiting, and Esc during an exchange.
#include <gtest/gtest.h>

#include "ComLibN/ComLibN.h"
#include "ctllink/ctllink.h"
#include "tests/unit/serial_fixture.h"

namespace {

using regdump_test::Since;
namespace fs = fakeos::serial;

class TransactTest : public regdump_test::SerialTest {
protected:
    void SetUp() override {
        SerialTest::SetUp();
        port = &OpenCom(1);
    }
    fs::Port* port = nullptr;
};

TEST_F(TransactTest, ASilentControllerCostsFiftyOneEmptyPollsAndFiftyTwoSleeps) {
    std::string reply = "old";
    Since s;
    ctllink::Transact(1, "RD DM20", reply);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(port->Written, "RD DM20\r");
    EXPECT_EQ(s.Sleeps(), std::vector<uint32_t>(52, 1));
    // One status query by the guard before the write, then one per empty poll.
    EXPECT_EQ(s.StatusQueries(), 1u + 51u);
}

TEST_F(TransactTest, GivesTheReplyLineLessItsLastTwoCharacters) {
    const std::string over255 = std::string(300, '9') + "\r\n";
    const struct {
        const char* Name;
        std::string Answer;
        std::string Reply;
    } cases[] = {
        {"digits and CR LF", "12345\r\n", "12345"},
        {"an empty CR LF line, then a line", "\r\n7\r\n", "7"},
        {"a single LF stays whole", "\n", "\n"},
        {"an ETX line", "123\x03", "12"},
        {"over 255 bytes", over255, std::string(253, '9')},
        {"a line that never ends: no piece of the error text", "123", ""},
        {"only an empty CR LF line", "\r\n", ""},
    };
    for (const auto& c : cases) {
        fs::Port& com = fs::AddPort("COM1");
        ASSERT_EQ(ComLibN::OpenPort(1, 9600, 'E', 8, 1), 0);
        com.Reply = fs::Sequence({c.Answer});
        com.ReplyDelayMs = 5;
        std::string reply;
        ctllink::Transact(1, "RD DM109", reply);
        EXPECT_EQ(reply, c.Reply) << c.Name;
        EXPECT_EQ(com.Written, "RD DM109\r") << c.Name;
    }
}

TEST_F(TransactTest, AReplyComingByteByByteIsWaitedFor) {
    port->Reply = fs::Table({{"RD T2", "T0002 = 00100\r\n"}});
    port->ReplyDelayMs = 40;  // within the 51 polls
    port->ByteIntervalMs = 3;  // within the 101 polls of a started line
    std::string reply;
    ctllink::Transact(1, "RD T2", reply);
    EXPECT_EQ(reply, "T0002 = 00100");
}

TEST_F(TransactTest, InputAlreadyWaitingIsDroppedAndTheCommandNotSent) {
    fs::Send(*port, "junk\r\nmore");
    std::string reply;
    ctllink::Transact(1, "RD DM20", reply);
    EXPECT_EQ(reply, "String in buffer ");
    EXPECT_EQ(port->Written, "");
    EXPECT_EQ(fs::Pending(*port), 4u) << "the guard reads one line";
}

TEST_F(TransactTest, RewritesANegativeNumberAsItsSixteenBitTwosComplement) {
    const struct {
        const char* Command;
        const char* Sent;
    } cases[] = {
        {"RD DM-1", "RD DM65535\r"},
        {"RD DM-0", "RD DM0\r"},
        {"RD T-5", "RD T65531\r"},
        {"RD DM-1x7", "RD DM65535\r"},
        {"RD DM-70000", "RD DM61072\r"},
        {"RD DM-", "RD DM0\r"},
        {"RD DM20", "RD DM20\r"},
    };
    for (const auto& c : cases) {
        port->Written.clear();
        std::string reply;
        ctllink::Transact(1, c.Command, reply);
        EXPECT_EQ(port->Written, c.Sent) << c.Command;
    }
}

TEST_F(TransactTest, ACommandOf255CharactersGoesWithoutItsCarriageReturn) {
    std::string reply;
    ctllink::Transact(1, std::string(254, 'A'), reply);
    EXPECT_EQ(port->Written, std::string(254, 'A') + "\r");
    port->Written.clear();
    ctllink::Transact(1, std::string(300, 'B'), reply);
    EXPECT_EQ(port->Written, std::string(255, 'B'));
}

TEST_F(TransactTest, ARewrittenNegativeNumberNearTheEndIsCutAt255Characters) {
    // "-1" becomes five digits: from the 251st character on, the command would grow past 255.
    std::string reply;
    ctllink::Transact(1, std::string(251, 'A') + "-1", reply);
    EXPECT_EQ(port->Written, std::string(251, 'A') + "6553");
    port->Written.clear();
    ctllink::Transact(1, std::string(249, 'A') + "-1", reply);
    EXPECT_EQ(port->Written, std::string(249, 'A') + "65535\r");
}

TEST_F(TransactTest, EscDuringTheWaitEmptiesTheReplyAndMakesTheRestOfThePollsImmediate) {
    port->Reply = fs::Sequence({"12345\r\n"});
    port->ReplyDelayMs = 20;
    TapEsc(10);
    std::string reply;
    Since s;
    ctllink::Transact(1, "RD DM20", reply);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(s.Sleeps(), std::vector<uint32_t>(52, 1)) << "each remaining poll keeps its sleep";
    EXPECT_LT(s.StatusQueries(), 15u) << "no status query once Esc was seen";
    EXPECT_EQ(fs::Pending(*port), 7u) << "the reply is not read";
}

TEST_F(TransactTest, EscDuringAStartedLineGivesAnEmptyReply) {
    fs::Port& com = *port;
    com.Reply = [&com](const std::string&) {
        fs::Send(com, "345\r\n", fakeos::Now() + 60);
        return std::string("12");
    };
    com.ReplyDelayMs = 2;
    TapEsc(20);
    std::string reply;
    ctllink::Transact(1, "RD DM20", reply);
    EXPECT_EQ(reply, "");
    EXPECT_TRUE(ComLibN::EscFlag);
}

TEST_F(TransactTest, AfterEscNothingIsSentAndNothingWaited) {
    ComLibN::EscFlag = true;
    std::string reply = "old";
    Since s;
    ctllink::Transact(1, "RD DM20", reply);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(port->Written, "");
    EXPECT_TRUE(s.Sleeps().empty());
    EXPECT_EQ(s.KeyPolls(), 0u);
}

TEST_F(TransactTest, APortWhoseOpenFailedWritesNothingAndWaitsTheFiftyOnePolls) {
    EXPECT_EQ(ComLibN::OpenPort(1, 9600, 'E', 8, 1), 5);  // open already
    port->Written.clear();
    std::string reply;
    Since s;
    ctllink::Transact(1, "CR", reply);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(port->Written, "");
    EXPECT_EQ(fakeos::Calls(fakeos::Request::WriteSerial), 0u);
    EXPECT_EQ(s.Sleeps(), std::vector<uint32_t>(52, 1));
}

TEST_F(TransactTest, AnExtendedKeyDuringTheExchangeIsConsumedWholeAndEndsNothing) {
    port->Reply = fs::Sequence({"12345\r\n"});
    port->ReplyDelayMs = 10;
    port->ByteIntervalMs = 2;
    TapLetter('a', 5);
    TapAltLeft(6);  // 0 155
    TapF1(13);      // 0 59, while the line comes
    TapAltLeft(14);
    std::string reply;
    ctllink::Transact(1, "RD DM20", reply);
    EXPECT_EQ(reply, "12345");
    EXPECT_FALSE(ComLibN::EscFlag);
    EXPECT_TRUE(KeyboardEmpty());
}

}  // namespace
