// Serving over a real pseudo-terminal, with a host that opens the slave as regdump does:
// exclusively, raw 8E1, polling the count of bytes waiting and reading under a time limit.
// Every wait is bounded.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tools/ctlsim/run_command.h"
#include "tools/ctlsim/serve_loop.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A host's end of the line.
struct Host {
    int Fd = -1;

    explicit Host(int fd) : Fd(fd) {}
    explicit Host(const std::string& path) {
        Fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (Fd < 0) return;
        ioctl(Fd, TIOCEXCL);
        termios settings{};
        tcgetattr(Fd, &settings);
        cfmakeraw(&settings);
        settings.c_cflag |= PARENB | CS8 | CLOCAL | CREAD;
        settings.c_cflag &= ~static_cast<tcflag_t>(PARODD | CSTOPB | CRTSCTS);
        cfsetispeed(&settings, B9600);
        cfsetospeed(&settings, B9600);
        tcsetattr(Fd, TCSANOW, &settings);
    }
    ~Host() { Close(); }
    void Close() {
        if (Fd >= 0) close(Fd);
        Fd = -1;
    }

    // Sends the greeting and returns the line that answers it.
    std::string Greet() const {
        Send("CR\r");
        return ReadLine(milliseconds(2000));
    }

    void Send(const std::string& bytes) const {
        ASSERT_EQ(write(Fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Bytes up to and including the first LF, polling the count waiting every 1 ms, for at
    // most `limit`; `failed` tells a read error (the line hung up) from a time-out.
    std::string ReadLine(milliseconds limit, bool* failed = nullptr) const {
        std::string line;
        auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            int waiting = 0;
            if (ioctl(Fd, FIONREAD, &waiting) == 0 && waiting > 0) {
                char byte;
                if (read(Fd, &byte, 1) == 1) {
                    line += byte;
                    if (byte == '\n') return line;
                    continue;
                }
            }
            // After a hang-up, the read fails (or finds the end) at once.
            char probe;
            ssize_t got = read(Fd, &probe, 1);
            if (got == 1) {
                line += probe;
                if (probe == '\n') return line;
                continue;
            }
            if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
                if (failed) *failed = true;
                return line;
            }
            std::this_thread::sleep_for(milliseconds(1));
        }
        return line;
    }
};

class CtlsimPty : public ::testing::Test {
protected:
    ctlsim::Line Line;
    ctlsim::ServeConfig Config;
    std::atomic<bool> Stop{false};
    std::thread Server;
    ctlsim::ServeResult Result;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(ctlsim::OpenPtyLine(Line, error)) << error;
        Config.Image = ctlsim::DefaultImage();
    }
    void Start() {
        Server = std::thread([this] { Result = ctlsim::Serve(Line, Config, [this] { return !Stop.load(); }); });
    }
    // Ends the serving; bounded, since the loop asks to go on at least every 10 ms.
    void Finish() {
        Stop = true;
        if (Server.joinable()) Server.join();
    }
    // Whether the simulator has noticed, within 2 s, that the host closed the line.
    bool ExclusiveUseCleared() const {
        int exclusive = 1;
        for (auto end = Clock::now() + milliseconds(2000); Clock::now() < end && exclusive;) {
            std::this_thread::sleep_for(milliseconds(5));
            if (ioctl(Line.HeldSlave, TIOCGEXCL, &exclusive) != 0) return false;
        }
        return exclusive == 0;
    }
    void TearDown() override {
        Finish();
        ctlsim::CloseLine(Line);
    }
};

TEST_F(CtlsimPty, AnswersTheGreetingAndADataWord) {
    Start();
    Host host(Line.Path);
    ASSERT_GE(host.Fd, 0) << Line.Path;
    EXPECT_EQ(host.Greet(), "CC\r\n");
    host.Send("RD DM109\r");
    EXPECT_EQ(host.ReadLine(milliseconds(2000)), "123\r\n");
    host.Send("RD T2\r");
    EXPECT_EQ(host.ReadLine(milliseconds(2000)), "T002    00150\r\n");
    Finish();
    EXPECT_EQ(Result.End, ctlsim::ServeEnd::Stopped);
    EXPECT_EQ(Result.Tally.BytesIn, 3u + 9u + 6u);
    EXPECT_EQ(Result.Tally.BytesOut, 4u + 5u + 15u);
}

TEST_F(CtlsimPty, ANewHostFindsTheLineAsNew) {
    Start();
    {
        Host first(Line.Path);
        ASSERT_GE(first.Fd, 0);
        ASSERT_EQ(first.Greet(), "CC\r\n");
        // A reply left unread when the host goes away.
        first.Send("RD DM109\r");
        std::this_thread::sleep_for(milliseconds(50));
    }
    // The exclusive-use flag the first host set is cleared once it has closed the line.
    EXPECT_TRUE(ExclusiveUseCleared());
    Host second(Line.Path);
    ASSERT_GE(second.Fd, 0);
    EXPECT_EQ(second.Greet(), "CC\r\n");
}

TEST_F(CtlsimPty, HangsUpAfterTheNthCommand) {
    Config.FaultSet.HangUpAfter = 2;
    Start();
    Host host(Line.Path);
    ASSERT_GE(host.Fd, 0);
    EXPECT_EQ(host.Greet(), "CC\r\n");
    host.Send("RD DM21\r");
    EXPECT_EQ(host.ReadLine(milliseconds(2000)), "1\r\n");  // the last reply still arrives
    bool failed = false;
    host.ReadLine(milliseconds(3000), &failed);
    EXPECT_TRUE(failed) << "no hang-up seen by the host";
    Finish();
    EXPECT_EQ(Result.End, ctlsim::ServeEnd::HungUp);
    EXPECT_LT(Line.Fd, 0);
}

TEST_F(CtlsimPty, AFloodHasNoLineEndAndStopsWhenTheHostLetsGo) {
    Config.FaultSet.Flood = true;
    Config.FaultSet.Only = {"RD DM25"};
    Start();
    {
        Host first(Line.Path);
        ASSERT_GE(first.Fd, 0);
        ASSERT_EQ(first.Greet(), "CC\r\n");
        first.Send("RD DM25\r");
        // Far more than the pseudo-terminal holds: the flood keeps coming as it is read.
        std::string flood;
        for (auto end = Clock::now() + milliseconds(5000); Clock::now() < end && flood.size() < 20'000;) {
            char bytes[4096];
            ssize_t got = read(first.Fd, bytes, sizeof bytes);
            if (got > 0) flood.append(bytes, static_cast<size_t>(got));
            else std::this_thread::sleep_for(milliseconds(1));
        }
        ASSERT_GE(flood.size(), 20'000u);
        EXPECT_EQ(flood.find_first_of("\r\n\x03"), std::string::npos);
        EXPECT_EQ(flood.substr(0, ctlsim::FloodBytes.size()), ctlsim::FloodBytes);
        // Left unread and unanswered when the host goes away.
        first.Send("CR\r");
    }
    ASSERT_TRUE(ExclusiveUseCleared());
    Host second(Line.Path);
    ASSERT_GE(second.Fd, 0);
    EXPECT_EQ(second.Greet(), "CC\r\n");
}

TEST_F(CtlsimPty, RepliesTakeTheWireTimeAndTheTurnaround) {
    // At 1200 baud "CR" CR and "CC" CR LF take 7 x 11 bits = 64.2 ms, plus 20 ms.
    Config.Timing = {1200, 20'000'000, 0};
    Start();
    Host host(Line.Path);
    ASSERT_GE(host.Fd, 0);
    auto sent = Clock::now();
    host.Send("CR\r");
    std::string reply = host.ReadLine(milliseconds(3000));
    auto took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - sent).count();
    EXPECT_EQ(reply, "CC\r\n");
    EXPECT_GE(took, 84'166) << "the reply came early";
    EXPECT_LT(took, 84'166 + 1'000'000) << "generous slack, yet bounded";
}

// A serial device, played here by the slave of a second pseudo-terminal whose master is
// the host's end: set to 9600 baud 8E1 raw, and served like the simulator's own line.
TEST(CtlsimDevice, ServesADeviceAt9600Baud8E1) {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ctlsim::Line line;
    std::string error;
    ASSERT_TRUE(ctlsim::OpenDeviceLine(line, name, 9600, error)) << error;
    termios settings{};
    ASSERT_EQ(tcgetattr(line.Fd, &settings), 0);
    EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600));
    // A pseudo-terminal keeps no parity setting (it always reads back as none), so only
    // the rest of the frame can be checked here.
    EXPECT_EQ(settings.c_cflag & (CSIZE | PARODD | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO), 0u);

    ctlsim::ServeConfig config;
    config.Image = ctlsim::DefaultImage();
    config.PaceBytes = false;
    std::atomic<bool> stop{false};
    std::thread server([&] { ctlsim::Serve(line, config, [&] { return !stop.load(); }); });
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    Host host(-1);
    host.Fd = master;
    host.Send("RD DM22\r");
    EXPECT_EQ(host.ReadLine(milliseconds(2000)), "12345\r\n");
    stop = true;
    server.join();
    ctlsim::CloseLine(line);
    close(slave);

    EXPECT_FALSE(ctlsim::OpenDeviceLine(line, name, 1234, error));
    EXPECT_NE(error.find("1234"), std::string::npos) << error;
}

// The program itself: --com gives the command the port in its environment, serves it, and
// ends with the command's exit code. The shell host reads the five bytes "123" CR LF.
TEST(CtlsimProgram, RunsACommandWithThePortInItsEnvironment) {
    const std::string script =
        "exec 3<>\"$REGDUMP_COM7\" || exit 1; printf 'RD DM109\\r' >&3; "
        "r=$(timeout 5 head -c 5 <&3); [ \"$r\" = \"$(printf '123\\r')\" ] && exit 42; exit 1";
    const std::string command = std::string("timeout 30 ") + CTLSIM_PROGRAM + " --com 7 -- sh -c '" +
                                [&] {
                                    std::string quoted;
                                    for (char c : script) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
                                    return quoted;
                                }() +
                                "'";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << command;
    EXPECT_EQ(WEXITSTATUS(status), 42) << command;
}

}  // namespace
