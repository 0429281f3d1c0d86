// System requests on POSIX.
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/os.h"
#include "platform/posix/errors.h"
#include "platform/posix/terminal_modes.h"

namespace platform::posix {

namespace {
thread_local uint32_t LastErrorCode = 0;
}  // namespace

uint32_t WindowsCode(int err) {
    switch (err) {
        case ENOENT: return Error::FileNotFound;
        case ENOTDIR: return Error::PathNotFound;
        case EMFILE: case ENFILE: return Error::TooManyOpenFiles;
        case EACCES: case EPERM: case EBUSY: case EROFS: case EWOULDBLOCK: return Error::AccessDenied;
        case EBADF: return Error::InvalidHandle;
        case EEXIST: return Error::FileExists;
        case EINVAL: return Error::InvalidParameter;
        case ENOSPC: return Error::DiskFull;
        default: return Error::GenFailure;
    }
}

void SetLastError(uint32_t code) { LastErrorCode = code; }

bool Fail() {
    LastErrorCode = WindowsCode(errno);
    return false;
}

}  // namespace platform::posix

namespace platform {

uint32_t LastError() { return posix::LastErrorCode; }

void Sleep(uint32_t ms) {
    // The kernel may let a sleep run over by the thread's timer slack, 50 us by default;
    // every wait for the line is a count of 1 ms sleeps, so that slack would lengthen
    // each of them. A slack of 1 ns keeps a sleep as long as it was asked for.
    static const bool tightTimers = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    (void)tightTimers;
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void ExitProcess(uint32_t code) {
    // _exit runs no exit handlers: the terminal is put back here.
    posix::modes::RestoreTerminal();
    _exit(static_cast<int>(code));
}

}  // namespace platform
