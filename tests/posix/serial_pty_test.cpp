// The POSIX serial requests on a pseudo-terminal pair: the slave is the port, reached
// through REGDUMP_COM<n>; the test plays the controller on the master. Real time: the
// limits have generous slack.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "ComLibN/ComLibN.h"
#include "ctllink/ctllink.h"
#include "platform/os.h"
#include "platform/posix/termios_line.h"
#include "ComLibN/port_settings.h"

namespace {

namespace pf = platform;
constexpr uint16_t Port = 7;

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class PtySerialTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[256] = {};
        ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
        setenv("REGDUMP_COM7", name, 1);
        std::fill(std::begin(ComLibN::PortTable), std::end(ComLibN::PortTable), 0);
        ComLibN::EscFlag = false;
    }
    void TearDown() override {
        if (ComLibN::PortTable[Port - 1] > 0) pf::CloseHandle(ComLibN::PortTable[Port - 1]);
        if (master_ >= 0) close(master_);
        close(slave_);
        unsetenv("REGDUMP_COM7");
    }
    pf::Handle Open() {
        EXPECT_EQ(ComLibN::OpenPort(Port, 9600, 'E', 8, 1), 0);
        return ComLibN::PortTable[Port - 1];
    }
    // Waits up to a second for the port to report `count` bytes waiting.
    static bool WaitForBytes(pf::Handle h, uint32_t count) {
        for (int64_t end = NowMs() + 1000; NowMs() < end;) {
            uint32_t waiting = 0;
            if (pf::SerialStatus(h, waiting) && waiting >= count) return true;
            pf::Sleep(1);
        }
        return false;
    }
    void CloseMaster() {
        close(master_);
        master_ = -1;
    }
    int master_ = -1;
    int slave_ = -1;
};

// A Linux pseudo-terminal keeps the speed, the stop bits and the raw mode, but always
// reports 8 data bits and no parity; the translation test below covers those.
TEST_F(PtySerialTest, OpenPortPutsTheLineInRawMode9600OneStopBit) {
    pf::Handle h = Open();
    ASSERT_GT(h, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(slave_, &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_EQ(cfgetispeed(&t), B9600);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_NE(t.c_cflag & CREAD, 0u);
    EXPECT_EQ(t.c_iflag & (INPCK | IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);

    pf::SerialSettings s{};
    ASSERT_TRUE(pf::GetSerialSettings(h, s));
    EXPECT_EQ(s.BaudRate, 9600u);
    EXPECT_EQ(s.StopBits, pf::OneStopBit);
    EXPECT_EQ(pf::SerialFlagWord(s), 0x1011u);
    pf::SerialTimeouts timeouts{};
    ASSERT_TRUE(pf::GetSerialTimeouts(h, timeouts));
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 52u);
}

TEST_F(PtySerialTest, TwoStopBitsAndAnotherSpeedReadBack) {
    ASSERT_EQ(ComLibN::OpenPort(Port, 4800, 'O', 7, 2), 0);
    termios t{};
    ASSERT_EQ(tcgetattr(slave_, &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B4800);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
}

TEST(TermiosLineTest, DataBitsParityAndStopBitsGoIntoTheControlFlagsAndComeBack) {
    const struct {
        char Letter;
        uint8_t DataBits;
        uint16_t StopBits;
        tcflag_t Flags;  // of CSIZE, PARENB, PARODD, CSTOPB
    } cases[] = {
        {'E', 8, 1, CS8 | PARENB},
        {'O', 7, 2, CS7 | PARENB | PARODD | CSTOPB},
        {'N', 8, 1, CS8},
        {'e', 5, 2, CS5 | PARENB | CSTOPB},
    };
    for (const auto& c : cases) {
        pf::SerialSettings s{};
        ComLibN::FillSettings(s, 9600, c.Letter, c.DataBits, c.StopBits);
        termios t{};
        t.c_cflag = PARODD | CSTOPB | CS6;  // what the line had
        t.c_iflag = ICRNL | IXON | INPCK;
        ASSERT_TRUE(platform::posix::WriteLine(t, s)) << c.Letter;
        EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB), c.Flags) << c.Letter << int(c.DataBits) << c.StopBits;
        EXPECT_EQ(t.c_iflag & (ICRNL | IXON | INPCK), 0u) << c.Letter;
        pf::SerialSettings back{};
        platform::posix::ReadLine(t, back);
        EXPECT_EQ(back.Parity, s.Parity) << c.Letter;
        EXPECT_EQ(back.ByteSize, s.ByteSize) << c.Letter;
        EXPECT_EQ(back.StopBits, s.StopBits) << c.Letter;
        EXPECT_EQ(back.BaudRate, 9600u) << c.Letter;
    }
}

TEST_F(PtySerialTest, RefusesSettingsThatTermiosHasNoFormFor) {
    pf::Handle h = Open();
    pf::SerialSettings s{};
    ASSERT_TRUE(pf::GetSerialSettings(h, s));
    const struct {
        const char* Name;
        void (*Spoil)(pf::SerialSettings&);
    } cases[] = {
        {"baud 12345", [](pf::SerialSettings& x) { x.BaudRate = 12345; }},
        {"baud 0", [](pf::SerialSettings& x) { x.BaudRate = 0; }},
        {"9 data bits", [](pf::SerialSettings& x) { x.ByteSize = 9; }},
        {"1.5 stop bits", [](pf::SerialSettings& x) { x.StopBits = 1; }},
        {"parity 5", [](pf::SerialSettings& x) { x.Parity = 5; }},
    };
    for (const auto& c : cases) {
        pf::SerialSettings bad = s;
        c.Spoil(bad);
        EXPECT_FALSE(pf::SetSerialSettings(h, bad)) << c.Name;
        EXPECT_EQ(pf::LastError(), 87u) << c.Name;
    }
    EXPECT_EQ(ComLibN::OpenPort(Port, 12345, 'E', 8, 1), 5) << "still open: the second open is refused first";
}

TEST_F(PtySerialTest, BytesFromTheFarEndAreCountedAndReadAndWritesReachIt) {
    pf::Handle h = Open();
    EXPECT_FALSE(ComLibN::BytesWaiting(Port));
    ASSERT_EQ(write(master_, "hello", 5), 5);
    ASSERT_TRUE(WaitForBytes(h, 5));
    EXPECT_TRUE(ComLibN::BytesWaiting(Port));
    char buffer[8] = {};
    uint32_t read = 0;
    ASSERT_TRUE(pf::ReadSerial(h, buffer, 5, read));
    EXPECT_EQ(std::string(buffer, read), "hello");

    uint32_t written = 0;
    ASSERT_TRUE(pf::WriteSerial(h, "CR\r", 3, written));
    EXPECT_EQ(written, 3u);
    pollfd p{master_, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    char echo[8] = {};
    EXPECT_EQ(::read(master_, echo, sizeof echo), 3);
    EXPECT_EQ(std::string(echo, 3), "CR\r") << "no CR to LF translation on the way out";
}

TEST_F(PtySerialTest, AReadWithNothingComingReturnsAfterAboutTheTotalConstant) {
    pf::Handle h = Open();
    char b = 0;
    uint32_t read = 7;
    int64_t start = NowMs();
    ASSERT_TRUE(pf::ReadSerial(h, &b, 1, read));
    int64_t took = NowMs() - start;
    EXPECT_EQ(read, 0u);
    EXPECT_GE(took, 50);
    EXPECT_LE(took, 52 + 500);

    // Bytes that come within the time-out end the read as soon as the count is there; a
    // long time-out here, so that a slow machine can't make the bytes miss it.
    pf::SerialTimeouts longer{0, 0, 5000, 0, 0};
    ASSERT_TRUE(pf::SetSerialTimeouts(h, longer));
    std::thread late([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(write(master_, "ab", 2), 2);
    });
    char two[2] = {};
    start = NowMs();
    ASSERT_TRUE(pf::ReadSerial(h, two, 2, read));
    took = NowMs() - start;
    late.join();
    EXPECT_EQ(read, 2u);
    EXPECT_LT(took, 4000) << "returned at the bytes, not at the time-out";
}

TEST_F(PtySerialTest, ASecondOpenOfTheDeviceFailsWithAccessDenied) {
    Open();
    EXPECT_EQ(pf::OpenSerial("COM7"), pf::InvalidHandle);
    EXPECT_EQ(pf::LastError(), 5u);
    EXPECT_EQ(ComLibN::OpenPort(Port, 9600, 'E', 8, 1), 5);
}

TEST_F(PtySerialTest, UnknownPortsAndNamesFailWithFileNotFound) {
    ASSERT_NE(access("/dev/ttyS199", F_OK), 0) << "the machine has a 200th serial port";
    EXPECT_EQ(pf::OpenSerial("COM200"), pf::InvalidHandle);
    EXPECT_EQ(pf::LastError(), 2u);
    EXPECT_EQ(pf::OpenSerial("LPT1"), pf::InvalidHandle);
    EXPECT_EQ(pf::LastError(), 2u);
    setenv("REGDUMP_COM9", "/dev/null", 1);  // no terminal
    EXPECT_EQ(pf::OpenSerial("\\\\.\\COM9"), pf::InvalidHandle);
    EXPECT_EQ(pf::LastError(), 2u);
    unsetenv("REGDUMP_COM9");
}

TEST_F(PtySerialTest, ClosingTheFarEndHangsNeitherACountNorARead) {
    pf::Handle h = Open();
    CloseMaster();
    int64_t start = NowMs();
    uint32_t waiting = 0;
    EXPECT_FALSE(pf::SerialStatus(h, waiting));
    EXPECT_FALSE(ComLibN::BytesWaiting(Port));
    char b = 0;
    uint32_t read = 0;
    pf::ReadSerial(h, &b, 1, read);  // fails or times out; it must return
    uint32_t written = 0;
    pf::WriteSerial(h, "CR\r", 3, written);
    std::string reply;
    ctllink::Transact(Port, "CR", reply);
    EXPECT_EQ(reply, "");
    EXPECT_LT(NowMs() - start, 2000);
}

TEST_F(PtySerialTest, TheControllerGreetingGoesThroughTheLine) {
    Open();
    // The controller: answers each greeting as soon as it has read it, until the host
    // stops greeting. A late answer (a loaded machine) is read as input waiting before
    // the next greeting, which the retries of ProbeController get over.
    std::atomic<bool> done{false};
    std::thread controller([this, &done] {
        std::string got;
        for (int64_t end = NowMs() + 3000; NowMs() < end && !done;) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 20) != 1) continue;
            char buffer[16];
            ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) got.append(buffer, static_cast<size_t>(n));
            for (size_t cr; (cr = got.find('\r')) != std::string::npos; got.erase(0, cr + 1)) {
                if (got.substr(0, cr) == "CR") {
                    ASSERT_EQ(write(master_, "CC\r\n", 4), 4);
                }
            }
        }
    });
    std::string reply;
    ctllink::ProbeController(Port, reply);
    done = true;
    controller.join();
    EXPECT_EQ(reply, "CC");
}

}  // namespace
