// Serial requests on Windows: not yet served; every open finds no device.
#include <windows.h>

#include "platform/os.h"

namespace platform {

Handle OpenSerial(const char*) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return InvalidHandle;
}
bool GetSerialSettings(Handle, SerialSettings&) { ::SetLastError(ERROR_INVALID_HANDLE); return false; }
bool SetSerialSettings(Handle, const SerialSettings&) { ::SetLastError(ERROR_INVALID_HANDLE); return false; }
bool GetSerialTimeouts(Handle, SerialTimeouts&) { ::SetLastError(ERROR_INVALID_HANDLE); return false; }
bool SetSerialTimeouts(Handle, const SerialTimeouts&) { ::SetLastError(ERROR_INVALID_HANDLE); return false; }
bool SerialStatus(Handle, uint32_t&) { ::SetLastError(ERROR_INVALID_HANDLE); return false; }
bool ReadSerial(Handle, void*, uint32_t, uint32_t&) { ::SetLastError(ERROR_INVALID_HANDLE); return false; }
bool WriteSerial(Handle, const void*, uint32_t, uint32_t&) { ::SetLastError(ERROR_INVALID_HANDLE); return false; }

}  // namespace platform
