#include "platform/posix/terminal_keys.h"

#include <cstdint>

#include "platform/posix/terminal_charset.h"

namespace platform::posix::keys {

namespace {

constexpr char Esc = 0x1B;

// Windows virtual-key codes.
namespace Vk {
constexpr uint16_t Back = 0x08, Tab = 0x09, Return = 0x0D, Escape = 0x1B, Space = 0x20;
constexpr uint16_t Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24;
constexpr uint16_t Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
constexpr uint16_t Insert = 0x2D, Delete = 0x2E, F1 = 0x70;
constexpr uint16_t Oem1 = 0xBA, OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD, OemPeriod = 0xBE;
constexpr uint16_t Oem2 = 0xBF, Oem3 = 0xC0, Oem4 = 0xDB, Oem5 = 0xDC, Oem6 = 0xDD, Oem7 = 0xDE;
}  // namespace Vk

InputRecord Key(uint16_t vk, uint8_t ch, uint32_t state) {
    InputRecord r{};
    r.EventType = KeyEventType;
    r.KeyDown = true;
    r.RepeatCount = 1;
    r.VirtualKeyCode = vk;
    r.Char = ch;
    r.ControlKeyState = state;
    return r;
}

// The key of a printable ASCII character on a US keyboard.
struct UsKey {
    uint16_t Vk;
    bool Shift;
};

UsKey UsKeyOf(char c) {
    if (c >= 'a' && c <= 'z') return {static_cast<uint16_t>(c - 'a' + 'A'), false};
    if (c >= 'A' && c <= 'Z') return {static_cast<uint16_t>(c), true};
    if (c >= '0' && c <= '9') return {static_cast<uint16_t>(c), false};
    static constexpr char ShiftedDigits[] = ")!@#$%^&*(";
    for (int d = 0; d < 10; ++d)
        if (ShiftedDigits[d] == c) return {static_cast<uint16_t>('0' + d), true};
    struct Pair {
        char Plain, Shifted;
        uint16_t Vk;
    };
    static constexpr Pair Punctuation[] = {
        {'`', '~', Vk::Oem3},     {'-', '_', Vk::OemMinus}, {'=', '+', Vk::OemPlus},  {'[', '{', Vk::Oem4},
        {']', '}', Vk::Oem6},     {'\\', '|', Vk::Oem5},    {';', ':', Vk::Oem1},     {'\'', '"', Vk::Oem7},
        {',', '<', Vk::OemComma}, {'.', '>', Vk::OemPeriod}, {'/', '?', Vk::Oem2},
    };
    for (const Pair& p : Punctuation) {
        if (p.Plain == c) return {p.Vk, false};
        if (p.Shifted == c) return {p.Vk, true};
    }
    return {Vk::Space, false};
}

// The key of one byte below 128 other than Esc.
InputRecord SingleByte(uint8_t b) {
    switch (b) {
        case 0: return Key(Vk::Space, 0, LeftCtrlPressed);  // Ctrl+Space and Ctrl+@ send NUL
        case 8: case 127: return Key(Vk::Back, 8, 0);  // terminals send either for Backspace
        case 9: return Key(Vk::Tab, 9, 0);
        case 13: return Key(Vk::Return, 13, 0);
        case 28: return Key(Vk::Oem5, b, LeftCtrlPressed);
        case 29: return Key(Vk::Oem6, b, LeftCtrlPressed);
        case 30: return Key('6', b, LeftCtrlPressed);
        case 31: return Key(Vk::OemMinus, b, LeftCtrlPressed);
        default: break;
    }
    if (b < 32) return Key(static_cast<uint16_t>('A' + b - 1), b, LeftCtrlPressed);
    UsKey k = UsKeyOf(static_cast<char>(b));
    return Key(k.Vk, b, k.Shift ? ShiftPressed : 0);
}

// The modifier parameter of an xterm key sequence: 1 + Shift 1, Alt 2, Ctrl 4, Meta 8.
uint32_t Modifiers(int parameter) {
    if (parameter < 2) return 0;
    int bits = parameter - 1;
    uint32_t state = 0;
    if (bits & 1) state |= ShiftPressed;
    if (bits & (2 | 8)) state |= LeftAltPressed;
    if (bits & 4) state |= LeftCtrlPressed;
    return state;
}

// What one step of decoding found at the front of the bytes.
enum class Outcome { Key, Drop, Incomplete };

struct Step {
    Outcome What;
    size_t Length;  // bytes used (Key, Drop)
    InputRecord Record;
};

Step Found(size_t length, InputRecord r) { return {Outcome::Key, length, r}; }
Step Dropped(size_t length) { return {Outcome::Drop, length, {}}; }
Step NeedMore() { return {Outcome::Incomplete, 0, {}}; }

// A cursor or editing key by the final byte of "CSI A" and its kin; 0 for none.
uint16_t CursorKey(char final) {
    switch (final) {
        case 'A': return Vk::Up;
        case 'B': return Vk::Down;
        case 'C': return Vk::Right;
        case 'D': return Vk::Left;
        case 'H': return Vk::Home;
        case 'F': return Vk::End;
        default: return 0;
    }
}

uint16_t FunctionKeyOfFinal(char final) {  // F1 to F4 as "SS3 P" to "SS3 S"
    return final >= 'P' && final <= 'S' ? static_cast<uint16_t>(Vk::F1 + (final - 'P')) : 0;
}

// The key of "CSI n ~".
uint16_t TildeKey(int n) {
    switch (n) {
        case 1: case 7: return Vk::Home;
        case 2: return Vk::Insert;
        case 3: return Vk::Delete;
        case 4: case 8: return Vk::End;
        case 5: return Vk::Prior;
        case 6: return Vk::Next;
        case 11: case 12: case 13: case 14: case 15: return static_cast<uint16_t>(Vk::F1 + n - 11);
        case 17: case 18: case 19: case 20: case 21: return static_cast<uint16_t>(Vk::F1 + 5 + n - 17);
        case 23: case 24: return static_cast<uint16_t>(Vk::F1 + 10 + n - 23);
        default: return 0;
    }
}

// The key records of the cursor block carry the enhanced-key flag, as the console's do.
uint32_t Enhanced(uint16_t vk) { return vk >= Vk::Prior && vk <= Vk::Delete ? EnhancedKey : 0; }

// "CSI params final", starting behind "Esc [".
Step ControlSequence(std::string_view s, size_t start) {
    if (start < s.size() && s[start] == '[') {
        // The Linux console's F1 to F5: "Esc [ [ A" to "Esc [ [ E".
        if (start + 1 >= s.size()) return NeedMore();
        char f = s[start + 1];
        if (f >= 'A' && f <= 'E') return Found(start + 2, Key(static_cast<uint16_t>(Vk::F1 + (f - 'A')), 0, 0));
        return Dropped(start + 2);
    }
    int params[2] = {-1, -1};
    int count = 0;
    bool privateMarker = false;
    size_t i = start;
    for (; i < s.size(); ++i) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c >= '0' && c <= '9') {
            if (count == 0) count = 1;
            int& p = params[count <= 2 ? count - 1 : 1];
            p = (p < 0 ? 0 : p) * 10 + (c - '0');
            if (p > 9999) p = 9999;
        } else if (c == ';') {
            count = count == 0 ? 2 : count + 1;
        } else if (c >= 0x3C && c <= 0x3F) {
            privateMarker = true;
        } else if (c >= 0x20 && c <= 0x2F) {
            privateMarker = true;  // intermediates: nothing of the keyboard's
        } else {
            break;
        }
    }
    if (i == s.size()) return NeedMore();
    auto final = static_cast<unsigned char>(s[i]);
    size_t length = i + 1;
    // A byte that cannot end a sequence ends it as broken; that byte starts afresh.
    if (final < 0x40 || final > 0x7E) return Dropped(i);
    if (privateMarker || count > 2) return Dropped(length);
    uint32_t state = Modifiers(params[1]);
    uint16_t vk = 0;
    if (final == '~') {
        vk = TildeKey(params[0]);
    } else if (final == 'Z') {
        return Found(length, Key(Vk::Tab, 9, ShiftPressed | state));  // back tab: Shift+Tab
    } else if (params[0] <= 1) {
        vk = CursorKey(static_cast<char>(final));
        if (vk == 0) vk = FunctionKeyOfFinal(static_cast<char>(final));
    }
    if (vk == 0) return Dropped(length);
    return Found(length, Key(vk, 0, state | Enhanced(vk)));
}

// "SS3 final", starting behind "Esc O", with the modifier digit that some terminals put
// before the final ("Esc O 5 P").
Step ShiftThree(std::string_view s, size_t start) {
    size_t i = start;
    int modifier = -1;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 3) {
        modifier = (modifier < 0 ? 0 : modifier) * 10 + (s[i] - '0');
        ++i;
    }
    if (i == s.size()) return NeedMore();
    char final = s[i];
    uint32_t state = Modifiers(modifier);
    if (final == 'M') return Found(i + 1, Key(Vk::Return, 13, state));  // keypad Enter
    uint16_t vk = CursorKey(final);
    if (vk == 0) vk = FunctionKeyOfFinal(final);
    if (vk == 0) return Dropped(i + 1);
    return Found(i + 1, Key(vk, 0, state | Enhanced(vk)));
}

// One character of 128 or more, as UTF-8 or as one byte.
Step HighCharacter(std::string_view s, size_t at, bool utf8) {
    auto lead = static_cast<unsigned char>(s[at]);
    // A character that no key of the US keyboard types has no virtual-key code; the
    // record carries it in code page 437.
    if (!utf8) return Found(at + 1, Key(0, lead, 0));
    size_t length = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    if (length == 0 || lead >= 0xF8) return Dropped(at + 1);
    char32_t cp = lead & (0x3F >> (length - 1));
    for (size_t k = 1; k < length; ++k) {
        if (at + k >= s.size()) return NeedMore();
        auto c = static_cast<unsigned char>(s[at + k]);
        if ((c & 0xC0) != 0x80) return Dropped(at + k);
        cp = cp << 6 | (c & 0x3F);
    }
    int ch = charset::FromUnicode(cp);
    if (ch < 0) return Dropped(at + length);
    return Found(at + length, Key(0, static_cast<uint8_t>(ch), 0));
}

// One key, a dropped sequence or the need for more, at the front of `s`.
Step Next(std::string_view s, bool utf8) {
    auto b = static_cast<unsigned char>(s[0]);
    if (b >= 0x80) return HighCharacter(s, 0, utf8);
    if (b != Esc) return Found(1, SingleByte(b));
    if (s.size() == 1) return NeedMore();
    char c = s[1];
    if (c == '[') return ControlSequence(s, 2);
    if (c == 'O') return ShiftThree(s, 2);
    // Two Escs are the Esc key twice, never Alt+Esc: a technician hammering Esc while the
    // program is busy must still get Esc, and bytes read together carry no timing.
    if (c == Esc) return Found(1, Key(Vk::Escape, 27, 0));
    Step inner = static_cast<unsigned char>(c) >= 0x80 ? HighCharacter(s, 1, utf8)
                                                        : Found(2, SingleByte(static_cast<unsigned char>(c)));
    if (inner.What == Outcome::Key) inner.Record.ControlKeyState |= LeftAltPressed;
    return inner;
}

}  // namespace

void Feed(KeyDecoder& decoder, std::string_view bytes, std::vector<InputRecord>& out) {
    std::string data = decoder.Pending;
    data.append(bytes);
    std::string_view rest = data;
    while (!rest.empty()) {
        if (decoder.Skipping) {
            auto c = static_cast<unsigned char>(rest[0]);
            if (c < 0x20 || c > 0x7E) {  // not of the sequence: it starts afresh
                decoder.Skipping = false;
                continue;
            }
            if (c >= 0x40) decoder.Skipping = false;  // the final byte, dropped with the rest
            rest = rest.substr(1);
            continue;
        }
        Step step = Next(rest, decoder.Utf8);
        if (step.What == Outcome::Incomplete) {
            if (rest.size() >= LongestSequence) {
                // Only parameters can run this long: drop them and whatever follows up to
                // the sequence's final byte, so that none of it turns into keys.
                decoder.Skipping = true;
                rest = {};
            }
            break;
        }
        if (step.What == Outcome::Key) out.push_back(step.Record);
        rest = rest.substr(step.Length == 0 ? 1 : step.Length);
    }
    decoder.Pending = std::string(rest);
}

void Expire(KeyDecoder& decoder, std::vector<InputRecord>& out) {
    if (decoder.Pending == "\x1b") {
        out.push_back(Key(Vk::Escape, 27, 0));
    } else if (decoder.Pending == "\x1b[") {
        out.push_back(Key(Vk::Oem4, '[', LeftAltPressed));
    } else if (decoder.Pending == "\x1bO") {
        out.push_back(Key('O', 'O', LeftAltPressed | ShiftPressed));
    }
    decoder.Pending.clear();
    decoder.Skipping = false;
}

}  // namespace platform::posix::keys
