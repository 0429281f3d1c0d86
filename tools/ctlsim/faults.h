// The controller's misbehaviours that the simulator can put on the line, each switched on
// by itself, and how they turn a reply text into the bytes that are sent.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ctlsim {

struct Faults {
    bool Silent = false;          // no answer at all
    bool SilentGreeting = false;  // no answer to "CR"
    bool LowerGreeting = false;   // "cc" in place of "CC"
    bool EtxEnd = false;          // replies end with ETX (byte 3) in place of CR LF
    int BlankLines = 0;           // empty CR LF lines sent ahead of each reply
    bool NoTerminator = false;    // replies with no line end at all
    bool LongReply = false;       // reply texts stretched beyond 255 bytes
    size_t LongReplyBytes = 300;  // ...to this total length
    bool Unsolicited = false;     // a line of its own after each reply, ahead of the next command
    bool Garbage = false;         // garbage bytes ahead of each reply text
    bool Flood = false;           // in place of a reply, bytes without end and no line end
    unsigned HangUpAfter = 0;     // the line is closed after this many commands; 0: never
    // The reply faults hit only these commands (the text before the CR); none listed: all.
    std::vector<std::string> Only;
};

// The total length of a stretched reply text unless --long-reply=N says otherwise.
constexpr size_t LongReplyLength = 300;
// What the garbage fault puts ahead of a reply text.
extern const std::string GarbageBytes;
// What the unsolicited fault sends after a reply.
extern const std::string UnsolicitedLine;
// The flood fault sends this over and over, with no line end in it.
extern const std::string FloodBytes;

// Whether the reply faults apply to this command.
bool FaultsHit(const Faults& faults, std::string_view command);

// The bytes sent for a reply text under the faults; empty when nothing is sent. Under the
// flood fault these are the flood's first bytes; the serving repeats FloodBytes after them.
std::string WireReply(std::string_view command, bool greeting, const std::string& text,
                      const Faults& faults);

}  // namespace ctlsim
