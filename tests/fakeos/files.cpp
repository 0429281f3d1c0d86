#include "tests/fakeos/files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include "platform/os.h"
#include "tests/fakeos/fakeos.h"

namespace fakeos::files {

std::string StdinText;
std::string StdoutText;
std::string StderrText;
int64_t DiskFreeBytes = -1;

namespace {
size_t StdinPos = 0;
std::map<intptr_t, std::FILE*> Open;
intptr_t NextHandle = 0x3000;
std::vector<std::string> Writes;
std::vector<intptr_t> ClosedHandles;
}  // namespace

std::string DiskWrite(size_t index) { return Writes.at(index); }
size_t DiskWriteCount() { return Writes.size(); }
size_t ClosedCount() { return ClosedHandles.size(); }
intptr_t Closed(size_t index) { return ClosedHandles.at(index); }

}  // namespace fakeos::files

namespace fakeos::detail {
void ResetFiles() {
    using namespace fakeos::files;
    for (auto& [h, f] : Open) std::fclose(f);
    Open.clear();
    StdinText.clear();
    StdoutText.clear();
    StderrText.clear();
    StdinPos = 0;
    DiskFreeBytes = -1;
    Writes.clear();
    ClosedHandles.clear();
}
}  // namespace fakeos::detail

namespace platform {

using fakeos::Request;
namespace ff = fakeos::files;

Handle StandardHandle(StdStream stream) {
    if (fakeos::detail::Enter(Request::StandardHandle)) return InvalidHandle;
    switch (stream) {
        case StdStream::Input: return ff::StdinHandle;
        case StdStream::Output: return ff::StdoutHandle;
        case StdStream::Error: return ff::StderrHandle;
    }
    return InvalidHandle;
}

Handle CreateDiskFile(const char* name, bool replace) {
    if (fakeos::detail::Enter(Request::CreateDiskFile)) return InvalidHandle;
    std::error_code ec;
    if (!replace && std::filesystem::exists(std::filesystem::symlink_status(name, ec))) {
        fakeos::detail::SetLastError(Error::FileExists);
        return InvalidHandle;
    }
    std::FILE* f = std::fopen(name, "wb");
    if (f == nullptr) {
        fakeos::detail::SetLastError(Error::AccessDenied);
        return InvalidHandle;
    }
    Handle h = ff::NextHandle++;
    ff::Open[h] = f;
    return h;
}

bool WriteFileBytes(Handle file, const void* bytes, uint32_t count, uint32_t& written) {
    if (fakeos::detail::Enter(Request::WriteFileBytes)) return false;
    const char* p = static_cast<const char*>(bytes);
    if (file == ff::StdoutHandle || file == ff::StderrHandle) {
        (file == ff::StdoutHandle ? ff::StdoutText : ff::StderrText).append(p, count);
        written = count;
        return true;
    }
    auto it = ff::Open.find(file);
    if (it == ff::Open.end()) {
        fakeos::detail::SetLastError(Error::InvalidHandle);
        return false;
    }
    uint32_t n = count;
    if (ff::DiskFreeBytes >= 0 && n > ff::DiskFreeBytes) n = static_cast<uint32_t>(ff::DiskFreeBytes);
    if (ff::DiskFreeBytes >= 0) ff::DiskFreeBytes -= n;
    ff::Writes.emplace_back(p, count);
    written = static_cast<uint32_t>(std::fwrite(p, 1, n, it->second));
    std::fflush(it->second);
    return true;
}

bool ReadFileBytes(Handle file, void* buffer, uint32_t count, uint32_t& read) {
    if (fakeos::detail::Enter(Request::ReadFileBytes)) return false;
    if (file != ff::StdinHandle) {
        fakeos::detail::SetLastError(Error::InvalidHandle);
        return false;
    }
    size_t n = std::min<size_t>(count, ff::StdinText.size() - ff::StdinPos);
    std::copy_n(ff::StdinText.data() + ff::StdinPos, n, static_cast<char*>(buffer));
    ff::StdinPos += n;
    read = static_cast<uint32_t>(n);
    return true;
}

bool FindFirstEntry(const char* pattern, std::string& name) {
    if (fakeos::detail::Enter(Request::FindFirstEntry)) return false;
    std::error_code ec;
    std::filesystem::path p(pattern);
    if (!std::filesystem::exists(std::filesystem::symlink_status(p, ec))) {
        fakeos::detail::SetLastError(Error::FileNotFound);
        return false;
    }
    name = p.filename().string();
    return true;
}

bool CloseHandle(Handle handle) {
    if (fakeos::detail::Enter(Request::CloseHandle)) return false;
    ff::ClosedHandles.push_back(handle);
    auto it = ff::Open.find(handle);
    if (it != ff::Open.end()) {
        std::fclose(it->second);
        ff::Open.erase(it);
    }
    return true;
}

}  // namespace platform
