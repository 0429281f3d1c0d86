// The console devices on standard input and output of the in-memory console, with
// helpers to paint rows and to type keys.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bcrt/device_guard.h"
#include "bcrt/unit.h"
#include "rtl/textfile.h"
#include "tests/unit/fixture.h"

namespace regdump_test {

// One key press as the operator makes it.
struct Press {
    uint16_t VirtualKey;
    uint8_t Char;
    uint32_t State = 0;
};

inline const Press Enter{0x0D, 13};
inline const Press Backspace{0x08, 8};
inline const Press F1{0x70, 0};
inline const Press Up{0x26, 0, platform::EnhancedKey};
inline const Press CtrlC{0x43, 3, platform::LeftCtrlPressed};
inline const Press CtrlEnter{0x0D, 10, platform::LeftCtrlPressed};
inline const Press Tab{0x09, 9};
inline const Press Esc{0x1B, 27};

// The press of a digit, a lower-case letter or the space bar.
inline Press Char(char c) {
    auto vk = static_cast<uint16_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return {vk, static_cast<uint8_t>(c)};
}

inline void Type(const std::vector<Press>& keys) {
    for (const Press& k : keys) fakeos::console::Tap(k.VirtualKey, k.Char, k.State);
}

inline void Type(const std::string& text) {
    for (char c : text) Type({Char(c)});
}

class ConsoleDevices : public FakeSystem {
protected:
    // A control event's shut-down leaves the guard closed; the tests after this one start
    // afresh.
    void TearDown() override { bcrt::ResetDeviceGuard(); }

    // A console of columns x rows in `attribute`, and the devices opened on it.
    void Open(int16_t columns = 80, int16_t rows = 25, uint16_t attribute = 7) {
        fakeos::console::Reset(columns, rows, attribute);
        rtl::ResetStandardFiles();
        bcrt::Start();
    }

    // Puts text into a row's cells, from its left edge.
    static void Paint(int16_t row, const std::string& text) {
        for (size_t x = 0; x < text.size(); ++x)
            platform::cells::At(fakeos::console::Console.Screen, static_cast<int16_t>(x), row).Char =
                static_cast<uint8_t>(text[x]);
    }

    static platform::Coord Cursor() { return fakeos::console::Console.Screen.Cursor; }
};

}  // namespace regdump_test
