// Serving a line: reads the host's commands (each ended by CR), answers each from the
// register image under the faults, and sends the replies on the modelled timing.
#pragma once

#include <cstdio>
#include <functional>

#include "tools/ctlsim/faults.h"
#include "tools/ctlsim/line_port.h"
#include "tools/ctlsim/register_image.h"
#include "tools/ctlsim/wire_timing.h"

namespace ctlsim {

struct ServeConfig {
    RegisterImage Image;
    Faults FaultSet;
    WireTiming Timing;
    // False on a real device, whose own line paces the bytes: replies then go out at
    // once, after the turnaround and the grid, and the baud rate only counts for the tally.
    bool PaceBytes = true;
    // Each command and reply is written here; none: no log. Unknown commands are reported
    // on standard error in any case.
    std::FILE* Log = nullptr;
};

enum class ServeEnd { Stopped, HungUp, LineLost };

struct ServeResult {
    ServeEnd End = ServeEnd::Stopped;
    WireTally Tally;
};

// Serves until `keepGoing` answers false (asked at least every 10 ms), the hang-up fault
// closes the line, or the line fails. The line is closed in the last two cases.
ServeResult Serve(Line& line, const ServeConfig& config, const std::function<bool()>& keepGoing);

// A line's bytes made readable for the log: CR, LF and ETX by name, other control and
// high bytes as <xx> in hexadecimal.
std::string Printable(std::string_view bytes);

}  // namespace ctlsim
