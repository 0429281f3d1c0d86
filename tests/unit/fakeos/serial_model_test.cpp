// The in-memory serial ports: opening by name, the controller model's timing, and reads
// that honour the time-outs on the virtual clock.
#include <gtest/gtest.h>

#include <limits>

#include "tests/fakeos/serial.h"
#include "tests/unit/fixture.h"

namespace {

using fakeos::Request;
namespace fs = fakeos::serial;
namespace pf = platform;

class SerialModelTest : public regdump_test::FakeSystem {
protected:
    static std::string Read(pf::Handle h, uint32_t count) {
        std::string buffer(count, '\0');
        uint32_t read = 0;
        EXPECT_TRUE(pf::ReadSerial(h, buffer.data(), count, read));
        buffer.resize(read);
        return buffer;
    }
};

TEST_F(SerialModelTest, OpensByDeviceNameOnceAtATime) {
    fs::Port& port = fs::AddPort("COM3");
    EXPECT_EQ(pf::OpenSerial("COM4"), pf::InvalidHandle);
    EXPECT_EQ(pf::LastError(), 2u);
    pf::Handle h = pf::OpenSerial("\\\\.\\COM3");
    ASSERT_NE(h, pf::InvalidHandle);
    EXPECT_EQ(port.OpenedAs, "\\\\.\\COM3");
    EXPECT_EQ(pf::OpenSerial("COM3"), pf::InvalidHandle);
    EXPECT_EQ(pf::LastError(), 5u);
    fs::Release(port);
    pf::Handle again = pf::OpenSerial("COM3");
    EXPECT_NE(again, h);
    EXPECT_EQ(port.Opens, 2);
}

TEST_F(SerialModelTest, ReadsWaitOnTheVirtualClockAsTheTimeoutsSay) {
    fs::Port& port = fs::AddPort("COM1");
    pf::Handle h = pf::OpenSerial("COM1");
    ASSERT_TRUE(pf::SetSerialTimeouts(h, {0, 0, 52, 0, 0}));

    EXPECT_EQ(Read(h, 1), "");
    EXPECT_EQ(fakeos::Now(), 52u) << "nothing came: the whole constant";

    fs::Send(port, "abcde", 60, 5);  // a at 60, b at 65 ... e at 80
    EXPECT_EQ(Read(h, 3), "abc");
    EXPECT_EQ(fakeos::Now(), 70u) << "to the last byte asked for";
    EXPECT_EQ(Read(h, 5), "de");
    EXPECT_EQ(fakeos::Now(), 122u) << "fewer came: to the end of the time-out";
    EXPECT_TRUE(fakeos::Sleeps().empty());

    ASSERT_TRUE(pf::SetSerialTimeouts(h, {std::numeric_limits<uint32_t>::max(), 0, 0, 0, 0}));
    fs::Send(port, "x", 200);
    EXPECT_EQ(Read(h, 1), "");
    EXPECT_EQ(fakeos::Now(), 122u) << "MAXDWORD interval: at once";

    ASSERT_TRUE(pf::SetSerialTimeouts(h, {0, 0, 0, 0, 0}));
    EXPECT_EQ(Read(h, 1), "x");
    EXPECT_EQ(fakeos::Now(), 200u) << "no time-out: until the byte comes";
    uint8_t b;
    uint32_t read;
    EXPECT_THROW(pf::ReadSerial(h, &b, 1, read), fakeos::WouldBlockForever);
}

TEST_F(SerialModelTest, TheResponderAnswersEachCommandAfterItsDelayByteByByte) {
    fs::Port& port = fs::AddPort("COM1");
    port.Reply = fs::Table({{"CR", "CC\r\n"}});
    port.ReplyDelayMs = 5;
    port.ByteIntervalMs = 3;
    pf::Handle h = pf::OpenSerial("COM1");
    uint32_t written = 0;
    ASSERT_TRUE(pf::WriteSerial(h, "C", 1, written));
    ASSERT_TRUE(pf::WriteSerial(h, "R\rXY\r", 5, written));
    EXPECT_EQ(port.Commands, (std::vector<std::string>{"CR", "XY"}));
    EXPECT_EQ(port.Written, "CR\rXY\r");
    ASSERT_EQ(port.Incoming.size(), 4u) << "XY has no answer";
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(port.Incoming[i].At, 5 + 3 * i) << "byte " << i;
    uint32_t waiting = 0;
    pf::Sleep(8);
    ASSERT_TRUE(pf::SerialStatus(h, waiting));
    EXPECT_EQ(waiting, 2u);
}

TEST_F(SerialModelTest, InjectedFailuresAndAnUnpluggedPortFailTheirRequests) {
    fs::Port& port = fs::AddPort("COM1");
    pf::Handle h = pf::OpenSerial("COM1");
    uint32_t n = 0;
    fakeos::Fail(Request::WriteSerial, 31, 1);
    EXPECT_FALSE(pf::WriteSerial(h, "X\r", 2, n));
    EXPECT_EQ(port.Written, "");
    fs::Unplug(port);
    EXPECT_FALSE(pf::SerialStatus(h, n));
    EXPECT_EQ(pf::LastError(), 31u);
    EXPECT_FALSE(pf::WriteSerial(h, "X\r", 2, n));
    pf::SerialSettings s{};
    s.BaudRate = 9600;
    s.ByteSize = 9;
    EXPECT_FALSE(pf::SetSerialSettings(h, s));
    EXPECT_EQ(pf::LastError(), 87u);
}

}  // namespace
