// Key events to key codes: KeyTable, the modifier precedence, ReadKeyCode and KeyWaiting
// over the in-memory console's input queue.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "bcrt/key_table.h"
#include "bcrt/keyboard.h"
#include "tests/unit/fixture.h"

namespace {

using fakeos::Request;
using fakeos::console::Key;
using fakeos::console::Push;
namespace pf = platform;

constexpr uint32_t Alt = pf::LeftAltPressed;
constexpr uint32_t RAlt = pf::RightAltPressed;
constexpr uint32_t Ctrl = pf::LeftCtrlPressed;
constexpr uint32_t RCtrl = pf::RightCtrlPressed;
constexpr uint32_t Shift = pf::ShiftPressed;

TEST(KeyTableTest, HasItsRowsOnceEachWithTheLettersCarryingTheirCharacter) {
    std::set<uint16_t> seen;
    for (const bcrt::KeyRow& row : bcrt::KeyTable) {
        SCOPED_TRACE(::testing::Message() << "virtual key 0x" << std::hex << row.VirtualKey);
        EXPECT_TRUE(seen.insert(row.VirtualKey).second) << "twice in the table";
        bool letter = row.VirtualKey >= 0x41 && row.VirtualKey <= 0x5A;
        EXPECT_EQ(letter, row.Plain == bcrt::EventCharacter);
        for (int16_t cell : {row.Shift, row.Ctrl, row.Alt})
            EXPECT_TRUE(cell == bcrt::NoKey || (cell >= 0 && cell <= 0x1FF)) << cell;
        EXPECT_EQ(bcrt::FindKeyRow(row.VirtualKey), &row);
    }
    EXPECT_EQ(seen.size(), 94u);
    for (uint16_t absent : {0x10, 0x11, 0x12, 0x14, 0x90, 0x13, 0x2C, 0x00, 0xFF})
        EXPECT_EQ(bcrt::FindKeyRow(absent), nullptr) << "virtual key " << absent;
}

struct ChooseCase {
    const char* Name;
    uint32_t State;
    int16_t Expected;
};

TEST(ChooseKeyCodeTest, AltWinsOverCtrlAndCtrlOverShiftAndOtherFlagsAreIgnored) {
    const bcrt::KeyRow row{0x70, 0x13B, 0x154, 0x15E, 0x168};  // F1
    const ChooseCase cases[] = {
        {"none", 0, 0x13B},
        {"Shift", Shift, 0x154},
        {"left Ctrl", Ctrl, 0x15E},
        {"right Ctrl", RCtrl, 0x15E},
        {"left Alt", Alt, 0x168},
        {"right Alt", RAlt, 0x168},
        {"Ctrl+Shift", Ctrl | Shift, 0x15E},
        {"AltGr (right Alt + left Ctrl)", RAlt | Ctrl, 0x168},
        {"Alt+Ctrl+Shift", Alt | RCtrl | Shift, 0x168},
        {"Num Lock, Scroll Lock, Caps Lock, enhanced", pf::NumLockOn | pf::ScrollLockOn | pf::CapsLockOn | pf::EnhancedKey,
         0x13B},
    };
    for (const ChooseCase& c : cases)
        EXPECT_EQ(bcrt::ChooseKeyCode(Key(0x70, 0, c.State), row), c.Expected) << c.Name;
}

class KeyboardTest : public regdump_test::FakeSystem {};

struct KeyCase {
    const char* Name;
    uint16_t VirtualKey;
    uint8_t Char;
    uint32_t State;
    std::vector<int> Codes;  // what ReadKeyCode returns for the press; empty: nothing
};

// One press each, with a release queued behind it, then the X key as a marker: a press
// that yields nothing must be passed over so that the next ReadKeyCode gives the marker.
TEST_F(KeyboardTest, EachPressGivesItsCodes) {
    const KeyCase cases[] = {
        {"F1", 0x70, 0, 0, {0, 0x3B}},
        {"Shift+Tab", 0x09, 0x09, Shift, {0, 0x0F}},
        {"Alt+A", 0x41, 'a', Alt, {0, 0x1E}},
        {"Alt+Esc", 0x1B, 0x1B, Alt, {0, 0x01}},
        {"Ctrl+2", 0x32, 0, Ctrl, {0, 0x03}},
        {"Ctrl+Space", 0x20, 0x20, Ctrl, {0, 0x03}},
        {"Esc", 0x1B, 0x1B, 0, {27}},
        {"Shift+Esc", 0x1B, 0x1B, Shift, {27}},
        {"Ctrl+Esc", 0x1B, 0x1B, Ctrl, {27}},
        {"Ctrl+Shift+A", 0x41, 0x01, Ctrl | Shift, {0x01}},
        {"AltGr+2", 0x32, '@', RAlt | Ctrl, {0x40}},
        {"A alone", 0x41, 'a', 0, {0x61}},
        {"A with Caps Lock", 0x41, 'A', pf::CapsLockOn, {0x41}},
        {"Shift+A with Caps Lock", 0x41, 'a', Shift | pf::CapsLockOn, {0x41}},
        {"Shift+A", 0x41, 'A', Shift, {0x41}},
        {"Ctrl+C", 0x43, 0x03, Ctrl, {0x03}},
        {"Ctrl+Enter", 0x0D, 0x0A, Ctrl, {0x0A}},
        {"Ctrl+Backspace", 0x08, 0x7F, Ctrl, {0x7F}},
        {"Up, enhanced, Num Lock", 0x26, 0, pf::EnhancedKey | pf::NumLockOn, {0, 0x48}},
        {"layout key 0xC0 with Shift", 0xC0, '!', Shift, {0x21}},
        {"Ctrl+1", 0x31, 0, Ctrl, {}},
        {"Alt+keypad 5", 0x65, 0, Alt, {}},
        {"left Windows key", 0x5B, 0, 0, {}},
        {"right Windows key", 0x5C, 0, 0, {}},
        {"application key", 0x5D, 0, 0, {}},
        {"Caps Lock", 0x14, 0, 0, {}},
        {"Num Lock", 0x90, 0, pf::EnhancedKey, {}},
        {"Pause", 0x13, 0, 0, {}},
        {"Print Screen", 0x2C, 0, 0, {}},
        {"a letter whose event carries no character", 0x4B, 0, 0, {}},
    };
    for (const KeyCase& c : cases) {
        SetUp();
        Push(Key(c.VirtualKey, c.Char, c.State, true));
        Push(Key(c.VirtualKey, c.Char, c.State, false));
        Push(Key(0x58, 'x'));
        for (int code : c.Codes) EXPECT_EQ(bcrt::ReadKeyCode(), code) << c.Name;
        EXPECT_EQ(bcrt::ReadKeyCode(), 'x') << c.Name << ": the marker key after it";
        EXPECT_EQ(bcrt::Console.PendingKey, -1) << c.Name;
    }
}

TEST_F(KeyboardTest, APressWithARepeatCountYieldsOneKey) {
    Push(Key(0x42, 'b', 0, true, 3));
    Push(Key(0x58, 'x'));
    EXPECT_EQ(bcrt::ReadKeyCode(), 'b');
    EXPECT_EQ(bcrt::ReadKeyCode(), 'x');
}

TEST_F(KeyboardTest, ThePendingCodeOfAnExtendedKeyNeedsNoConsole) {
    Push(Key(0x70, 0));
    EXPECT_EQ(bcrt::ReadKeyCode(), 0);
    uint64_t counts = fakeos::Calls(Request::CountInput);
    uint64_t reads = fakeos::Calls(Request::ReadInput);
    EXPECT_TRUE(bcrt::KeyWaiting());
    EXPECT_EQ(fakeos::Calls(Request::CountInput), counts) << "KeyWaiting asked the console";
    EXPECT_EQ(bcrt::ReadKeyCode(), 0x3B);
    EXPECT_EQ(fakeos::Calls(Request::ReadInput), reads) << "the second code read a record";
    EXPECT_EQ(bcrt::Console.PendingKey, -1);
}

TEST_F(KeyboardTest, AFailedReadGives255AndNoPendingCode) {
    fakeos::Fail(Request::ReadInput, pf::Error::InvalidHandle);
    EXPECT_EQ(bcrt::ReadKeyCode(), 255);
    EXPECT_EQ(bcrt::Console.PendingKey, -1);
    bcrt::Console.InputHandle = pf::InvalidHandle;  // "CONIN$" that did not open
    fakeos::Fail(Request::ReadInput, 0, 0);
    EXPECT_EQ(bcrt::ReadKeyCode(), 255);
}

TEST_F(KeyboardTest, ReadKeyCodeWaitsForALaterKey) {
    Push(Key(0x41, 'a'), 250);
    EXPECT_EQ(bcrt::ReadKeyCode(), 'a');
    EXPECT_EQ(fakeos::Now(), 250u);
}

TEST_F(KeyboardTest, KeyWaitingDropsEverythingThatYieldsNoKeyInOnePass) {
    Push(Key(0x41, 'a', 0, false));                   // a release
    Push(Key(0x10, 0, Shift));                        // lone Shift
    Push(Key(0x11, 0, Ctrl));                         // lone Ctrl
    Push(Key(0x12, 0, Alt));                          // lone Alt
    Push(Key(0x5B, 0));                               // Windows key
    Push(fakeos::console::Other(pf::MouseEventType));
    Push(fakeos::console::Other(pf::FocusEventType));
    Push(Key(0x31, 0, Ctrl));                         // a key without a code
    Push(Key(0x41, 'a'), 10);                         // not there yet
    EXPECT_FALSE(bcrt::KeyWaiting());
    EXPECT_EQ(fakeos::console::Console.Input.size(), 1u) << "only the later key may stay";
    EXPECT_EQ(fakeos::Calls(Request::CountInput), 1u);
    EXPECT_EQ(fakeos::Calls(Request::PeekInput), 1u);
    EXPECT_EQ(fakeos::Calls(Request::ReadInput), 1u);
    EXPECT_FALSE(bcrt::KeyWaiting());
    EXPECT_EQ(fakeos::Calls(Request::PeekInput), 1u) << "nothing waiting needs no peek";
}

TEST_F(KeyboardTest, KeyWaitingFindsAPressBehindAReleaseAndRemovesNothing) {
    Push(Key(0x42, 'b', 0, false));
    Push(Key(0x10, 0, Shift));
    Push(Key(0x41, 'a'));
    EXPECT_TRUE(bcrt::KeyWaiting());
    EXPECT_EQ(fakeos::console::Console.Input.size(), 3u);
    EXPECT_EQ(fakeos::Calls(Request::ReadInput), 0u);
    EXPECT_EQ(bcrt::ReadKeyCode(), 'a');
    EXPECT_EQ(fakeos::Now(), 0u) << "ReadKeyCode waited";
}

TEST_F(KeyboardTest, KeyWaitingAnswersFalseAndRemovesNothingWhenTheConsoleCannotBeAsked) {
    Push(Key(0x42, 'b', 0, false));
    const Request failing[] = {Request::CountInput, Request::PeekInput};
    for (Request r : failing) {
        fakeos::Fail(r, pf::Error::InvalidHandle, 1);
        EXPECT_FALSE(bcrt::KeyWaiting()) << static_cast<int>(r);
        EXPECT_EQ(fakeos::console::Console.Input.size(), 1u) << static_cast<int>(r);
    }
    EXPECT_EQ(fakeos::Calls(Request::ReadInput), 0u);
}

}  // namespace
