#include "tools/ctlsim/faults.h"

#include <algorithm>

namespace ctlsim {

// Bytes a line picks up from noise or a wrong baud rate: control and high bytes, none of
// which ends a line (no CR, LF or ETX) or starts a terminal escape sequence.
const std::string GarbageBytes = std::string("\xff\xfe\x00\x7f\x80\x15", 6);
const std::string UnsolicitedLine = "*\r\n";
// A babbling line: digits, letters and the garbage bytes, so that a reader cannot take the
// flood for one repeated byte.
const std::string FloodBytes = "0123456789 FLOOD " + GarbageBytes + "abcdefghijklmnopqrstuvwxyz ";

bool FaultsHit(const Faults& faults, std::string_view command) {
    return faults.Only.empty() ||
           std::find(faults.Only.begin(), faults.Only.end(), command) != faults.Only.end();
}

std::string WireReply(std::string_view command, bool greeting, const std::string& text,
                      const Faults& faults) {
    bool hit = FaultsHit(faults, command);
    if ((hit && faults.Silent) || (greeting && faults.SilentGreeting)) return {};
    if (hit && faults.Flood) return FloodBytes;

    std::string body = greeting && faults.LowerGreeting ? "cc" : text;
    if (hit && faults.Garbage) body = GarbageBytes + body;
    if (hit && faults.LongReply && body.size() < faults.LongReplyBytes)
        body.append(faults.LongReplyBytes - body.size(), '#');

    std::string bytes;
    if (hit)
        for (int i = 0; i < faults.BlankLines; ++i) bytes += "\r\n";
    bytes += body;
    if (!(hit && faults.NoTerminator)) bytes += hit && faults.EtxEnd ? "\x03" : "\r\n";
    if (hit && faults.Unsolicited) bytes += UnsolicitedLine;
    return bytes;
}

}  // namespace ctlsim
