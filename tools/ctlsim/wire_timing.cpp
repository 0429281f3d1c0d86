#include "tools/ctlsim/wire_timing.h"

#include <algorithm>
#include <cstdio>

namespace ctlsim {

namespace {

constexpr uint64_t NsPerSecond = 1'000'000'000;

// The time of `bytes` bytes, rounded to the nearest nanosecond from the exact fraction.
int64_t BytesNs(uint64_t bytes, unsigned baud) {
    if (baud == 0) return 0;
    return static_cast<int64_t>((bytes * BitsPerByte * NsPerSecond + baud / 2) / baud);
}

int64_t NextGridPoint(int64_t ns, int64_t gridNs) {
    if (gridNs <= 0) return ns;
    return (ns + gridNs - 1) / gridNs * gridNs;
}

}  // namespace

int64_t ByteNs(unsigned baud) { return BytesNs(1, baud); }

int64_t CommandEndNs(int64_t firstByteNs, size_t bytes, const WireTiming& timing) {
    return firstByteNs + BytesNs(bytes, timing.Baud);
}

std::vector<Release> ScheduleReply(int64_t commandEndNs, size_t bytes, const WireTiming& timing,
                                   int64_t& lineFreeNs) {
    int64_t start = std::max(commandEndNs + timing.TurnaroundNs, lineFreeNs);
    std::vector<Release> releases;
    for (size_t i = 1; i <= bytes; ++i) {
        // Byte i is complete i byte times after the start, from the exact total so that
        // rounding does not add up over a long reply.
        int64_t at = NextGridPoint(start + BytesNs(i, timing.Baud), timing.GridNs);
        if (!releases.empty() && releases.back().AtNs == at)
            ++releases.back().Bytes;
        else
            releases.push_back({at, 1});
    }
    lineFreeNs = start + BytesNs(bytes, timing.Baud);
    return releases;
}

int64_t ModelledWireNs(const WireTally& tally, unsigned baud, int64_t turnaroundNs) {
    return BytesNs(tally.BytesIn + tally.BytesOut, baud) +
           static_cast<int64_t>(tally.Turnarounds) * turnaroundNs;
}

std::string WireTimeReport(const WireTally& tally, unsigned baud, int64_t turnaroundNs) {
    int64_t ns = ModelledWireNs(tally, baud, turnaroundNs);
    char text[256];
    std::snprintf(text, sizeof text,
                  "modelled wire time %lld.%06lld ms (%llu bytes in, %llu bytes out at %u baud, "
                  "%llu turnarounds of %lld.%06lld ms)",
                  static_cast<long long>(ns / 1'000'000), static_cast<long long>(ns % 1'000'000),
                  static_cast<unsigned long long>(tally.BytesIn),
                  static_cast<unsigned long long>(tally.BytesOut), baud,
                  static_cast<unsigned long long>(tally.Turnarounds),
                  static_cast<long long>(turnaroundNs / 1'000'000),
                  static_cast<long long>(turnaroundNs % 1'000'000));
    return text;
}

}  // namespace ctlsim
