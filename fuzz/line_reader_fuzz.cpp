// Fuzzes the serial line reader in its three modes over arbitrary byte streams, timings,
// keys, lengths and terminators. Whatever comes, it takes bytes only from the front of
// the line, stops on the first terminator, never hands out more than the maximum length
// or 255 bytes, and counts what it collected.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/serial_input.h"

namespace {

std::string Bytes(const std::vector<fakeos::serial::Arrival>& arrivals, size_t count) {
    std::string s;
    for (size_t i = 0; i < count; ++i) s += static_cast<char>(arrivals[i].Byte);
    return s;
}

int32_t Terminator(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: return 3;
        case 1: return 10;
        case 2: return 0;
        default: return in.ConsumeIntegral<int32_t>();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fuzz::ResetSystem();
    fakeos::serial::Port& com = fuzz::OpenCom1();
    ComLibN::OpenPort(2, 9600, 'E', 8, 1);  // no such device: its entry counts as closed

    try {
        for (int call = 0; call < 3 && in.remaining_bytes() > 0; ++call) {
            fuzz::ScheduleBytes(in, com, 4, 300);
            fuzz::ScheduleKeys(in, 2, 300);
            fuzz::InjectFaults(in, com);
            const uint16_t ports[] = {1, 1, 1, 1, 2, 3, 0, 129};
            uint16_t port = ports[in.ConsumeIntegralInRange(0, 7)];
            int32_t mode = in.ConsumeIntegralInRange(0, 2);
            if (mode == 2 && in.ConsumeBool()) mode = in.ConsumeIntegral<int32_t>();
            int32_t maxLength = in.ConsumeBool() ? 255 : in.ConsumeIntegralInRange(-3, 300);
            int32_t end1 = Terminator(in);
            int32_t end2 = Terminator(in);

            const std::vector<fakeos::serial::Arrival> before = com.Incoming;
            const std::string sentinel = "untouched";
            std::string text = sentinel;
            int32_t result = ComLibN::auxStrIn(port, text, maxLength, mode, end1, end2);
            FUZZ_CHECK(com.Incoming.size() <= before.size());
            const size_t consumed = before.size() - com.Incoming.size();
            const std::string line = Bytes(before, consumed);
            const size_t limit = static_cast<size_t>(std::clamp(maxLength, 0, 255));

            FUZZ_CHECK(result >= -1 && result <= 255);
            FUZZ_CHECK(text.size() <= 255);
            if (result == -1 || (result == 0 && text == sentinel)) {
                // Returned before any read: closed port, abort, or nothing waiting.
                FUZZ_CHECK(text == sentinel && consumed == 0);
                continue;
            }
            FUZZ_CHECK(text.size() <= limit);
            if (port != 1) FUZZ_CHECK(consumed == 0);
            if (mode == 0) {
                FUZZ_CHECK(static_cast<size_t>(result) == consumed);
                FUZZ_CHECK(text == line.substr(0, limit));
                continue;
            }
            FUZZ_CHECK(static_cast<size_t>(result) == std::min<size_t>(consumed, 255));
            if (mode == 1) {
                auto isEnd = [&](char c) {
                    auto b = static_cast<uint8_t>(c);
                    return b == static_cast<uint8_t>(end1) || b == static_cast<uint8_t>(end2);
                };
                // The line ends on its first terminator, and nothing after it is taken.
                for (size_t i = 0; i + 1 < consumed; ++i) FUZZ_CHECK(!isEnd(line[i]));
                bool terminated = consumed > 0 && isEnd(line.back());
                if (terminated)
                    FUZZ_CHECK(text == line.substr(0, std::min<size_t>(limit, 255)));
                else
                    FUZZ_CHECK(text == ComLibN::LineErrorText.substr(0, limit));
            } else {
                FUZZ_CHECK(text == line.substr(0, std::min<size_t>(limit, 255)));
            }
        }
    } catch (const fakeos::WouldBlockForever&) {
        // The scripted input ran out in a blocking read: the end of the scene, no fault.
    }
    return 0;
}
