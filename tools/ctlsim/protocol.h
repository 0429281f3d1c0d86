// The controller's side of the command/response protocol: which command a line holds and
// what the controller answers to it, from a register image and under the faults. Pure:
// no I/O, so every reply can be checked on its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/ctlsim/faults.h"
#include "tools/ctlsim/register_image.h"

namespace ctlsim {

enum class CommandKind { Greeting, DataWord, Timer, Unknown };

struct Command {
    CommandKind Kind = CommandKind::Unknown;
    uint16_t Number = 0;  // the data word or the timer
};

// "CR", "RD DM<n>" or "RD T<n>", with n in decimal up to 65535; anything else is Unknown.
Command ParseCommand(std::string_view line);

// The reply to an unknown command.
constexpr std::string_view UnknownReply = "ERR";

// The eight characters ahead of a timer's value text: "T", the number in three digits or
// more, and blanks.
std::string TimerHeader(uint16_t timer);

// The reply text, without a line end, to a command as a well-behaved controller gives it.
std::string ReplyText(const Command& command, const RegisterImage& image);

// Commands seen since the line was opened; the hang-up fault counts them.
struct ProtocolState {
    unsigned Commands = 0;
};

struct Response {
    std::string Bytes;     // what goes on the line; empty: no answer
    bool Known = true;     // false for an unknown command
    bool HangUp = false;   // the line is to be closed once the bytes are out
    bool Flood = false;    // the bytes are the start of a flood that never ends
};

// Answers one command line (the bytes before its CR).
Response Respond(std::string_view line, const RegisterImage& image, const Faults& faults,
                 ProtocolState& state);

}  // namespace ctlsim
