// Files on POSIX: the standard descriptors, disk files and the directory search.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/os.h"
#include "platform/posix/console_handles.h"
#include "platform/posix/errors.h"

namespace platform {

Handle StandardHandle(StdStream stream) {
    int fd = stream == StdStream::Input ? 0 : stream == StdStream::Output ? 1 : 2;
    return fcntl(fd, F_GETFD) == -1 ? InvalidHandle : fd;
}

Handle CreateDiskFile(const char* name, bool replace) {
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL);
    int fd = open(name, flags, 0666);
    if (fd < 0) {
        posix::Fail();
        return InvalidHandle;
    }
    return fd;
}

bool WriteFileBytes(Handle file, const void* bytes, uint32_t count, uint32_t& written) {
    const char* p = static_cast<const char*>(bytes);
    uint32_t done = 0;
    while (done < count) {
        ssize_t n = write(static_cast<int>(file), p + done, count - done);
        if (n > 0) {
            done += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == ENOSPC) break;  // a full disk is a short write
        if (n < 0) return posix::Fail();
        break;
    }
    written = done;
    return true;
}

bool ReadFileBytes(Handle file, void* buffer, uint32_t count, uint32_t& read) {
    for (;;) {
        ssize_t n = ::read(static_cast<int>(file), buffer, count);
        if (n >= 0) {
            read = static_cast<uint32_t>(n);
            return true;
        }
        if (errno != EINTR) return posix::Fail();
    }
}

bool FindFirstEntry(const char* pattern, std::string& name) {
    std::string path(pattern);
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return posix::Fail();
    bool found = false;
    while (dirent* e = readdir(d)) {
        std::string entry = e->d_name;
        if (entry == "." || entry == "..") continue;
        // Every kind of entry counts, dot files (the hidden ones here) included.
        if (fnmatch(leaf.c_str(), entry.c_str(), 0) == 0) {
            name = entry.substr(0, 255);
            found = true;
            break;
        }
    }
    closedir(d);
    if (!found) posix::SetLastError(Error::FileNotFound);
    return found;
}

bool CloseHandle(Handle handle) {
    posix::ForgetConsoleHandle(handle);
    return close(static_cast<int>(handle)) == 0 || posix::Fail();
}

}  // namespace platform
