// Serial requests on POSIX: not yet served; every open finds no device.
#include "platform/os.h"
#include "platform/posix/errors.h"

namespace platform {

namespace {
bool NoPort() {
    posix::SetLastError(Error::InvalidHandle);
    return false;
}
}  // namespace

Handle OpenSerial(const char*) {
    posix::SetLastError(Error::FileNotFound);
    return InvalidHandle;
}
bool GetSerialSettings(Handle, SerialSettings&) { return NoPort(); }
bool SetSerialSettings(Handle, const SerialSettings&) { return NoPort(); }
bool GetSerialTimeouts(Handle, SerialTimeouts&) { return NoPort(); }
bool SetSerialTimeouts(Handle, const SerialTimeouts&) { return NoPort(); }
bool SerialStatus(Handle, uint32_t&) { return NoPort(); }
bool ReadSerial(Handle, void*, uint32_t, uint32_t&) { return NoPort(); }
bool WriteSerial(Handle, const void*, uint32_t, uint32_t&) { return NoPort(); }

}  // namespace platform
