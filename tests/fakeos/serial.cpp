// Serial ports of the in-memory system: none yet; every open finds no device.
#include "platform/os.h"
#include "tests/fakeos/fakeos.h"

namespace fakeos::detail {
void ResetSerial() {}
}  // namespace fakeos::detail

namespace platform {

Handle OpenSerial(const char*) {
    if (!fakeos::detail::Enter(fakeos::Request::OpenSerial)) fakeos::detail::SetLastError(Error::FileNotFound);
    return InvalidHandle;
}

namespace {
bool NoPort(fakeos::Request r) {
    if (!fakeos::detail::Enter(r)) fakeos::detail::SetLastError(Error::InvalidHandle);
    return false;
}
}  // namespace

bool GetSerialSettings(Handle, SerialSettings&) { return NoPort(fakeos::Request::GetSerialSettings); }
bool SetSerialSettings(Handle, const SerialSettings&) { return NoPort(fakeos::Request::SetSerialSettings); }
bool GetSerialTimeouts(Handle, SerialTimeouts&) { return NoPort(fakeos::Request::GetSerialTimeouts); }
bool SetSerialTimeouts(Handle, const SerialTimeouts&) { return NoPort(fakeos::Request::SetSerialTimeouts); }
bool SerialStatus(Handle, uint32_t&) { return NoPort(fakeos::Request::SerialStatus); }
bool ReadSerial(Handle, void*, uint32_t, uint32_t&) { return NoPort(fakeos::Request::ReadSerial); }
bool WriteSerial(Handle, const void*, uint32_t, uint32_t&) { return NoPort(fakeos::Request::WriteSerial); }

}  // namespace platform
