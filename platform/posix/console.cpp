// Console requests on POSIX: the process's controlling terminal as the console. The
// backend keeps the screen buffer's cells itself and draws what changed; the terminal's
// keys are decoded into a queue of input records.
//
// What the terminal showed before, and where its cursor stood, is unknown: the buffer
// starts blank with the cursor on its first cell, and the first drawing clears the
// terminal so that the two agree. The size is taken once, at the first open; the
// console unit reads it once too, so a resized terminal is not followed.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/common/screen_cells.h"
#include "platform/os.h"
#include "platform/posix/console_handles.h"
#include "platform/posix/control_events.h"
#include "platform/posix/errors.h"
#include "platform/posix/terminal_charset.h"
#include "platform/posix/terminal_keys.h"
#include "platform/posix/terminal_modes.h"
#include "platform/posix/terminal_render.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// The device of "CONIN$" and "CONOUT$", whatever standard input and output are.
constexpr const char* TerminalDevice = "/dev/tty";

// How long an Esc waits for the rest of a sequence before it counts as the Esc key.
constexpr auto EscWait = std::chrono::milliseconds(50);

enum class Kind { Input, Output };

struct ConsoleHandle {
    Handle Value;
    Kind What;
};

// The one console of the process, shared by its input and output handles.
struct TerminalConsole {
    std::mutex Lock;
    bool Started = false;
    int Fd = -1;  // kept open to the process's end, for the restore
    cells::ScreenCells Screen;
    posix::render::Shown Shown;
    posix::keys::KeyDecoder Decoder;
    Clock::time_point PendingSince;
    std::deque<InputRecord> Queue;
    std::vector<ConsoleHandle> Handles;
};
TerminalConsole Console;

// The buffer is the terminal's size when the terminal tells it.
void Start(int fd) {
    winsize size{};
    int16_t columns = 80, rows = 25;
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        columns = static_cast<int16_t>(std::min<int>(size.ws_col, 0x7FFF));
        rows = static_cast<int16_t>(std::min<int>(size.ws_row, 0x7FFF));
    }
    cells::Resize(Console.Screen, columns, rows, {' ', posix::render::DefaultAttribute});
    bool utf8 = posix::charset::LocaleUsesUtf8();
    Console.Shown = {};
    Console.Shown.Utf8 = utf8;
    Console.Decoder = {};
    Console.Decoder.Utf8 = utf8;
    Console.Fd = fd;
    Console.Started = true;
    posix::modes::Adopt(fd);
}

bool BadHandle() {
    posix::SetLastError(Error::InvalidHandle);
    return false;
}

// Whether `h` is an open console handle of that kind.
bool Is(Handle h, Kind kind) {
    for (const ConsoleHandle& c : Console.Handles)
        if (c.Value == h) return c.What == kind;
    return false;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return posix::Fail();
        }
    }
    return true;
}

// Draws what changed since the last update, after `prefix`, in one write.
bool Draw(Handle output, const std::string& prefix = {}) {
    std::string text = prefix + posix::render::Update(Console.Shown, Console.Screen);
    posix::modes::NoteDrawn();
    return WriteAll(static_cast<int>(output), text);
}

// Reads what the terminal has sent, without waiting, into the queue; a pending start of
// a sequence that has waited long enough is settled.
bool Pump(Handle input) {
    int fd = static_cast<int>(input);
    std::vector<InputRecord> records;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        int ready = poll(&p, 1, 0);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return posix::Fail();
        if (ready == 0 || (p.revents & POLLIN) == 0) break;
        char bytes[256];
        ssize_t n = read(fd, bytes, sizeof bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return posix::Fail();
        if (n == 0) {
            if ((p.revents & POLLHUP) == 0) break;  // an end of input in line mode
            posix::SetLastError(Error::GenFailure);  // hung up: no key can come any more
            return false;
        }
        posix::keys::Feed(Console.Decoder, std::string_view(bytes, static_cast<size_t>(n)), records);
        // The wait for the rest of a sequence runs from its last byte.
        if (!Console.Decoder.Pending.empty()) Console.PendingSince = Clock::now();
    }
    if (!Console.Decoder.Pending.empty() && Clock::now() - Console.PendingSince >= EscWait)
        posix::keys::Expire(Console.Decoder, records);
    Console.Queue.insert(Console.Queue.end(), records.begin(), records.end());
    return true;
}

}  // namespace

namespace posix {

void ForgetConsoleHandle(Handle handle) {
    std::lock_guard<std::mutex> hold(Console.Lock);
    auto& list = Console.Handles;
    list.erase(std::remove_if(list.begin(), list.end(), [handle](const ConsoleHandle& c) { return c.Value == handle; }),
               list.end());
}

}  // namespace posix

Handle OpenConsole(const char* name) {
    Kind kind;
    if (std::strcmp(name, "CONIN$") == 0) {
        kind = Kind::Input;
    } else if (std::strcmp(name, "CONOUT$") == 0) {
        kind = Kind::Output;
    } else {
        posix::SetLastError(Error::FileNotFound);
        return InvalidHandle;
    }
    int fd = open(TerminalDevice, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // No controlling terminal is a process without a console.
        if (errno == ENXIO || errno == ENOENT) {
            posix::SetLastError(Error::InvalidHandle);
        } else {
            posix::Fail();
        }
        return InvalidHandle;
    }
    std::lock_guard<std::mutex> hold(Console.Lock);
    if (!Console.Started) {
        int own = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        if (own < 0) {
            posix::Fail();
            close(fd);
            return InvalidHandle;
        }
        Start(own);
    }
    Console.Handles.push_back({fd, kind});
    return fd;
}

bool SetConsoleMode(Handle console, uint32_t) {
    {
        std::lock_guard<std::mutex> hold(Console.Lock);
        if (!Is(console, Kind::Input) && !Is(console, Kind::Output)) return BadHandle();
        if (!posix::modes::EnterRaw()) return posix::Fail();
    }
    // In raw mode no key raises a signal, but the terminal's hang-up and SIGTERM must
    // still end the program through its control handler, terminal restored.
    posix::events::Install();
    return true;
}

bool GetScreenBufferInfo(Handle output, ScreenBufferInfo& info) {
    std::lock_guard<std::mutex> hold(Console.Lock);
    if (!Is(output, Kind::Output)) return BadHandle();
    const cells::ScreenCells& s = Console.Screen;
    info.Size = {s.Columns, s.Rows};
    info.Cursor = s.Cursor;
    info.Attributes = posix::render::DefaultAttribute;
    info.Window = {0, 0, static_cast<int16_t>(s.Columns - 1), static_cast<int16_t>(s.Rows - 1)};
    return true;
}

bool FillCharacters(Handle output, uint8_t ch, uint32_t count, Coord start, uint32_t& written) {
    std::lock_guard<std::mutex> hold(Console.Lock);
    if (!Is(output, Kind::Output)) return BadHandle();
    uint32_t n = cells::FillChars(Console.Screen, ch, count, start);
    if (!Draw(output)) return false;
    written = n;
    return true;
}

bool FillAttributes(Handle output, uint16_t attr, uint32_t count, Coord start, uint32_t& written) {
    std::lock_guard<std::mutex> hold(Console.Lock);
    if (!Is(output, Kind::Output)) return BadHandle();
    uint32_t n = cells::FillAttrs(Console.Screen, attr, count, start);
    if (!Draw(output)) return false;
    written = n;
    return true;
}

bool SetCursor(Handle output, Coord cell) {
    std::lock_guard<std::mutex> hold(Console.Lock);
    if (!Is(output, Kind::Output)) return BadHandle();
    if (!cells::Contains(Console.Screen, cell)) {
        posix::SetLastError(Error::InvalidParameter);
        return false;
    }
    Console.Screen.Cursor = cell;
    return Draw(output);
}

bool ScrollRect(Handle output, Rect scroll, Rect clip, Coord destination, CharCell fill) {
    std::lock_guard<std::mutex> hold(Console.Lock);
    if (!Is(output, Kind::Output)) return BadHandle();
    if (!cells::Scroll(Console.Screen, scroll, clip, destination, fill)) {
        posix::SetLastError(Error::InvalidParameter);
        return false;
    }
    // Whole rows moving up (a line feed on the last row): the terminal moves them, and
    // only the rows that came free are drawn.
    const cells::ScreenCells& s = Console.Screen;
    bool sameRect = scroll.Left == clip.Left && scroll.Top == clip.Top && scroll.Right == clip.Right &&
                    scroll.Bottom == clip.Bottom;
    bool wholeRows = scroll.Left == 0 && scroll.Right == s.Columns - 1 && scroll.Top >= 0 && scroll.Bottom < s.Rows;
    if (sameRect && wholeRows && destination.X == 0 && destination.Y < scroll.Top) {
        auto lines = static_cast<int16_t>(scroll.Top - destination.Y);
        return Draw(output, posix::render::ScrollRows(Console.Shown, s.Columns, scroll.Top, scroll.Bottom, lines));
    }
    return Draw(output);
}

bool WriteCells(Handle output, const CharCell* cells, Coord size, Coord origin, Rect& region) {
    std::lock_guard<std::mutex> hold(Console.Lock);
    if (!Is(output, Kind::Output)) return BadHandle();
    Rect written = region;
    cells::WriteBlock(Console.Screen, cells, size, origin, written);
    if (!Draw(output)) return false;
    region = written;
    return true;
}

bool CountInput(Handle input, uint32_t& count) {
    std::lock_guard<std::mutex> hold(Console.Lock);
    if (!Is(input, Kind::Input)) return BadHandle();
    if (!Pump(input)) return false;
    count = static_cast<uint32_t>(Console.Queue.size());
    return true;
}

bool PeekInput(Handle input, InputRecord* records, uint32_t count, uint32_t& copied) {
    std::lock_guard<std::mutex> hold(Console.Lock);
    if (!Is(input, Kind::Input)) return BadHandle();
    if (!Pump(input)) return false;
    auto n = static_cast<uint32_t>(std::min<size_t>(count, Console.Queue.size()));
    std::copy_n(Console.Queue.begin(), n, records);
    copied = n;
    return true;
}

bool ReadInput(Handle input, InputRecord* records, uint32_t count, uint32_t& read) {
    for (;;) {
        int waitMs = -1;
        {
            std::lock_guard<std::mutex> hold(Console.Lock);
            if (!Is(input, Kind::Input)) return BadHandle();
            if (!Pump(input)) return false;
            if (count == 0 || !Console.Queue.empty()) {
                auto n = static_cast<uint32_t>(std::min<size_t>(count, Console.Queue.size()));
                std::copy_n(Console.Queue.begin(), n, records);
                Console.Queue.erase(Console.Queue.begin(), Console.Queue.begin() + n);
                read = n;
                return true;
            }
            if (!Console.Decoder.Pending.empty()) {
                auto left = EscWait - (Clock::now() - Console.PendingSince);
                waitMs = static_cast<int>(std::max<int64_t>(
                    1, std::chrono::ceil<std::chrono::milliseconds>(left).count()));
            }
        }
        // Wait without the lock, so that the control handler's thread can use the console.
        pollfd p{static_cast<int>(input), POLLIN, 0};
        int ready = poll(&p, 1, waitMs);
        if (ready < 0 && errno != EINTR) return posix::Fail();
        if (ready > 0 && (p.revents & POLLIN) == 0) {
            // Hung up, and nothing left to read: no key can come any more.
            posix::SetLastError(Error::GenFailure);
            return false;
        }
    }
}

bool Beep(uint32_t, uint32_t ms) {
    {
        std::lock_guard<std::mutex> hold(Console.Lock);
        // A terminal knows no pitch: its bell is the tone.
        if (Console.Started && !WriteAll(Console.Fd, "\a")) return false;
    }
    Sleep(ms);
    return true;
}

}  // namespace platform
