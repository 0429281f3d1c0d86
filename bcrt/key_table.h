// KeyTable: which key code each console key event yields, by virtual-key code and
// modifier, and the two lookups over it.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace bcrt {

// A cell of KeyTable: 0x00..0xFF a one-byte key code; 0x100 + n the extended code n,
// delivered as 0 and then n; NoKey: the key yields nothing with that modifier.
inline constexpr int16_t NoKey = -1;
// The Plain cell of a letter key: the character that the event carries.
inline constexpr int16_t EventCharacter = -2;
inline constexpr int16_t Extended = 0x100;

struct KeyRow {
    uint16_t VirtualKey;
    int16_t Plain;
    int16_t Shift;
    int16_t Ctrl;
    int16_t Alt;
};

inline constexpr int KeyTableRows = 94;
extern const KeyRow KeyTable[KeyTableRows];

// The row of a virtual-key code, or nullptr.
const KeyRow* FindKeyRow(uint16_t virtualKey);

// The cell that a key event picks from its row: Alt over Ctrl over Shift; a letter with
// none of them gives the event's character (NoKey when that is 0, so that no false
// announcement of an extended key swallows the next key).
int16_t ChooseKeyCode(const platform::InputRecord& event, const KeyRow& row);

}  // namespace bcrt
