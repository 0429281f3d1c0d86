// The keyboard of a Unix terminal as console key records: the bytes that the terminal
// sends in raw mode (characters, control bytes, Esc-prefixed Alt keys and the xterm
// sequences of the cursor, editing and function keys) become key-down records with a
// virtual-key code in Windows numbering, the modifier flags and an 8-bit character.
// Pure: the caller reads the bytes and keeps the time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/os.h"

namespace platform::posix::keys {

struct KeyDecoder {
    std::string Pending;    // the start of a sequence that the next bytes may complete
    bool Skipping = false;  // dropping the rest of an overlong sequence, up to its end
    bool Utf8 = true;       // bytes above 127 come as UTF-8 (else one byte each)
};

// An unfinished sequence longer than this is garbage: it is dropped through its end.
inline constexpr size_t LongestSequence = 32;

// Decodes `bytes` after whatever was pending and appends a record for every whole key.
// A trailing start of a sequence stays pending; a sequence that is not understood is
// dropped whole.
void Feed(KeyDecoder& decoder, std::string_view bytes, std::vector<InputRecord>& out);

// Called when nothing followed the pending bytes for a while: a lone Esc is the Esc key,
// "Esc [" and "Esc O" are Alt with that key, and any other unfinished sequence is dropped.
void Expire(KeyDecoder& decoder, std::vector<InputRecord>& out);

}  // namespace platform::posix::keys
