// Builds a serial scene from the fuzz input: the port COM1 open with the controller's
// settings, bytes on the line at chosen times and intervals, keys at chosen times, and
// failing requests.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "fuzz/fuzz_support.h"
#include "tests/fakeos/serial.h"

namespace fuzz {

// Bytes that matter to the line reader more often than chance would pick them.
inline std::string LineBytes(FuzzedDataProvider& in, size_t most) {
    std::string bytes = in.ConsumeRandomLengthString(most);
    // About one byte in five becomes a CR, an LF or an ETX, so that lines end often.
    for (char& c : bytes) {
        switch (static_cast<unsigned char>(c) % 16) {
            case 0: c = '\n'; break;
            case 1: c = '\r'; break;
            case 2: c = '\x03'; break;
            default: break;
        }
    }
    return bytes;
}

// Puts up to `chunks` stretches of bytes on the line, each from a time within `span`
// milliseconds from now, one byte every 0 to 3 ms.
inline void ScheduleBytes(FuzzedDataProvider& in, fakeos::serial::Port& port, int chunks, uint64_t span) {
    int n = in.ConsumeIntegralInRange(0, chunks);
    for (int i = 0; i < n; ++i) {
        bool plain = in.ConsumeBool();
        std::string bytes = plain ? in.ConsumeRandomLengthString(300) : LineBytes(in, 300);
        uint64_t at = fakeos::Now() + in.ConsumeIntegralInRange<uint64_t>(0, span);
        uint64_t interval = in.ConsumeIntegralInRange<uint64_t>(0, 3);
        fakeos::serial::Send(port, bytes, at, interval);
    }
}

// Up to `most` key presses within `span` ms: Esc, a letter, F1 (an extended key) or
// Alt+Left (the extended key whose code plus 128 wraps to 27).
inline void ScheduleKeys(FuzzedDataProvider& in, int most, uint64_t span) {
    int n = in.ConsumeIntegralInRange(0, most);
    for (int i = 0; i < n; ++i) {
        uint64_t at = fakeos::Now() + in.ConsumeIntegralInRange<uint64_t>(0, span);
        switch (in.ConsumeIntegralInRange(0, 3)) {
            case 0: fakeos::console::Tap(0x1B, 27, 0, at); break;
            case 1: fakeos::console::Tap(0x41, 'a', 0, at); break;
            case 2: fakeos::console::Tap(0x70, 0, 0, at); break;
            default: fakeos::console::Tap(0x25, 0, platform::LeftAltPressed, at); break;
        }
    }
}

// Now and then a failing request for the next few calls, or the adapter pulled out: the
// status query, the read and the write fail as with a removed adapter.
inline void InjectFaults(FuzzedDataProvider& in, fakeos::serial::Port& port) {
    switch (in.ConsumeIntegralInRange(0, 15)) {
        case 0: fakeos::Fail(fakeos::Request::SerialStatus, 31, in.ConsumeIntegralInRange(1, 5)); break;
        case 1: fakeos::Fail(fakeos::Request::ReadSerial, 31, in.ConsumeIntegralInRange(1, 5)); break;
        case 2: fakeos::Fail(fakeos::Request::WriteSerial, 31, 1); break;
        case 3: fakeos::serial::Unplug(port); break;
        default: break;
    }
}

// COM1, opened as the controller link opens it.
inline fakeos::serial::Port& OpenCom1() {
    fakeos::serial::Port& port = fakeos::serial::AddPort("COM1");
    FUZZ_CHECK(ComLibN::OpenPort(1, 9600, 'E', 8, 1) == 0);
    return port;
}

}  // namespace fuzz
