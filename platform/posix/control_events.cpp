#include "platform/posix/control_events.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <thread>

#include "platform/os.h"
#include "platform/posix/terminal_modes.h"

namespace platform::posix::events {

namespace {

struct ControlEvents {
    std::once_flag Installed;
    int Pipe[2] = {-1, -1};  // signal handler -> the handler's thread, one byte per signal
    std::atomic<ControlHandler> Handler{nullptr};
};
ControlEvents Events;

constexpr int EventSignals[] = {SIGINT, SIGHUP, SIGTERM};

void OnSignal(int sig) {
    int saved = errno;
    auto byte = static_cast<unsigned char>(sig);
    ssize_t ignored = write(Events.Pipe[1], &byte, 1);
    (void)ignored;
    errno = saved;
}

// Ends the process as the signal's default action would, with the terminal put back.
[[noreturn]] void EndBySignal(int sig) {
    modes::RestoreTerminal();
    signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
    _exit(128 + sig);
}

void Dispatch() {
    for (;;) {
        unsigned char sig = 0;
        ssize_t n = read(Events.Pipe[0], &sig, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n != 1) return;
        uint32_t event = sig == SIGINT ? CtrlCEvent : CloseEvent;
        ControlHandler handler = Events.Handler.load();
        bool handled = handler != nullptr && handler(event);
        // As on Windows: a handled Ctrl+C goes on, a closing window ends the process once
        // its handler returns, and an event nobody handles ends it too.
        if (event == CtrlCEvent && handled) continue;
        EndBySignal(sig);
    }
}

void InstallOnce() {
    if (pipe2(Events.Pipe, O_CLOEXEC) != 0) return;
    // The thread must not take the signals itself: they go to the main thread's handler,
    // which only writes to the pipe. Block them while the thread starts so it inherits
    // the block.
    sigset_t set, old;
    sigemptyset(&set);
    for (int sig : EventSignals) sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, &old);
    std::thread(Dispatch).detach();
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    for (int sig : EventSignals) {
        struct sigaction now{};
        if (sigaction(sig, nullptr, &now) != 0 || now.sa_handler == SIG_IGN) continue;
        struct sigaction mine{};
        mine.sa_handler = OnSignal;
        sigemptyset(&mine.sa_mask);
        mine.sa_flags = SA_RESTART;
        sigaction(sig, &mine, nullptr);
    }
}

}  // namespace

void Install() { std::call_once(Events.Installed, InstallOnce); }

}  // namespace platform::posix::events

namespace platform {

bool SetControlHandler(ControlHandler handler, bool add) {
    posix::events::Install();
    if (add) {
        posix::events::Events.Handler.store(handler);
    } else {
        ControlHandler expected = handler;
        posix::events::Events.Handler.compare_exchange_strong(expected, nullptr);
    }
    return true;
}

}  // namespace platform
