#include "tools/ctlsim/line_port.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ctlsim {

namespace {

struct BaudCode {
    unsigned Baud;
    speed_t Code;
};
constexpr BaudCode BaudCodes[] = {
    {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
};

bool FindBaud(unsigned baud, speed_t& code) {
    for (const BaudCode& entry : BaudCodes)
        if (entry.Baud == baud) {
            code = entry.Code;
            return true;
        }
    return false;
}

void MakeRaw8E1(termios& settings) {
    cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARODD | CRTSCTS);
    settings.c_cflag |= CS8 | PARENB | CREAD | CLOCAL;
    settings.c_iflag &= ~static_cast<tcflag_t>(INPCK | IXON | IXOFF | IXANY);
}

bool Fail(std::string& error, const std::string& what) {
    error = what + ": " + std::strerror(errno);
    return false;
}

}  // namespace

bool IsDeviceBaud(unsigned baud) {
    speed_t code;
    return FindBaud(baud, code);
}

bool OpenPtyLine(Line& line, std::string& error) {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return Fail(error, "openpty");
    // Raw from the start: a slave still in its cooked default would echo the replies back
    // into the simulator and turn the CR of the commands into LF before the host sets it up.
    termios settings{};
    tcgetattr(slave, &settings);
    MakeRaw8E1(settings);
    tcsetattr(slave, TCSANOW, &settings);
    // A command run by the simulator must not inherit either end.
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    line = {};
    line.Fd = master;
    line.HeldSlave = slave;
    line.IsPty = true;
    line.Path = name;
    line.Watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (line.Watch >= 0 && inotify_add_watch(line.Watch, name, IN_OPEN | IN_CLOSE) < 0) {
        close(line.Watch);
        line.Watch = -1;
    }
    return true;
}

bool OpenDeviceLine(Line& line, const std::string& device, unsigned baud, std::string& error) {
    speed_t code;
    if (!FindBaud(baud, code)) {
        error = "no serial speed of " + std::to_string(baud) + " baud";
        return false;
    }
    int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Fail(error, device);
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        Fail(error, device + ": not a serial line");
        close(fd);
        return false;
    }
    MakeRaw8E1(settings);
    cfsetispeed(&settings, code);
    cfsetospeed(&settings, code);
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        Fail(error, device + ": line settings");
        close(fd);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    line = {};
    line.Fd = fd;
    line.Path = device;
    return true;
}

bool HostClosed(Line& line) {
    if (line.Watch < 0) return false;
    alignas(inotify_event) char events[4096];
    bool closedNow = false;
    for (;;) {
        ssize_t got = read(line.Watch, events, sizeof events);
        if (got <= 0) break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (event->mask & IN_OPEN) ++line.HostOpens;
            if ((event->mask & IN_CLOSE) && line.HostOpens > 0 && --line.HostOpens == 0)
                closedNow = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (closedNow && line.HostOpens == 0) {
        ioctl(line.HeldSlave, TIOCNXCL);
        tcflush(line.HeldSlave, TCIFLUSH);
        return true;
    }
    return false;
}

void CloseLine(Line& line) {
    for (int* fd : {&line.Fd, &line.HeldSlave, &line.Watch})
        if (*fd >= 0) {
            close(*fd);
            *fd = -1;
        }
}

}  // namespace ctlsim
