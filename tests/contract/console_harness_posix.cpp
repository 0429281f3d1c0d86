// The console harness on POSIX: the test program owns a pseudo-terminal of its own as its
// controlling terminal, so the backend's console is that terminal. A cell is read back
// from what the terminal was sent (a model of the screen plays it), not from the backend;
// input is typed on the terminal as the bytes that a terminal sends for the key.
//
// This file also holds the program's main: the terminal must be the controlling one
// before any test opens the console.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/posix/terminal_charset.h"
#include "tests/contract/console_harness.h"
#include "tests/posix/screen_model.h"

namespace contract {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto Bound = std::chrono::seconds(5);

struct OwnTerminal {
    int Master = -1;
    int Slave = -1;  // kept open: to count the typed bytes not yet read, and for the sync
    int16_t Columns = 0, Rows = 0;  // the size given at the first open; 0 before it
    pty_test::ScreenModel Screen;
};
OwnTerminal Terminal;

// The backend never writes a NUL (code page 437's 0 is drawn as a blank), so one written
// on the terminal after the backend's output marks how far the master has to be read.
constexpr char Sync = '\0';

// Plays everything the terminal was sent, up to now, into the screen model.
void CatchUp() {
    if (write(Terminal.Slave, &Sync, 1) != 1) return;
    std::string bytes;
    for (auto end = Clock::now() + Bound; Clock::now() < end;) {
        pollfd p{Terminal.Master, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char chunk[4096];
        ssize_t n = read(Terminal.Master, chunk, sizeof chunk);
        if (n <= 0) break;
        bytes.append(chunk, static_cast<size_t>(n));
        if (!bytes.empty() && bytes.back() == Sync) break;
    }
    std::string drawn;
    for (char c : bytes)
        if (c != Sync) drawn += c;
    pty_test::Play(Terminal.Screen, drawn);
    // What the model doesn't know, a real terminal may take for something else.
    for (const std::string& unknown : Terminal.Screen.Unknown)
        ADD_FAILURE() << "the console sent the terminal a sequence it does not know: " << unknown;
    Terminal.Screen.Unknown.clear();
}

int BytesTyped() {
    int waiting = 0;
    return ioctl(Terminal.Slave, FIONREAD, &waiting) == 0 ? waiting : -1;
}

// The bytes a terminal sends for a key-down record; empty for a record that no terminal
// sends: a key-up, a focus event, Caps Lock.
std::string TypedBytes(const platform::InputRecord& r) {
    if (r.EventType != platform::KeyEventType || !r.KeyDown) return {};
    const uint32_t state = r.ControlKeyState;
    const uint16_t vk = r.VirtualKeyCode;
    if (vk >= 'A' && vk <= 'Z') {
        if (state == 0 && r.Char == vk - 'A' + 'a') return std::string(1, static_cast<char>(r.Char));
        if (state == platform::ShiftPressed && r.Char == vk) return std::string(1, static_cast<char>(r.Char));
        return {};
    }
    if (vk >= 0x70 && vk <= 0x73 && r.Char == 0) {  // F1 to F4: xterm's SS3 P to S, CSI 1;m P with modifiers
        const char final = static_cast<char>('P' + (vk - 0x70));
        int modifier = 1;
        if (state & platform::ShiftPressed) modifier += 1;
        if (state & platform::LeftAltPressed) modifier += 2;
        if (state & platform::LeftCtrlPressed) modifier += 4;
        if (state & ~(platform::ShiftPressed | platform::LeftAltPressed | platform::LeftCtrlPressed)) return {};
        if (modifier == 1) return std::string("\x1bO") + final;
        return "\x1b[1;" + std::to_string(modifier) + final;
    }
    return {};
}

// Windows numbers the colour bits blue 1, green 2, red 4; ANSI red 1, green 2, blue 4.
constexpr uint16_t WindowsColour[8] = {0, 4, 2, 6, 1, 5, 3, 7};

uint16_t ColourBits(int ansi) {
    return static_cast<uint16_t>(WindowsColour[ansi & 7] | (ansi & 8));
}

}  // namespace

bool OpenTestConsole(int16_t columns, int16_t rows, platform::Handle& output, platform::Handle& input) {
    if (Terminal.Master < 0) return false;
    if (Terminal.Columns == 0) {
        // The backend takes the size once, at its first open.
        winsize size{};
        size.ws_col = static_cast<unsigned short>(columns);
        size.ws_row = static_cast<unsigned short>(rows);
        if (ioctl(Terminal.Slave, TIOCSWINSZ, &size) != 0) return false;
        Terminal.Columns = columns;
        Terminal.Rows = rows;
        Terminal.Screen = pty_test::MakeScreen(columns, rows, platform::posix::charset::LocaleUsesUtf8());
    } else if (columns != Terminal.Columns || rows != Terminal.Rows) {
        return false;
    }
    output = platform::OpenConsole("CONOUT$");
    input = platform::OpenConsole("CONIN$");
    if (output == platform::InvalidHandle || input == platform::InvalidHandle) return false;
    // Raw, as the console unit sets it: no echo of typed bytes onto the screen.
    if (!platform::SetConsoleMode(input, 0)) return false;
    uint32_t n = 0;
    const auto all = static_cast<uint32_t>(columns * rows);
    platform::FillCharacters(output, ' ', all, {0, 0}, n);
    platform::FillAttributes(output, 7, all, {0, 0}, n);
    platform::SetCursor(output, {0, 0});
    platform::InputRecord records[16];
    while (platform::CountInput(input, n) && n > 0) platform::ReadInput(input, records, 16, n);
    CatchUp();
    return true;
}

void CloseTestConsole(platform::Handle output, platform::Handle input) {
    if (output != platform::InvalidHandle) platform::CloseHandle(output);
    if (input != platform::InvalidHandle) platform::CloseHandle(input);
}

bool QueueInput(platform::Handle, const platform::InputRecord& record) {
    std::string bytes = TypedBytes(record);
    if (bytes.empty()) return false;
    const int before = BytesTyped();
    if (before < 0 || write(Terminal.Master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        return false;
    // The terminal passes typed bytes on a little later: wait until the console can read them.
    for (auto end = Clock::now() + Bound; Clock::now() < end;) {
        if (BytesTyped() >= before + static_cast<int>(bytes.size())) return true;
        usleep(200);
    }
    return false;
}

platform::CharCell CellAt(platform::Handle, int16_t x, int16_t y) {
    CatchUp();
    const pty_test::ModelCell& cell = pty_test::CellAt(Terminal.Screen, x, y);
    uint8_t ch = '?';
    if (cell.Ch < 128) {
        ch = static_cast<uint8_t>(cell.Ch);
    } else {
        int byte = platform::posix::charset::FromUnicode(cell.Ch);
        if (byte >= 0) ch = static_cast<uint8_t>(byte);
    }
    // The console's own attribute is the terminal's default colours.
    uint16_t attributes = 7;
    if (cell.Fg >= 0 || cell.Bg >= 0)
        attributes = static_cast<uint16_t>((cell.Bg < 0 ? 0 : ColourBits(cell.Bg) << 4) |
                                           (cell.Fg < 0 ? 7 : ColourBits(cell.Fg)));
    return {ch, attributes};
}

}  // namespace contract

namespace {

// Makes a new pseudo-terminal this process's controlling terminal; false when it can't.
bool OwnATerminal() {
    if (setsid() < 0) return false;
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
    if (ioctl(slave, TIOCSCTTY, 0) != 0) return false;
    contract::Terminal.Master = master;
    contract::Terminal.Slave = slave;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Only a process that leads no process group may start a session: a shell or ctest
    // makes the test its group's leader, so the tests run in a child.
    if (getpgrp() == getpid()) {
        std::fflush(nullptr);
        pid_t child = fork();
        if (child < 0) {
            std::perror("fork");
            return 1;
        }
        if (child > 0) {
            int status = 0;
            while (waitpid(child, &status, 0) < 0)
                if (errno != EINTR) return 1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
        }
    }
    if (!OwnATerminal()) {
        std::perror("console contract: no pseudo-terminal of its own");
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
