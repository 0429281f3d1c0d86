// The keyboard as one-byte key codes: a blocking read and a test that never waits.
#pragma once

#include <cstdint>

namespace bcrt {

// Key codes with a meaning of their own.
inline constexpr uint8_t ExtendedKeyCode = 0;   // the key's own code follows
inline constexpr uint8_t BackspaceKeyCode = 8;
inline constexpr uint8_t EnterKeyCode = 13;
inline constexpr uint8_t EscKeyCode = 27;
inline constexpr uint8_t NoInputKeyCode = 255;  // the console input can't be read

// The next key code; waits as long as no key yields one. An extended key gives 0 and
// keeps its own code in PendingKey for the next call.
uint8_t ReadKeyCode();

// True when ReadKeyCode would return at once. Never waits. When false, everything that
// was waiting (releases, lone modifiers, keys without a code, other events) is gone.
bool KeyWaiting();

}  // namespace bcrt
