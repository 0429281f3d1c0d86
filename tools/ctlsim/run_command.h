// Running a command beside the served line: the command gets the pseudo-terminal's path in
// REGDUMP_COM<n> and the simulator's own terminal, and the line is served until it ends.
#pragma once

#include "tools/ctlsim/serve_loop.h"

namespace ctlsim {

struct CommandRun {
    int ExitCode = 0;  // the command's, or 128 + the signal that ended it; 127: not started
    ServeResult Served;
};

// The name of the environment variable that gives the port's path, "REGDUMP_COM<n>".
std::string PortVariable(unsigned com);

// Sets REGDUMP_COM<com>, starts argv[0] with its arguments (found on PATH) and serves the
// line until the command has ended. Interrupt and quit keys, and a hang-up of the
// terminal, are the command's to handle; a termination request is passed on to it.
CommandRun RunCommand(Line& line, const ServeConfig& config, unsigned com, char* const argv[]);

}  // namespace ctlsim
