#include "bcrt/keyboard.h"

#include <vector>

#include "bcrt/console_state.h"
#include "bcrt/device_guard.h"
#include "bcrt/key_table.h"

namespace bcrt {

namespace {

// The KeyTable cell of a record, or NoKey for a record that yields nothing.
int16_t CodeOf(const platform::InputRecord& record) {
    if (record.EventType != platform::KeyEventType || !record.KeyDown) return NoKey;
    const KeyRow* row = FindKeyRow(record.VirtualKeyCode);
    return row == nullptr ? NoKey : ChooseKeyCode(record, *row);
}

bool IsModifierKey(uint16_t virtualKey) { return virtualKey >= 0x10 && virtualKey <= 0x12; }

}  // namespace

uint8_t ReadKeyCode() {
    // While a control event ends the program, the keyboard calls stop too (device_guard.h).
    if (!StopHereIfClosing()) return NoInputKeyCode;
    if (Console.PendingKey != -1) {
        auto code = static_cast<uint8_t>(Console.PendingKey);
        Console.PendingKey = -1;
        return code;
    }
    for (;;) {
        platform::InputRecord record{};
        uint32_t read = 0;
        BeginKeyWait();
        bool ok = platform::ReadInput(Console.InputHandle, &record, 1, read);
        EndKeyWait();
        if (!StopHereIfClosing() || !ok) return NoInputKeyCode;
        if (read == 0) continue;
        int16_t code = CodeOf(record);
        if (code == NoKey) continue;
        if (code >= Extended) {
            Console.PendingKey = static_cast<int16_t>(code - Extended);
            return ExtendedKeyCode;
        }
        return static_cast<uint8_t>(code);
    }
}

bool KeyWaiting() {
    if (!StopHereIfClosing()) return false;
    if (Console.PendingKey != -1) return true;
    uint32_t waiting = 0;
    if (!platform::CountInput(Console.InputHandle, waiting) || waiting == 0) return false;
    std::vector<platform::InputRecord> records(waiting);
    uint32_t copied = 0;
    if (!platform::PeekInput(Console.InputHandle, records.data(), waiting, copied)) return false;
    for (uint32_t i = 0; i < copied; ++i) {
        // Lone Shift, Ctrl and Alt have no row; the test stays, as it says what is meant.
        if (!IsModifierKey(records[i].VirtualKeyCode) && CodeOf(records[i]) != NoKey) return true;
    }
    // Nothing that yields a key: drop exactly what was looked at, so the next poll is cheap.
    uint32_t read = 0;
    if (copied > 0) platform::ReadInput(Console.InputHandle, records.data(), copied, read);
    return false;
}

}  // namespace bcrt
