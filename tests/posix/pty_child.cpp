#include "tests/posix/pty_child.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace pty_test {

namespace {

using Clock = std::chrono::steady_clock;

// Reads whatever the master and the report pipe have, waiting up to `ms`.
void Drain(Terminal& t, int ms) {
    pollfd p[2] = {{t.Master, POLLIN, 0}, {t.Report, POLLIN, 0}};
    if (poll(p, 2, ms) <= 0) return;
    char buf[4096];
    if (p[0].revents & POLLIN) {
        ssize_t n = read(t.Master, buf, sizeof buf);
        if (n > 0) t.Output.append(buf, static_cast<size_t>(n));
    }
    if (p[1].revents & POLLIN) {
        ssize_t n = read(t.Report, buf, sizeof buf);
        if (n > 0) t.Heard.append(buf, static_cast<size_t>(n));
    }
}

}  // namespace

Terminal Start(const Options& options, const Body& body) {
    Terminal t;
    winsize size{};
    size.ws_col = options.Columns;
    size.ws_row = options.Rows;
    if (openpty(&t.Master, &t.Slave, nullptr, nullptr, &size) != 0) std::abort();
    int pipeFds[2];
    if (pipe(pipeFds) != 0) std::abort();
    t.Child = fork();
    if (t.Child == 0) {
        close(t.Master);
        close(pipeFds[0]);
        setsid();
        if (options.ControllingTerminal) ioctl(t.Slave, TIOCSCTTY, 0);
        dup2(t.Slave, 0);
        dup2(t.Slave, 1);
        dup2(t.Slave, 2);
        if (t.Slave > 2) close(t.Slave);
        for (const auto& [name, value] : options.Env) {
            if (value.empty()) {
                unsetenv(name.c_str());
            } else {
                setenv(name.c_str(), value.c_str(), 1);
            }
        }
        std::exit(body(pipeFds[1]));
    }
    close(pipeFds[1]);
    t.Report = pipeFds[0];
    fcntl(t.Master, F_SETFL, O_NONBLOCK);
    fcntl(t.Report, F_SETFL, O_NONBLOCK);
    return t;
}

void Say(int report, const std::string& line) {
    std::string text = line + "\n";
    ssize_t n = write(report, text.data(), text.size());
    (void)n;
}

bool WaitFor(Terminal& t, const std::string& text, double seconds) {
    auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (t.Heard.find(text) == std::string::npos) {
        if (Clock::now() > end) return false;
        Drain(t, 20);
    }
    return true;
}

void Type(Terminal& t, const std::string& bytes) {
    ssize_t n = write(t.Master, bytes.data(), bytes.size());
    (void)n;
}

int Finish(Terminal& t, double seconds) {
    auto end = Clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    for (;;) {
        Drain(t, 10);
        pid_t done = waitpid(t.Child, &status, WNOHANG);
        if (done == t.Child) break;
        if (Clock::now() > end) {
            kill(t.Child, SIGKILL);
            waitpid(t.Child, &status, 0);
            status = -1;
            break;
        }
    }
    // What the child wrote last is still in the terminal.
    for (int i = 0; i < 5; ++i) Drain(t, 10);
    t.Child = -1;
    return status;
}

void Close(Terminal& t) {
    if (t.Child > 0) Finish(t, 1);
    for (int* fd : {&t.Master, &t.Slave, &t.Report}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

termios Modes(const Terminal& t) {
    termios m{};
    tcgetattr(t.Slave, &m);
    return m;
}

bool SameModes(const termios& a, const termios& b, std::string& why) {
    if (a.c_iflag != b.c_iflag) why = "c_iflag " + std::to_string(a.c_iflag) + " != " + std::to_string(b.c_iflag);
    else if (a.c_oflag != b.c_oflag) why = "c_oflag";
    else if (a.c_cflag != b.c_cflag) why = "c_cflag";
    else if (a.c_lflag != b.c_lflag) why = "c_lflag " + std::to_string(a.c_lflag) + " != " + std::to_string(b.c_lflag);
    else if (std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) != 0) why = "c_cc";
    else if (cfgetispeed(&a) != cfgetispeed(&b) || cfgetospeed(&a) != cfgetospeed(&b)) why = "speed";
    else return true;
    return false;
}

}  // namespace pty_test
