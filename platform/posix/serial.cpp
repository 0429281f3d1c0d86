// Serial requests on POSIX, over termios.
//
// "COMn" and "\\.\COMn" name port n: the device in the environment variable REGDUMP_COM<n>
// when it is set, /dev/ttyS<n-1> otherwise. A port is opened exclusively (an advisory
// lock, which holds even against root, and TIOCEXCL), in raw mode, and read by polling
// the descriptor so that the read time-outs behave as the Windows ones do. The settings
// record and the time-outs of each open port are kept here, keyed by descriptor.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#if __has_include(<linux/serial.h>)
#include <linux/serial.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <string_view>

#include "platform/os.h"
#include "platform/posix/errors.h"
#include "platform/posix/termios_line.h"

namespace platform {

namespace {

struct PortState {
    SerialSettings Settings;
    SerialTimeouts Timeouts;
};

// The open ports by descriptor. An entry is replaced when its descriptor number is
// handed out again by a later open.
std::map<int, PortState> Ports;

constexpr uint32_t MaxDword = std::numeric_limits<uint32_t>::max();

bool Refuse(uint32_t code) {
    posix::SetLastError(code);
    return false;
}

Handle NoPort(uint32_t code) {
    posix::SetLastError(code);
    return InvalidHandle;
}

// The state of an open port; InvalidHandle for a descriptor that is not one.
PortState* StateOf(Handle port) {
    auto it = Ports.find(static_cast<int>(port));
    if (it == Ports.end()) {
        posix::SetLastError(Error::InvalidHandle);
        return nullptr;
    }
    return &it->second;
}

// Port n of "COMn" or "\\.\COMn"; 0 for any other name.
unsigned PortNumber(std::string_view name) {
    if (name.substr(0, 4) == "\\\\.\\") name.remove_prefix(4);
    if (name.size() < 4 || name.size() > 8 || name.substr(0, 3) != "COM") return 0;
    unsigned n = 0;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    return n;
}

std::string DevicePath(unsigned port) {
    std::string variable = "REGDUMP_COM" + std::to_string(port);
    const char* path = std::getenv(variable.c_str());
    if (path != nullptr && *path != '\0') return path;
    return "/dev/ttyS" + std::to_string(port - 1);
}

// DTR and RTS as the record asks. A device without modem lines (a pseudo-terminal)
// refuses the request; that is no failure.
void SetModemLines(int fd, const SerialSettings& s) {
    int dtr = TIOCM_DTR;
    int rts = TIOCM_RTS;
    ioctl(fd, s.fDtrControl != 0 ? TIOCMBIS : TIOCMBIC, &dtr);
    ioctl(fd, s.fRtsControl != 0 ? TIOCMBIS : TIOCMBIC, &rts);
}

// USB adapters hold short replies back for up to 16 ms unless asked for low latency;
// a device that has no such flag keeps its own timing.
void AskLowLatency([[maybe_unused]] int fd) {
#if defined(TIOCGSERIAL) && defined(TIOCSSERIAL) && defined(ASYNC_LOW_LATENCY)
    serial_struct info{};
    if (ioctl(fd, TIOCGSERIAL, &info) == 0) {
        info.flags |= ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &info);
    }
#endif
}

// Milliseconds on the steady clock.
int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Waits until the descriptor is ready for `events` or `ms` pass (ms < 0: no limit).
// The events seen, or 0 on time-out.
short WaitFor(int fd, short events, int64_t ms) {
    for (;;) {
        pollfd p{fd, events, 0};
        int timeout = ms < 0 ? -1 : static_cast<int>(std::min<int64_t>(ms, std::numeric_limits<int>::max()));
        int n = poll(&p, 1, timeout);
        if (n > 0) return p.revents;
        if (n == 0) return 0;
        if (errno != EINTR) return POLLERR;
    }
}

}  // namespace

Handle OpenSerial(const char* device) {
    unsigned n = PortNumber(device);
    if (n == 0) return NoPort(Error::FileNotFound);
    std::string path = DevicePath(n);
    // Non-blocking, so that neither the open (waiting for a carrier) nor any later
    // request waits in the driver; ReadSerial and WriteSerial wait with poll.
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A device node without hardware behind it (a serial driver's spare port gives
        // EIO) is a port that does not exist.
        if (errno == ENXIO || errno == ENODEV || errno == EIO) return NoPort(Error::FileNotFound);
        posix::Fail();
        return InvalidHandle;
    }
    if (fd == 0) {
        // Handle 0 reads as "never opened" to the program: move it out of the way.
        int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        int err = errno;
        close(fd);
        if (moved < 0) return NoPort(posix::WindowsCode(err));
        fd = moved;
    }
    termios t{};
    if (!isatty(fd) || tcgetattr(fd, &t) != 0) {
        close(fd);
        return NoPort(Error::FileNotFound);
    }
    // The lock is what holds a second opener off even when it runs as root, which
    // TIOCEXCL does not refuse.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        close(fd);
        return NoPort(err == EWOULDBLOCK ? Error::AccessDenied : posix::WindowsCode(err));
    }
    ioctl(fd, TIOCEXCL);
    AskLowLatency(fd);

    PortState state{};
    state.Settings.DCBlength = SerialSettingsSize;
    state.Settings.fDtrControl = DtrControlEnable;
    state.Settings.fRtsControl = RtsControlEnable;
    posix::ReadLine(t, state.Settings);
    Ports[fd] = state;
    return fd;
}

bool GetSerialSettings(Handle port, SerialSettings& settings) {
    PortState* state = StateOf(port);
    if (state == nullptr) return false;
    termios t{};
    if (tcgetattr(static_cast<int>(port), &t) != 0) return posix::Fail();
    posix::ReadLine(t, state->Settings);
    settings = state->Settings;
    return true;
}

bool SetSerialSettings(Handle port, const SerialSettings& settings) {
    PortState* state = StateOf(port);
    if (state == nullptr) return false;
    int fd = static_cast<int>(port);
    termios t{};
    if (tcgetattr(fd, &t) != 0) return posix::Fail();
    if (!posix::WriteLine(t, settings)) return Refuse(Error::InvalidParameter);
    if (tcsetattr(fd, TCSANOW, &t) != 0) return posix::Fail();
    SetModemLines(fd, settings);
    state->Settings = settings;
    return true;
}

bool GetSerialTimeouts(Handle port, SerialTimeouts& timeouts) {
    PortState* state = StateOf(port);
    if (state == nullptr) return false;
    timeouts = state->Timeouts;
    return true;
}

bool SetSerialTimeouts(Handle port, const SerialTimeouts& timeouts) {
    PortState* state = StateOf(port);
    if (state == nullptr) return false;
    state->Timeouts = timeouts;
    return true;
}

bool SerialStatus(Handle port, uint32_t& bytesWaiting) {
    if (StateOf(port) == nullptr) return false;
    int fd = static_cast<int>(port);
    // The line is asked once per empty poll: a quiet, live line answers the poll with no
    // event at all, and only then is the count not needed.
    const short seen = WaitFor(fd, POLLIN, 0);
    if (seen == 0) {
        bytesWaiting = 0;
        return true;
    }
    int waiting = 0;
    if (ioctl(fd, FIONREAD, &waiting) != 0) return posix::Fail();
    // A device that went away (an adapter pulled out, the far end of a pseudo-terminal
    // closed) hangs up; once what it left is read, its status can't be had.
    if (waiting == 0 && (seen & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        return Refuse(Error::GenFailure);
    bytesWaiting = static_cast<uint32_t>(waiting);
    return true;
}

bool ReadSerial(Handle port, void* buffer, uint32_t count, uint32_t& read) {
    PortState* state = StateOf(port);
    if (state == nullptr) return false;
    const int fd = static_cast<int>(port);
    const SerialTimeouts& t = state->Timeouts;
    auto* out = static_cast<uint8_t*>(buffer);

    // Windows' rules: interval MAXDWORD with both totals 0 returns what is there at once;
    // a total of 0 sets no total limit; the interval runs from one byte to the next.
    const bool atOnce = t.ReadIntervalTimeout == MaxDword && t.ReadTotalTimeoutMultiplier == 0 &&
                        t.ReadTotalTimeoutConstant == 0;
    const int64_t total = static_cast<int64_t>(uint64_t{t.ReadTotalTimeoutMultiplier} * count +
                                               t.ReadTotalTimeoutConstant);
    const bool hasInterval = t.ReadIntervalTimeout > 0 && t.ReadIntervalTimeout != MaxDword;
    const int64_t start = NowMs();
    int64_t lastByte = start;
    uint32_t got = 0;
    bool hungUp = false;
    while (got < count) {
        // Raw mode with VMIN and VTIME 0: a read with nothing there gives 0 or EAGAIN.
        ssize_t n = ::read(fd, out + got, count - got);
        if (n > 0) {
            got += static_cast<uint32_t>(n);
            lastByte = NowMs();
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            // EIO: the device is gone. What came before it went is still delivered.
            if (got > 0) break;
            return posix::Fail();
        }
        if (hungUp) {
            if (got > 0) break;
            return Refuse(Error::GenFailure);
        }
        if (atOnce) break;
        const int64_t now = NowMs();
        int64_t wait = -1;  // no limit
        if (total > 0) wait = std::max<int64_t>(0, total - (now - start));
        if (hasInterval && got > 0) {
            int64_t gap = std::max<int64_t>(0, static_cast<int64_t>(t.ReadIntervalTimeout) - (now - lastByte));
            wait = wait < 0 ? gap : std::min(wait, gap);
        }
        if (wait == 0) break;
        short seen = WaitFor(fd, POLLIN, wait);
        if (seen == 0) break;  // the time-out ran out
        // A hang-up may come with POLLIN; the next read tells whether anything is left.
        if ((seen & (POLLHUP | POLLERR | POLLNVAL)) != 0) hungUp = true;
    }
    read = got;
    return true;
}

bool WriteSerial(Handle port, const void* bytes, uint32_t count, uint32_t& written) {
    PortState* state = StateOf(port);
    if (state == nullptr) return false;
    const int fd = static_cast<int>(port);
    const SerialTimeouts& t = state->Timeouts;
    const auto* in = static_cast<const uint8_t*>(bytes);
    const uint64_t total = uint64_t{t.WriteTotalTimeoutMultiplier} * count + t.WriteTotalTimeoutConstant;
    const int64_t start = NowMs();
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd, in + done, count - done);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return posix::Fail();
        int64_t wait = -1;
        if (total > 0) {
            wait = static_cast<int64_t>(total) - (NowMs() - start);
            if (wait <= 0) break;
        }
        short seen = WaitFor(fd, POLLOUT, wait);
        if (seen == 0) break;
        if ((seen & POLLOUT) == 0) return Refuse(Error::GenFailure);
    }
    written = done;
    return true;
}

}  // namespace platform
