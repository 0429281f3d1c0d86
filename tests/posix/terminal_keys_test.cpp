// The terminal's bytes as key records: one table of byte sequences and the records they
// must give, with split reads, Esc alone against Esc as a prefix, and what is dropped.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/os.h"
#include "platform/posix/terminal_keys.h"

namespace {

namespace pf = platform;
namespace keys = platform::posix::keys;

constexpr uint32_t Shift = pf::ShiftPressed;
constexpr uint32_t Ctrl = pf::LeftCtrlPressed;
constexpr uint32_t Alt = pf::LeftAltPressed;
constexpr uint32_t Enh = pf::EnhancedKey;

struct Rec {
    uint16_t Vk;
    uint32_t State;
    uint8_t Char;
};

struct Case {
    const char* Name;
    std::vector<std::string> Reads;  // what each read of the terminal returns
    bool Expire;                     // the wait after the last read ran out
    std::vector<Rec> Want;
    bool Utf8 = true;
};

std::string Describe(const std::vector<Rec>& records) {
    std::string s;
    for (const Rec& r : records) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "{vk %#x, state %#x, char %#x} ", r.Vk, r.State, r.Char);
        s += buf;
    }
    return s.empty() ? "nothing" : s;
}

const std::string Long = "\x1b[" + std::string(40, '1');

const Case Cases[] = {
    // Characters of a US keyboard.
    {"letter", {"a"}, false, {{'A', 0, 'a'}}},
    {"capital letter is Shift", {"Q"}, false, {{'Q', Shift, 'Q'}}},
    {"digit", {"7"}, false, {{'7', 0, '7'}}},
    {"shifted digit", {"!"}, false, {{'1', Shift, '!'}}},
    {"space", {" "}, false, {{0x20, 0, ' '}}},
    {"punctuation", {"/?-_"}, false, {{0xBF, 0, '/'}, {0xBF, Shift, '?'}, {0xBD, 0, '-'}, {0xBD, Shift, '_'}}},
    // Control bytes.
    {"Ctrl+C", {"\x03"}, false, {{'C', Ctrl, 3}}},
    {"Ctrl+A and Ctrl+Z", {"\x01\x1a"}, false, {{'A', Ctrl, 1}, {'Z', Ctrl, 26}}},
    {"Enter is CR", {"\r"}, false, {{0x0D, 0, 13}}},
    {"LF is Ctrl+J", {"\n"}, false, {{'J', Ctrl, 10}}},
    {"Tab", {"\t"}, false, {{0x09, 0, 9}}},
    {"Backspace as DEL and as BS", {"\x7f\x08"}, false, {{0x08, 0, 8}, {0x08, 0, 8}}},
    {"NUL is Ctrl+Space", {std::string(1, '\0')}, false, {{0x20, Ctrl, 0}}},
    {"Ctrl+backslash and Ctrl+underscore", {"\x1c\x1f"}, false, {{0xDC, Ctrl, 0x1C}, {0xBD, Ctrl, 0x1F}}},
    // Esc alone against Esc as a prefix.
    {"Esc waits for what follows", {"\x1b"}, false, {}},
    {"Esc alone once the wait is over", {"\x1b"}, true, {{0x1B, 0, 27}}},
    {"Esc then nothing, over two reads", {"\x1b", ""}, true, {{0x1B, 0, 27}}},
    {"Alt+letter", {"\x1bx"}, false, {{'X', Alt, 'x'}}},
    {"Alt+Enter", {"\x1b\r"}, false, {{0x0D, Alt, 13}}},
    {"Alt+letter split", {"\x1b", "x"}, false, {{'X', Alt, 'x'}}},
    {"two Escs are two Esc keys", {"\x1b\x1b"}, true, {{0x1B, 0, 27}, {0x1B, 0, 27}}},
    {"Esc [ alone is Alt+[", {"\x1b["}, true, {{0xDB, Alt, '['}}},
    {"Esc O alone is Alt+O", {"\x1bO"}, true, {{'O', Alt | Shift, 'O'}}},
    // Cursor and editing keys.
    {"arrows", {"\x1b[A\x1b[B\x1b[C\x1b[D"}, false,
     {{0x26, Enh, 0}, {0x28, Enh, 0}, {0x27, Enh, 0}, {0x25, Enh, 0}}},
    {"arrows in application mode", {"\x1bOA\x1bOD"}, false, {{0x26, Enh, 0}, {0x25, Enh, 0}}},
    {"Ctrl+Up", {"\x1b[1;5A"}, false, {{0x26, Ctrl | Enh, 0}}},
    {"Shift+Alt+Right", {"\x1b[1;4C"}, false, {{0x27, Shift | Alt | Enh, 0}}},
    {"Home and End", {"\x1b[H\x1b[F\x1b[1~\x1b[4~\x1bOH"}, false,
     {{0x24, Enh, 0}, {0x23, Enh, 0}, {0x24, Enh, 0}, {0x23, Enh, 0}, {0x24, Enh, 0}}},
    {"Insert, Delete, Page Up, Page Down", {"\x1b[2~\x1b[3~\x1b[5~\x1b[6~"}, false,
     {{0x2D, Enh, 0}, {0x2E, Enh, 0}, {0x21, Enh, 0}, {0x22, Enh, 0}}},
    {"Ctrl+Delete", {"\x1b[3;5~"}, false, {{0x2E, Ctrl | Enh, 0}}},
    {"Shift+Tab", {"\x1b[Z"}, false, {{0x09, Shift, 9}}},
    // Function keys.
    {"F1 to F4", {"\x1bOP\x1bOQ\x1bOR\x1bOS"}, false, {{0x70, 0, 0}, {0x71, 0, 0}, {0x72, 0, 0}, {0x73, 0, 0}}},
    {"F5 to F12", {"\x1b[15~\x1b[17~\x1b[18~\x1b[19~\x1b[20~\x1b[21~\x1b[23~\x1b[24~"}, false,
     {{0x74, 0, 0}, {0x75, 0, 0}, {0x76, 0, 0}, {0x77, 0, 0}, {0x78, 0, 0}, {0x79, 0, 0}, {0x7A, 0, 0},
      {0x7B, 0, 0}}},
    {"Shift+F1 and Ctrl+F12", {"\x1b[1;2P\x1b[24;5~"}, false, {{0x70, Shift, 0}, {0x7B, Ctrl, 0}}},
    {"F1 with the modifier before the final", {"\x1bO5P"}, false, {{0x70, Ctrl, 0}}},
    {"old F1 to F4", {"\x1b[11~\x1b[14~"}, false, {{0x70, 0, 0}, {0x73, 0, 0}}},
    {"Linux console F1 and F5", {"\x1b[[A\x1b[[E"}, false, {{0x70, 0, 0}, {0x74, 0, 0}}},
    // One sequence over several reads.
    {"Ctrl+Up byte by byte", {"\x1b", "[", "1", ";", "5", "A"}, false, {{0x26, Ctrl | Enh, 0}}},
    {"F1 split after Esc O", {"\x1bO", "P"}, false, {{0x70, 0, 0}}},
    {"unfinished sequence waits", {"\x1b[1;5"}, false, {}},
    {"unfinished sequence dropped after the wait", {"\x1b[1;5"}, true, {}},
    // Characters above 127.
    {"UTF-8 to code page 437", {"\xc3\xbc\xe2\x94\x80"}, false, {{0, 0, 0x81}, {0, 0, 0xC4}}},
    {"UTF-8 split", {"\xe2\x94", "\x80"}, false, {{0, 0, 0xC4}}},
    {"Alt with a UTF-8 character", {"\x1b\xc3\xa9"}, false, {{0, Alt, 0x82}}},
    {"byte as it is without UTF-8", {"\x81\xc4"}, false, {{0, 0, 0x81}, {0, 0, 0xC4}}, false},
    // Dropped whole, never stray keys.
    {"unknown tilde key", {"\x1b[99~x"}, false, {{'X', 0, 'x'}}},
    {"mouse report", {"\x1b[<0;12;5Mz"}, false, {{'Z', 0, 'z'}}},
    {"device attributes reply", {"\x1b[?1;2c"}, false, {}},
    {"too many parameters", {"\x1b[1;2;3A"}, false, {}},
    {"unknown SS3 key", {"\x1bOx5"}, false, {{'5', 0, '5'}}},
    {"broken sequence, then F1", {"\x1b[1;\x1bOP"}, false, {{0x70, 0, 0}}},
    {"overlong parameters", {Long + "A" + "b"}, false, {{'B', 0, 'b'}}},
    {"overlong parameters over two reads", {Long, "1;5Ab"}, false, {{'B', 0, 'b'}}},
    {"invalid UTF-8", {"\xff\x80q"}, false, {{'Q', 0, 'q'}}},
    {"UTF-8 the code page lacks", {"\xe2\x82\xac"}, false, {}},
    {"UTF-8 cut by a new character", {"\xe2\x94w"}, false, {{'W', 0, 'w'}}},
};

TEST(TerminalKeys, DecodesTheTable) {
    for (const Case& c : Cases) {
        keys::KeyDecoder decoder;
        decoder.Utf8 = c.Utf8;
        std::vector<pf::InputRecord> out;
        for (const std::string& read : c.Reads) keys::Feed(decoder, read, out);
        if (c.Expire) keys::Expire(decoder, out);
        std::vector<Rec> got;
        for (const pf::InputRecord& r : out) {
            EXPECT_EQ(r.EventType, pf::KeyEventType) << c.Name;
            EXPECT_TRUE(r.KeyDown) << c.Name;
            EXPECT_EQ(r.RepeatCount, 1) << c.Name;
            got.push_back({r.VirtualKeyCode, r.ControlKeyState, r.Char});
        }
        EXPECT_EQ(Describe(got), Describe(c.Want)) << c.Name;
        if (c.Expire) {
            EXPECT_TRUE(decoder.Pending.empty()) << c.Name;
        }
    }
}

}  // namespace
