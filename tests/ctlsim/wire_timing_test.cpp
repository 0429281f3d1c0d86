// The modelled line: byte times, when a reply's bytes reach the host, and the wire time.
#include <gtest/gtest.h>

#include <vector>

#include "tools/ctlsim/wire_timing.h"

// Found by argument lookup, so they live beside the record.
namespace ctlsim {
bool operator==(const Release& a, const Release& b) { return a.AtNs == b.AtNs && a.Bytes == b.Bytes; }
void PrintTo(const Release& r, std::ostream* out) { *out << "[" << r.AtNs << " ns: " << r.Bytes << "]"; }
}  // namespace ctlsim

namespace {

using ctlsim::Release;
using ctlsim::WireTiming;

constexpr int64_t Ms = 1'000'000;

TEST(CtlsimWireTiming, ElevenBitsPerByte) {
    EXPECT_EQ(ctlsim::ByteNs(9600), 1'145'833);  // 11/9600 s, rounded
    EXPECT_EQ(ctlsim::ByteNs(1100), 10 * Ms);
    EXPECT_EQ(ctlsim::ByteNs(0), 0);
    // "RD DM109" and its CR at 9600 baud, from the exact fraction: 99/9600 s.
    EXPECT_EQ(ctlsim::CommandEndNs(5 * Ms, 9, {9600, 0, 0}), 5 * Ms + 10'312'500);
}

TEST(CtlsimWireTiming, SchedulesReplyBytes) {
    struct Case {
        const char* Name;
        WireTiming Timing;
        int64_t CommandEnd;
        int64_t LineFree;
        size_t Bytes;
        std::vector<Release> Expected;
        int64_t LineFreeAfter;
    };
    const Case cases[] = {
        {"instant", {0, 0, 0}, 7 * Ms, 0, 5, {{7 * Ms, 5}}, 7 * Ms},
        {"turnaround only", {0, 3 * Ms, 0}, 7 * Ms, 0, 4, {{10 * Ms, 4}}, 10 * Ms},
        {"byte by byte at 1100 baud", {1100, 0, 0}, 0, 0, 3, {{10 * Ms, 1}, {20 * Ms, 1}, {30 * Ms, 1}}, 30 * Ms},
        {"after the turnaround", {1100, 5 * Ms, 0}, 1 * Ms, 0, 2, {{16 * Ms, 1}, {26 * Ms, 1}}, 26 * Ms},
        {"line still busy", {1100, 5 * Ms, 0}, 1 * Ms, 40 * Ms, 1, {{50 * Ms, 1}}, 50 * Ms},
        // A 16 ms latency timer gathers the bytes that came in since its last tick.
        {"grid", {1100, 0, 16 * Ms}, 0, 0, 4, {{16 * Ms, 1}, {32 * Ms, 2}, {48 * Ms, 1}}, 40 * Ms},
        {"grid point hit exactly", {0, 0, 16 * Ms}, 32 * Ms, 0, 2, {{32 * Ms, 2}}, 32 * Ms},
        {"grid without baud", {0, 1 * Ms, 16 * Ms}, 20 * Ms, 0, 9, {{32 * Ms, 9}}, 21 * Ms},
    };
    for (const Case& c : cases) {
        int64_t lineFree = c.LineFree;
        EXPECT_EQ(ctlsim::ScheduleReply(c.CommandEnd, c.Bytes, c.Timing, lineFree), c.Expected) << c.Name;
        EXPECT_EQ(lineFree, c.LineFreeAfter) << c.Name;
    }
}

TEST(CtlsimWireTiming, NoRoundingDriftOverALongReply) {
    int64_t lineFree = 0;
    std::vector<Release> releases = ctlsim::ScheduleReply(0, 9600, {9600, 0, 0}, lineFree);
    ASSERT_EQ(releases.size(), 9600u);
    EXPECT_EQ(releases.back().AtNs, 11'000 * Ms);
    EXPECT_EQ(lineFree, 11'000 * Ms);
}

TEST(CtlsimWireTiming, ModelledWireTimeOfTheTrafficServed) {
    // Greeting and system number: "CR" CR, "CC" CR LF, "RD DM109" CR, "123" CR LF.
    ctlsim::WireTally tally{3 + 9, 4 + 5, 2};
    EXPECT_EQ(ctlsim::ModelledWireNs(tally, 9600, 0), 24'062'500);  // 231 bits
    EXPECT_EQ(ctlsim::ModelledWireNs(tally, 9600, 5 * Ms), 34'062'500);
    EXPECT_EQ(ctlsim::WireTimeReport(tally, 9600, 5 * Ms),
              "modelled wire time 34.062500 ms (12 bytes in, 9 bytes out at 9600 baud, "
              "2 turnarounds of 5.000000 ms)");
}

}  // namespace
