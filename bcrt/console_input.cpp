// ConsoleInput: one line typed at the keyboard, edited with Backspace and echoed.
#include <algorithm>
#include <cstring>

#include "bcrt/console_devices.h"
#include "bcrt/console_state.h"
#include "bcrt/device_guard.h"
#include "bcrt/keyboard.h"

namespace bcrt {

namespace {

constexpr uint8_t LineFeed = 10;

// The echo goes through standard output, that is through ConsoleOutput. Each write call
// of the layer ends with the device's flush, so the echo is on the screen at once.
void Echo(const char* text, size_t length) {
    rtl::Write(rtl::Output, std::string_view(text, length));
    rtl::CheckIo();
}

// Hands the line over to the record; false when the device has been closed meanwhile.
bool HandOver(rtl::TextFile& file, const char* line, uint32_t length) {
    DeviceAccess access = EnterDevice();
    if (!access.Usable) return false;
    std::memcpy(file.BufPtr, line, length);
    file.BufPos = 0;
    file.BufEnd = length;
    return true;
}

}  // namespace

uint32_t ReadEditedLine(rtl::TextFile& file) {
    uint32_t capacity = 0;
    {
        DeviceAccess access = EnterDevice();
        if (!access.Usable) return rtl::FileNotOpenError;
        file.BufPos = 0;
        file.BufEnd = 0;
        capacity = std::min(file.BufSize, rtl::TextBufferSize);
    }
    // The line is collected aside and handed over in one step under the device lock: the
    // key read may wait for ever, and it must not hold the lock, nor may a shut-down that
    // closes the record meanwhile find it half filled.
    char line[rtl::TextBufferSize];
    uint32_t end = 0;
    while (end < capacity) {
        uint8_t key = ReadKeyCode();
        // While a control event's shut-down runs, this waits at the device lock.
        if (!EnterDevice().Usable) return rtl::FileNotOpenError;
        if (key == ExtendedKeyCode) {
            if (Console.PendingKey != -1) ReadKeyCode();  // drop the extended key's own code
        } else if (key == BackspaceKeyCode) {
            if (end > 0) {
                Echo("\b \b", 3);
                --end;
            }
        } else if (key == EnterKeyCode) {
            line[end++] = '\r';
            // The line feed is stored only when a byte stays free behind it, so a line of
            // 126 characters ends in 13 alone.
            if (end + 1 < capacity) line[end++] = '\n';
            Echo("\r\n", 2);
            return HandOver(file, line, end) ? 0 : rtl::FileNotOpenError;
        } else if (key == LineFeed || key >= 32) {
            line[end] = static_cast<char>(key);
            Echo(&line[end], 1);
            ++end;
        }
        // Every other control code (Ctrl+C among them) is ignored.
    }
    return HandOver(file, line, end) ? 0 : rtl::FileNotOpenError;
}

uint32_t FlushInput(rtl::TextFile&) { return 0; }

}  // namespace bcrt
