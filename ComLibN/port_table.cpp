// The table of serial-port handles and the test of whether a port counts as open.
#include "ComLibN/ComLibN.h"

namespace ComLibN {

platform::Handle PortTable[PortCount] = {};

bool OpenHandle(uint16_t port, platform::Handle& handle) {
    if (port < 1 || port > PortCount) return false;
    platform::Handle entry = PortTable[port - 1];
    // Zero is "never opened", not a handle: on POSIX it would be standard input.
    if (entry <= 0) return false;
    handle = entry;
    return true;
}

}  // namespace ComLibN
