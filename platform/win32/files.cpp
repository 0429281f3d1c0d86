// Files on Windows: the standard handles, disk files and the directory search.
#include <windows.h>

#include "platform/os.h"

namespace platform {

namespace {
HANDLE H(Handle h) { return reinterpret_cast<HANDLE>(h); }
Handle FromWindows(HANDLE h) { return h == INVALID_HANDLE_VALUE || h == nullptr ? InvalidHandle : reinterpret_cast<Handle>(h); }
}  // namespace

Handle StandardHandle(StdStream stream) {
    DWORD which = stream == StdStream::Input ? STD_INPUT_HANDLE
                  : stream == StdStream::Output ? STD_OUTPUT_HANDLE
                                                : STD_ERROR_HANDLE;
    return FromWindows(::GetStdHandle(which));
}

Handle CreateDiskFile(const char* name, bool replace) {
    return FromWindows(::CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, replace ? CREATE_ALWAYS : CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteFileBytes(Handle file, const void* bytes, uint32_t count, uint32_t& written) {
    DWORD n = 0;
    if (::WriteFile(H(file), bytes, count, &n, nullptr)) {
        written = n;
        return true;
    }
    // A full disk is a short write, as the contract has it.
    DWORD code = ::GetLastError();
    if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL) {
        written = n;
        return true;
    }
    return false;
}

bool ReadFileBytes(Handle file, void* buffer, uint32_t count, uint32_t& read) {
    DWORD n = 0;
    if (::ReadFile(H(file), buffer, count, &n, nullptr)) {
        read = n;
        return true;
    }
    // The writer of a pipe has gone: that is the end of the input, not a failure.
    if (::GetLastError() == ERROR_BROKEN_PIPE) {
        read = 0;
        return true;
    }
    return false;
}

bool FindFirstEntry(const char* pattern, std::string& name) {
    WIN32_FIND_DATAA data;
    HANDLE search = ::FindFirstFileA(pattern, &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    ::FindClose(search);
    name = data.cFileName;
    return true;
}

bool CloseHandle(Handle handle) { return ::CloseHandle(H(handle)) != FALSE; }

}  // namespace platform
