// Serial requests on Windows: one kernel32 communications call each.
#include <windows.h>

#include "platform/os.h"
#include "platform/win32/dcb.h"

namespace platform {

namespace {
HANDLE H(Handle handle) { return reinterpret_cast<HANDLE>(handle); }
}  // namespace

Handle OpenSerial(const char* device) {
    // No sharing: a second open of the same device fails with ERROR_ACCESS_DENIED.
    HANDLE h = ::CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    return h == INVALID_HANDLE_VALUE ? InvalidHandle : reinterpret_cast<Handle>(h);
}

bool GetSerialSettings(Handle port, SerialSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(H(port), &dcb)) return false;
    settings = win32::FromDcb(dcb);
    return true;
}

bool SetSerialSettings(Handle port, const SerialSettings& settings) {
    DCB dcb = win32::ToDcb(settings);
    return ::SetCommState(H(port), &dcb) != FALSE;
}

bool GetSerialTimeouts(Handle port, SerialTimeouts& timeouts) {
    COMMTIMEOUTS c{};
    if (!::GetCommTimeouts(H(port), &c)) return false;
    timeouts = win32::FromCommTimeouts(c);
    return true;
}

bool SetSerialTimeouts(Handle port, const SerialTimeouts& timeouts) {
    COMMTIMEOUTS c = win32::ToCommTimeouts(timeouts);
    return ::SetCommTimeouts(H(port), &c) != FALSE;
}

bool SerialStatus(Handle port, uint32_t& bytesWaiting) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(H(port), &errors, &status)) return false;
    bytesWaiting = status.cbInQue;
    return true;
}

bool ReadSerial(Handle port, void* buffer, uint32_t count, uint32_t& read) {
    DWORD n = 0;
    if (!::ReadFile(H(port), buffer, count, &n, nullptr)) return false;
    read = n;
    return true;
}

bool WriteSerial(Handle port, const void* bytes, uint32_t count, uint32_t& written) {
    DWORD n = 0;
    if (!::WriteFile(H(port), bytes, count, &n, nullptr)) return false;
    written = n;
    return true;
}

}  // namespace platform
