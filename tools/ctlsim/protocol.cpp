#include "tools/ctlsim/protocol.h"

#include <cstdio>

namespace ctlsim {

Command ParseCommand(std::string_view line) {
    Command command;
    if (line == "CR") {
        command.Kind = CommandKind::Greeting;
    } else if (line.substr(0, 5) == "RD DM" && ParseRegisterNumber(line.substr(5), command.Number)) {
        command.Kind = CommandKind::DataWord;
    } else if (line.substr(0, 4) == "RD T" && ParseRegisterNumber(line.substr(4), command.Number)) {
        command.Kind = CommandKind::Timer;
    }
    return command;
}

std::string TimerHeader(uint16_t timer) {
    char header[16];
    std::snprintf(header, sizeof header, "T%03u", static_cast<unsigned>(timer));
    std::string text = header;
    text.resize(8, ' ');
    return text;
}

std::string ReplyText(const Command& command, const RegisterImage& image) {
    switch (command.Kind) {
    case CommandKind::Greeting: return "CC";
    case CommandKind::DataWord: return DataWordText(image, command.Number);
    case CommandKind::Timer: return TimerHeader(command.Number) + TimerText(image, command.Number);
    case CommandKind::Unknown: break;
    }
    return std::string(UnknownReply);
}

Response Respond(std::string_view line, const RegisterImage& image, const Faults& faults,
                 ProtocolState& state) {
    Command command = ParseCommand(line);
    ++state.Commands;
    Response response;
    response.Known = command.Kind != CommandKind::Unknown;
    response.Bytes = WireReply(line, command.Kind == CommandKind::Greeting,
                               ReplyText(command, image), faults);
    response.HangUp = faults.HangUpAfter != 0 && state.Commands == faults.HangUpAfter;
    // A silent controller floods no more than it answers.
    response.Flood = faults.Flood && FaultsHit(faults, line) && !response.Bytes.empty();
    return response;
}

}  // namespace ctlsim
