// The received-bytes test and the single-byte read of a port.
#include "ComLibN/ComLibN.h"

namespace ComLibN {

bool BytesWaiting(uint16_t port) {
    platform::Handle handle;
    if (!OpenHandle(port, handle)) return false;
    uint32_t waiting = 0;
    // A port whose status can't be read (an adapter pulled out) has nothing to read.
    if (!platform::SerialStatus(handle, waiting)) return false;
    return waiting > 0;
}

int32_t ReadByte(uint16_t port, uint8_t& byte) {
    platform::Handle handle;
    if (!OpenHandle(port, handle)) return -1;
    if (AbortRequested()) return -1;
    if (!BytesWaiting(port)) return 0;
    uint8_t got = 0;
    uint32_t read = 0;
    if (!platform::ReadSerial(handle, &got, 1, read) || read != 1) return 0;
    byte = got;
    return 1;
}

}  // namespace ComLibN
