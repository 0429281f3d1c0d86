// The in-memory console: a screen buffer of cells with a cursor and attribute, and a
// queue of input records that a test fills, each receivable from a given virtual time.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/common/screen_cells.h"
#include "platform/os.h"

namespace fakeos::console {

// What OpenConsole hands out for "CONIN$" and "CONOUT$".
inline constexpr platform::Handle InputHandle = 0x1001;
inline constexpr platform::Handle OutputHandle = 0x1002;

struct TimedRecord {
    platform::InputRecord Record;
    uint64_t At;  // receivable from this virtual time on
};

struct BeepCall {
    uint32_t Hz;
    uint32_t Ms;
};

struct State {
    platform::cells::ScreenCells Screen;
    uint16_t Attribute = 7;     // what GetScreenBufferInfo reports
    platform::Rect Window{};    // the visible part, reported by GetScreenBufferInfo
    uint32_t InputMode = 0xFFFF;
    uint32_t OutputMode = 0xFFFF;
    std::deque<TimedRecord> Input;
    platform::ControlHandler Handler = nullptr;
    std::vector<BeepCall> Beeps;
    std::vector<platform::Rect> CellWrites;  // every WriteCells region, as asked
    std::vector<platform::Handle> Closed;
    std::vector<std::string> Missing;  // device names that OpenConsole can't open
    // Called when ReadInput would block with nothing scripted, as if the reader waited
    // meanwhile; a test may act, or push input. Nothing pushed: WouldBlockForever.
    std::function<void()> WhileReadBlocks;
    std::function<void()> DuringBeep;  // called while a tone sounds
};

extern State Console;

// A fresh console of columns x rows blank cells in `attribute`, visible window the top
// 25 rows (or fewer), cursor (0, 0), no input.
void Reset(int16_t columns = 80, int16_t rows = 25, uint16_t attribute = 7);

// Queues a record, receivable from virtual time `at`.
void Push(const platform::InputRecord& record, uint64_t at = 0);

// A key event record.
platform::InputRecord Key(uint16_t virtualKey, uint8_t ch, uint32_t controlState = 0, bool down = true,
                          uint16_t repeat = 1);

// Queues a press and a release of a key.
void Tap(uint16_t virtualKey, uint8_t ch, uint32_t controlState = 0, uint64_t at = 0);

// A record of another event type.
platform::InputRecord Other(uint16_t eventType);

// The characters of a row; the characters of the buffer's rows joined by '\n', each row
// with its trailing blanks cut.
std::string RowText(int16_t row);
std::string ScreenText();

// Number of records receivable now.
size_t Waiting();

struct ControlOutcome {
    bool Handled = false;  // what the handler returned
    bool Exited = false;   // the handler ended the process instead of returning
    uint32_t ExitCode = 0;
};

// Calls the registered control handler with `event` on a thread of its own, as the
// system does, and waits for that thread to end. No handler registered: not handled.
ControlOutcome RaiseControlEvent(uint32_t event);

}  // namespace fakeos::console
