// auxStrIn, the serial line reader: one read of a block, a line up to a terminator, or
// the bytes that come until the line goes quiet.
#include <algorithm>

#include "ComLibN/ComLibN.h"
#include "bcrt/keyboard.h"
#include "bcrt/screen.h"

namespace ComLibN {

namespace {

constexpr size_t MaxText = 255;
constexpr int32_t IdleLimit = 100;  // the loop ends once the idle count passes this

// Mode 0: one read of up to terminator 1 bytes (255 when it is 0 or out of range).
int32_t ReadBlock(platform::Handle handle, std::string& text, size_t maxLength, int32_t terminator1) {
    uint32_t want = terminator1 > 0 && terminator1 <= static_cast<int32_t>(MaxText) ? terminator1 : MaxText;
    char buffer[MaxText];
    uint32_t read = 0;
    if (!platform::ReadSerial(handle, buffer, want, read)) read = 0;
    text.assign(buffer, std::min<size_t>(read, maxLength));
    return static_cast<int32_t>(read);
}

// A line ends on Esc only. NextKey also gives 27 for an extended key whose second code
// is 155 (155 + 128 taken as one byte); such a key is consumed like any other and leaves
// EscFlag clear, so the flag is what tells an Esc.
bool EscPressed() { return NextKey() == bcrt::EscKeyCode && EscFlag; }

}  // namespace

int32_t auxStrIn(uint16_t port, std::string& text, int32_t maxLength, int32_t mode, int32_t terminator1,
                 int32_t terminator2) {
    platform::Handle handle;
    if (!OpenHandle(port, handle) || AbortRequested()) return -1;
    if (!BytesWaiting(port)) return 0;
    const size_t limit = static_cast<size_t>(std::clamp<int32_t>(maxLength, 0, MaxText));
    if (mode == 0) return ReadBlock(handle, text, limit, terminator1);

    const bool toTerminator = mode == 1;
    const auto end1 = static_cast<uint8_t>(terminator1);
    const auto end2 = static_cast<uint8_t>(terminator2);
    // Mode 1 waits 101 empty polls for a stalled line to go on; the other mode 11.
    const int32_t idleStep = toTerminator ? 1 : 10;

    std::string buffer;
    bool terminated = false;
    int32_t idle = 0;
    int32_t last = 0;
    while (!terminated && idle <= IdleLimit && last >= 0 && !EscPressed()) {
        uint8_t byte = 0;
        last = ReadByte(port, byte);
        if (last > 0) {
            // Bytes past the 255th are dropped, but a terminator among them still ends the line.
            if (buffer.size() < MaxText) buffer += static_cast<char>(byte);
            idle = 0;
            if (toTerminator && (byte == end1 || byte == end2)) terminated = true;
        } else {
            if (!AbortRequested()) bcrt::PauseMs(1);
            idle += idleStep;
        }
    }

    if (toTerminator && !terminated)
        text.assign(LineErrorText.substr(0, limit));
    else
        text.assign(buffer, 0, limit);
    return static_cast<int32_t>(buffer.size());
}

}  // namespace ComLibN
