// Opening and configuring a serial port.
#include <string>

#include "ComLibN/ComLibN.h"
#include "ComLibN/port_settings.h"

namespace ComLibN {

namespace {

// "COM9" for ports up to 9; the longer names need the device namespace, "\\.\COM10".
std::string DeviceName(uint16_t port) {
    return (port <= 9 ? "COM" : "\\\\.\\COM") + std::to_string(port);
}

// The code of the request that just failed. Windows leaves the last error unchanged on
// many successful calls, so it is read only after a failure; a failure that left no
// code must still not read as success.
int32_t FailureCode() {
    uint32_t code = platform::LastError();
    return static_cast<int32_t>(code != 0 ? code : platform::Error::GenFailure);
}

}  // namespace

int32_t OpenPort(uint16_t port, uint16_t baud, char parity, uint8_t dataBits, uint16_t stopBits) {
    if (port < 1 || port > PortCount) return static_cast<int32_t>(platform::Error::FileNotFound);

    platform::Handle handle = platform::OpenSerial(DeviceName(port).c_str());
    // Stored whatever it is: a failed open leaves the invalid handle, which counts as closed.
    PortTable[port - 1] = handle;
    if (handle == platform::InvalidHandle) return FailureCode();

    platform::SerialSettings settings{};
    if (!platform::GetSerialSettings(handle, settings)) return FailureCode();
    FillSettings(settings, baud, parity, dataBits, stopBits);
    if (!platform::SetSerialSettings(handle, settings)) return FailureCode();

    // The outcome of these two is not reported. When the read fails the write time-outs
    // are 0 (none), and the read ones are still set, so that no read can wait for ever.
    platform::SerialTimeouts timeouts{};
    platform::GetSerialTimeouts(handle, timeouts);
    SetReadTimeouts(timeouts, baud);
    platform::SetSerialTimeouts(handle, timeouts);
    return 0;
}

}  // namespace ComLibN
