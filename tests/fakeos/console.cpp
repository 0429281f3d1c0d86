#include "tests/fakeos/console.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "tests/fakeos/fakeos.h"

namespace fakeos::console {

State Console;

void Reset(int16_t columns, int16_t rows, uint16_t attribute) {
    Console = State{};
    platform::cells::Resize(Console.Screen, columns, rows, {' ', attribute});
    Console.Attribute = attribute;
    Console.Window = {0, 0, static_cast<int16_t>(columns - 1), static_cast<int16_t>(std::min<int>(rows, 25) - 1)};
}

void Push(const platform::InputRecord& record, uint64_t at) { Console.Input.push_back({record, at}); }

platform::InputRecord Key(uint16_t virtualKey, uint8_t ch, uint32_t controlState, bool down, uint16_t repeat) {
    platform::InputRecord r{};
    r.EventType = platform::KeyEventType;
    r.KeyDown = down;
    r.RepeatCount = repeat;
    r.VirtualKeyCode = virtualKey;
    r.Char = ch;
    r.ControlKeyState = controlState;
    return r;
}

void Tap(uint16_t virtualKey, uint8_t ch, uint32_t controlState, uint64_t at) {
    Push(Key(virtualKey, ch, controlState, true), at);
    Push(Key(virtualKey, ch, controlState, false), at);
}

platform::InputRecord Other(uint16_t eventType) {
    platform::InputRecord r{};
    r.EventType = eventType;
    return r;
}

std::string RowText(int16_t row) {
    std::string s;
    for (int16_t x = 0; x < Console.Screen.Columns; ++x) s += static_cast<char>(At(Console.Screen, x, row).Char);
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::string ScreenText() {
    std::string s;
    for (int16_t y = 0; y < Console.Screen.Rows; ++y) s += RowText(y) + "\n";
    return s;
}

size_t Waiting() {
    size_t n = 0;
    for (const auto& t : Console.Input) {
        if (t.At > fakeos::Now()) break;
        ++n;
    }
    return n;
}

ControlOutcome RaiseControlEvent(uint32_t event) {
    ControlOutcome outcome;
    platform::ControlHandler handler = Console.Handler;
    if (handler == nullptr) return outcome;
    std::thread system([&] {
        try {
            outcome.Handled = handler(event);
        } catch (const fakeos::ProcessExited& e) {
            outcome.Exited = true;
            outcome.ExitCode = e.Code;
        }
    });
    system.join();
    return outcome;
}

}  // namespace fakeos::console

namespace {

using fakeos::Request;
using fakeos::console::Console;

bool Fails(Request r) { return fakeos::detail::Enter(r); }

bool BadHandle(platform::Handle h, platform::Handle expected) {
    if (h == expected) return false;
    fakeos::detail::SetLastError(platform::Error::InvalidHandle);
    return true;
}

}  // namespace

namespace fakeos::detail {
void ResetConsole() { fakeos::console::Reset(); }
}  // namespace fakeos::detail

namespace platform {

Handle OpenConsole(const char* name) {
    if (Fails(Request::OpenConsole)) return InvalidHandle;
    for (const std::string& missing : Console.Missing) {
        if (missing == name) {
            fakeos::detail::SetLastError(Error::FileNotFound);
            return InvalidHandle;
        }
    }
    if (std::strcmp(name, "CONIN$") == 0) return fakeos::console::InputHandle;
    if (std::strcmp(name, "CONOUT$") == 0) return fakeos::console::OutputHandle;
    fakeos::detail::SetLastError(Error::FileNotFound);
    return InvalidHandle;
}

bool SetConsoleMode(Handle console, uint32_t mode) {
    if (Fails(Request::SetConsoleMode)) return false;
    if (console == fakeos::console::InputHandle) {
        Console.InputMode = mode;
        return true;
    }
    if (BadHandle(console, fakeos::console::OutputHandle)) return false;
    Console.OutputMode = mode;
    return true;
}

bool GetScreenBufferInfo(Handle output, ScreenBufferInfo& info) {
    if (Fails(Request::GetScreenBufferInfo) || BadHandle(output, fakeos::console::OutputHandle)) return false;
    info.Size = {Console.Screen.Columns, Console.Screen.Rows};
    info.Cursor = Console.Screen.Cursor;
    info.Attributes = Console.Attribute;
    info.Window = Console.Window;
    return true;
}

bool FillCharacters(Handle output, uint8_t ch, uint32_t count, Coord start, uint32_t& written) {
    if (Fails(Request::FillCharacters) || BadHandle(output, fakeos::console::OutputHandle)) return false;
    written = cells::FillChars(Console.Screen, ch, count, start);
    return true;
}

bool FillAttributes(Handle output, uint16_t attr, uint32_t count, Coord start, uint32_t& written) {
    if (Fails(Request::FillAttributes) || BadHandle(output, fakeos::console::OutputHandle)) return false;
    written = cells::FillAttrs(Console.Screen, attr, count, start);
    return true;
}

bool SetCursor(Handle output, Coord cell) {
    if (Fails(Request::SetCursor) || BadHandle(output, fakeos::console::OutputHandle)) return false;
    if (!cells::Contains(Console.Screen, cell)) {
        fakeos::detail::SetLastError(Error::InvalidParameter);
        return false;
    }
    Console.Screen.Cursor = cell;
    return true;
}

bool ScrollRect(Handle output, Rect scroll, Rect clip, Coord destination, CharCell fill) {
    if (Fails(Request::ScrollRect) || BadHandle(output, fakeos::console::OutputHandle)) return false;
    if (!cells::Scroll(Console.Screen, scroll, clip, destination, fill)) {
        fakeos::detail::SetLastError(Error::InvalidParameter);
        return false;
    }
    return true;
}

bool WriteCells(Handle output, const CharCell* block, Coord size, Coord origin, Rect& region) {
    if (Fails(Request::WriteCells) || BadHandle(output, fakeos::console::OutputHandle)) return false;
    Console.CellWrites.push_back(region);
    cells::WriteBlock(Console.Screen, block, size, origin, region);
    return true;
}

bool CountInput(Handle input, uint32_t& count) {
    if (Fails(Request::CountInput) || BadHandle(input, fakeos::console::InputHandle)) return false;
    count = static_cast<uint32_t>(fakeos::console::Waiting());
    return true;
}

bool PeekInput(Handle input, InputRecord* records, uint32_t count, uint32_t& copied) {
    if (Fails(Request::PeekInput) || BadHandle(input, fakeos::console::InputHandle)) return false;
    uint32_t n = std::min<uint32_t>(count, static_cast<uint32_t>(fakeos::console::Waiting()));
    for (uint32_t i = 0; i < n; ++i) records[i] = Console.Input[i].Record;
    copied = n;
    return true;
}

bool ReadInput(Handle input, InputRecord* records, uint32_t count, uint32_t& read) {
    if (Fails(Request::ReadInput) || BadHandle(input, fakeos::console::InputHandle)) return false;
    if (count == 0) {
        read = 0;
        return true;
    }
    if (fakeos::console::Waiting() == 0) {
        // Blocks: time passes until the next scripted record is due.
        if (Console.Input.empty() && Console.WhileReadBlocks) Console.WhileReadBlocks();
        if (Console.Input.empty()) throw fakeos::WouldBlockForever{"ReadInput with no input scripted"};
        if (Console.Input.front().At > fakeos::Now())
            fakeos::detail::AdvanceClock(Console.Input.front().At - fakeos::Now());
    }
    uint32_t n = std::min<uint32_t>(count, static_cast<uint32_t>(fakeos::console::Waiting()));
    for (uint32_t i = 0; i < n; ++i) {
        records[i] = Console.Input.front().Record;
        Console.Input.pop_front();
    }
    read = n;
    return true;
}

bool SetControlHandler(ControlHandler handler, bool add) {
    if (Fails(Request::SetControlHandler)) return false;
    Console.Handler = add ? handler : nullptr;
    return true;
}

bool Beep(uint32_t hz, uint32_t ms) {
    if (Fails(Request::Beep)) return false;
    Console.Beeps.push_back({hz, ms});
    if (Console.DuringBeep) Console.DuringBeep();
    fakeos::detail::AdvanceClock(ms);
    return true;
}

}  // namespace platform
