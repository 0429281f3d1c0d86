// The in-memory system that the unit tests link in place of a real backend.
//
// It serves every request of platform/os.h from memory: a virtual millisecond clock that
// only Sleep advances, a console (screen cells, cursor, a scripted queue of input
// records), serial ports with a scripted controller (serial.h), and files over the real
// working directory with captured standard streams (files.h). Every request is counted,
// and any request can be made to fail on demand with a chosen error code.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/os.h"

namespace fakeos {

// The requests of platform/os.h, for counting and failure injection.
enum class Request {
    Sleep,
    OpenConsole, SetConsoleMode, GetScreenBufferInfo, FillCharacters, FillAttributes,
    SetCursor, ScrollRect, WriteCells, CountInput, PeekInput, ReadInput, SetControlHandler,
    Beep, CloseHandle,
    OpenSerial, GetSerialSettings, SetSerialSettings, GetSerialTimeouts, SetSerialTimeouts,
    SerialStatus, ReadSerial, WriteSerial,
    StandardHandle, CreateDiskFile, WriteFileBytes, ReadFileBytes, FindFirstEntry,
    Count_
};

// Puts the whole in-memory system back to its start: clock 0, no counts or failures,
// an 80 x 25 console in attribute 7, no serial ports, empty standard streams.
void Reset();

// How often a request has been made since the last Reset.
uint64_t Calls(Request request);

// Makes the next `times` calls of a request fail with `code` (times < 0: every call).
void Fail(Request request, uint32_t code, int times = -1);

// The virtual clock, in milliseconds since Reset.
uint64_t Now();

// Every Sleep since Reset, in order, with its argument.
const std::vector<uint32_t>& Sleeps();

// What platform::ExitProcess throws here, so that a test sees the exit code.
struct ProcessExited {
    uint32_t Code;
};

// A blocking request that would wait for ever (no input will ever come) throws this
// rather than hang the test run.
struct WouldBlockForever {
    const char* What;
};

namespace detail {
// Counts the call and applies an injected failure; true when the call must fail (the
// code is then set for LastError).
bool Enter(Request request);
void SetLastError(uint32_t code);
void AdvanceClock(uint64_t ms);
// Reset hooks of the areas.
void ResetConsole();
void ResetSerial();
void ResetFiles();
}  // namespace detail

}  // namespace fakeos
