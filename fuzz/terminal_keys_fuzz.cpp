// Fuzzes the terminal key decoder over arbitrary bytes fed in arbitrary pieces: every
// record is a key press, no byte yields more than one record, the pending start of a
// sequence stays short, and an expiry leaves nothing behind. Input too short to hold an
// overlong sequence must decode the same however it is split.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/posix/terminal_keys.h"

namespace keys = platform::posix::keys;

namespace {

bool Same(const platform::InputRecord& a, const platform::InputRecord& b) {
    return a.EventType == b.EventType && a.KeyDown == b.KeyDown && a.RepeatCount == b.RepeatCount &&
           a.VirtualKeyCode == b.VirtualKeyCode && a.VirtualScanCode == b.VirtualScanCode && a.Char == b.Char &&
           a.ControlKeyState == b.ControlKeyState;
}

void CheckRecords(const std::vector<platform::InputRecord>& records, size_t bytes) {
    FUZZ_CHECK(records.size() <= bytes);
    for (const platform::InputRecord& r : records) {
        FUZZ_CHECK(r.EventType == platform::KeyEventType);
        FUZZ_CHECK(r.KeyDown && r.RepeatCount == 1);
        FUZZ_CHECK(r.VirtualKeyCode <= 0xFE);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const bool utf8 = in.ConsumeBool();
    // The pieces, as separate reads of the terminal would deliver them; an expiry (a pause
    // in the typing) may come after any of them.
    std::vector<std::string> pieces;
    std::vector<bool> pauses;
    std::string all;
    while (in.remaining_bytes() > 0) {
        size_t length = in.ConsumeIntegralInRange<size_t>(0, 40);
        bool pause = in.ConsumeIntegralInRange(0, 7) == 0;
        std::string piece = in.ConsumeBytesAsString(length);
        all += piece;
        pieces.push_back(piece);
        pauses.push_back(pause);
    }

    keys::KeyDecoder split;
    split.Utf8 = utf8;
    std::vector<platform::InputRecord> splitOut;
    bool paused = false;
    for (size_t i = 0; i < pieces.size(); ++i) {
        keys::Feed(split, pieces[i], splitOut);
        FUZZ_CHECK(split.Pending.size() < keys::LongestSequence);
        if (pauses[i]) {
            keys::Expire(split, splitOut);
            FUZZ_CHECK(split.Pending.empty() && !split.Skipping);
            paused = true;
        }
    }
    keys::Expire(split, splitOut);
    FUZZ_CHECK(split.Pending.empty() && !split.Skipping);
    CheckRecords(splitOut, all.size());

    keys::KeyDecoder whole;
    whole.Utf8 = utf8;
    std::vector<platform::InputRecord> wholeOut;
    keys::Feed(whole, all, wholeOut);
    FUZZ_CHECK(whole.Pending.size() < keys::LongestSequence);
    keys::Expire(whole, wholeOut);
    CheckRecords(wholeOut, all.size());

    if (!paused && all.size() < keys::LongestSequence) {
        FUZZ_CHECK(splitOut.size() == wholeOut.size());
        for (size_t i = 0; i < splitOut.size(); ++i) FUZZ_CHECK(Same(splitOut[i], wholeOut[i]));
    }
    return 0;
}
