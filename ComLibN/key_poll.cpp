// The operator abort: the key poll that serial work makes, EscFlag, and the draining of
// the keyboard.
#include "ComLibN/ComLibN.h"
#include "bcrt/keyboard.h"
#include "bcrt/screen.h"

namespace ComLibN {

bool EscFlag = false;

namespace {

// What one key poll took from the keyboard. First is 0 both when no key was waiting and
// for an extended key, whose own code is then Second.
struct PolledKey {
    uint8_t First = 0;
    uint8_t Second = 0;
};

// Takes one key, if one is waiting, and sets EscFlag when it is Esc. Any other key is
// dropped here: the console input never sees it.
PolledKey PollKey() {
    PolledKey key;
    if (!bcrt::KeyWaiting()) return key;
    key.First = bcrt::ReadKeyCode();
    if (key.First == bcrt::ExtendedKeyCode) key.Second = bcrt::ReadKeyCode();
    if (key.First == bcrt::EscKeyCode) EscFlag = true;
    return key;
}

}  // namespace

bool AbortRequested() {
    if (EscFlag) return true;
    return PollKey().First == bcrt::EscKeyCode;
}

uint8_t NextKey() {
    if (AbortRequested()) return bcrt::EscKeyCode;
    PolledKey key = PollKey();
    if (key.First == bcrt::EscKeyCode) return bcrt::EscKeyCode;
    if (key.First == bcrt::ExtendedKeyCode && key.Second != 0) return static_cast<uint8_t>(key.Second + 128);
    return key.First;
}

void FlushKeys() {
    bcrt::PauseMs(1);
    while (bcrt::KeyWaiting()) {
        bcrt::ReadKeyCode();
        bcrt::PauseMs(1);
    }
    EscFlag = false;
}

}  // namespace ComLibN
