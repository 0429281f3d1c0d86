// The line the simulator serves: the master side of a pseudo-terminal, or a serial device.
// For a pseudo-terminal the simulator holds its own descriptor of the slave, so that the
// host's open and close never hang the line up, and watches the slave's path to notice
// when the host has closed it.
#pragma once

#include <string>

namespace ctlsim {

struct Line {
    int Fd = -1;          // read and written by the simulator, non-blocking
    int HeldSlave = -1;   // pseudo-terminal only: the slave, kept open
    int Watch = -1;       // pseudo-terminal only: inotify descriptor on the slave's path
    int HostOpens = 0;    // the host's descriptors of the slave that are open now
    bool IsPty = false;
    std::string Path;     // the slave's path, or the device
};

// Makes a pseudo-terminal in raw mode. On failure, `error` says why.
bool OpenPtyLine(Line& line, std::string& error);

// Opens a serial device raw, 8 data bits, even parity, 1 stop bit, no flow control.
bool OpenDeviceLine(Line& line, const std::string& device, unsigned baud, std::string& error);

// Whether the baud rate is one a serial device can be set to.
bool IsDeviceBaud(unsigned baud);

// Takes the open and close events of the slave's path; true when the host has just closed
// its last descriptor. The simulator then clears the exclusive-use flag that the host may
// have set (it would outlive the host, since the held slave keeps the terminal alive) and
// discards what the host left unread, so that the next host finds the line as new.
bool HostClosed(Line& line);

void CloseLine(Line& line);

}  // namespace ctlsim
