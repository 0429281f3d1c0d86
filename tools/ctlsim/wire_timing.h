// The serial line's timing as the simulator models it: each byte takes 11 bit times
// (start bit, 8 data bits, parity, stop bit) at the line's baud rate in both directions,
// the controller takes a turnaround time before it answers, and a USB adapter's latency
// timer may hold received bytes back to the next multiple of its period. Times are
// nanoseconds from the start of serving.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ctlsim {

constexpr uint64_t BitsPerByte = 11;

struct WireTiming {
    unsigned Baud = 0;          // 0: bytes take no time
    int64_t TurnaroundNs = 0;   // from a command's last byte to the reply's first
    int64_t GridNs = 0;         // 0: no latency timer
};

// The time one byte takes on the line; 0 at baud 0.
int64_t ByteNs(unsigned baud);

// When the last byte of a command of `bytes` bytes (its CR included) has arrived, the first
// having gone out at `firstByteNs`.
int64_t CommandEndNs(int64_t firstByteNs, size_t bytes, const WireTiming& timing);

// A part of a reply that reaches the host at one moment.
struct Release {
    int64_t AtNs;
    size_t Bytes;
};

// When the bytes of a reply reach the host: the reply starts a turnaround after the
// command ended, but not before the line is free of the previous reply; each byte is in
// after its byte time, and then waits for the next grid point. `lineFreeNs` is where the
// line becomes free and is moved to the end of this reply.
std::vector<Release> ScheduleReply(int64_t commandEndNs, size_t bytes, const WireTiming& timing,
                                   int64_t& lineFreeNs);

// The traffic served, for the modelled wire time.
struct WireTally {
    uint64_t BytesIn = 0;
    uint64_t BytesOut = 0;
    uint64_t Turnarounds = 0;  // one per reply sent
};

// All bytes in and out at 11 bits each at the baud rate, plus one turnaround per reply,
// rounded to the nearest nanosecond.
int64_t ModelledWireNs(const WireTally& tally, unsigned baud, int64_t turnaroundNs);

// "modelled wire time 1234.567 ms (...)", the figures behind it in the brackets.
std::string WireTimeReport(const WireTally& tally, unsigned baud, int64_t turnaroundNs);

}  // namespace ctlsim
