#include "platform/posix/terminal_modes.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/posix/terminal_render.h"

namespace platform::posix::modes {

namespace {

struct TerminalModes {
    std::atomic<int> Fd{-1};
    termios Saved{};
    std::atomic<bool> Raw{false};    // Saved holds the modes to put back
    std::atomic<bool> Drawn{false};
};
TerminalModes Terminal;

// The signals that end the process with a core or at once and can be caught.
constexpr int FatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT, SIGTRAP, SIGSYS,
                                SIGXCPU, SIGXFSZ};

void OnFatalSignal(int sig) {
    RestoreTerminal();
    // SA_RESETHAND put the default action back: the signal ends the process as it would have.
    raise(sig);
}

void HookFatalSignals() {
    for (int sig : FatalSignals) {
        struct sigaction now{};
        if (sigaction(sig, nullptr, &now) != 0) continue;
        // A handler someone else set (a debugger's, a sanitizer's) stays in charge.
        if (now.sa_handler != SIG_DFL || (now.sa_flags & SA_SIGINFO) != 0) continue;
        struct sigaction mine{};
        mine.sa_handler = OnFatalSignal;
        sigemptyset(&mine.sa_mask);
        mine.sa_flags = SA_RESETHAND | SA_NODEFER;
        sigaction(sig, &mine, nullptr);
    }
}

void RestoreAtExit() { RestoreTerminal(); }

}  // namespace

termios Raw(const termios& modes) {
    termios raw = modes;
    raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
    raw.c_cflag |= CS8;
    // The backend polls before it reads: a read returns what is there, at least a byte.
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    return raw;
}

void Adopt(int fd) {
    int none = -1;
    if (!Terminal.Fd.compare_exchange_strong(none, fd)) return;
    std::atexit(RestoreAtExit);
    HookFatalSignals();
}

bool EnterRaw() {
    int fd = Terminal.Fd.load();
    if (fd < 0) return false;
    if (!Terminal.Raw.load()) {
        if (tcgetattr(fd, &Terminal.Saved) != 0) return false;
        Terminal.Raw.store(true);
    }
    termios raw = Raw(Terminal.Saved);
    return tcsetattr(fd, TCSANOW, &raw) == 0;
}

void NoteDrawn() { Terminal.Drawn.store(true); }

void RestoreTerminal() {
    int fd = Terminal.Fd.load();
    if (fd < 0) return;
    if (Terminal.Drawn.exchange(false)) {
        size_t left = std::strlen(render::ResetText);
        const char* p = render::ResetText;
        while (left > 0) {
            ssize_t n = write(fd, p, left);
            if (n <= 0) break;
            p += n;
            left -= static_cast<size_t>(n);
        }
    }
    // TCSANOW: draining the output first could hang on a terminal that has gone.
    if (Terminal.Raw.exchange(false)) tcsetattr(fd, TCSANOW, &Terminal.Saved);
}

}  // namespace platform::posix::modes
