#include "bcrt/device_guard.h"

#include <chrono>

namespace bcrt {

DeviceGuardState DeviceGuard;

namespace {

void CountStopped(int change) {
    {
        std::lock_guard<std::mutex> state(DeviceGuard.StateLock);
        DeviceGuard.Stopped += change;
    }
    DeviceGuard.StateChanged.notify_all();
}

// Only the closing thread itself can find its own id here, so the test needs no lock.
bool IsClosingThread() { return DeviceGuard.ClosingThread.load() == std::this_thread::get_id(); }

bool ShutDownHasRun() { return DeviceGuard.ClosingThread.load() != std::thread::id{}; }

// Takes the lock, counted as stopped while it waits for it. While a handler is on its way
// to the lock, it leaves the lock to the handler and waits again; in a live process it
// then waits until the process has ended.
std::unique_lock<std::mutex> WaitAtLock() {
    for (;;) {
        CountStopped(+1);
        std::unique_lock<std::mutex> lock(DeviceGuard.Lock);
        CountStopped(-1);
        if (!DeviceGuard.StopRequested.load() || ShutDownHasRun()) return lock;
        lock.unlock();
        std::this_thread::yield();
    }
}

}  // namespace

DeviceAccess EnterDevice() {
    if (IsClosingThread()) return {{}, true};
    DeviceAccess access{WaitAtLock(), false};
    access.Usable = !ShutDownHasRun();
    return access;
}

bool StopHereIfClosing() {
    if (!DeviceGuard.StopRequested.load() || IsClosingThread()) return true;
    std::unique_lock<std::mutex> lock = WaitAtLock();
    return !ShutDownHasRun();
}

void BeginKeyWait() { CountStopped(+1); }

void EndKeyWait() { CountStopped(-1); }

void WaitForStoppedThread() {
    std::unique_lock<std::mutex> state(DeviceGuard.StateLock);
    DeviceGuard.StateChanged.wait_for(state, std::chrono::milliseconds(DeviceGuard.StopWaitMs),
                                      [] { return DeviceGuard.Stopped > 0; });
}

void ResetDeviceGuard() {
    std::lock_guard<std::mutex> hold(DeviceGuard.Lock);
    DeviceGuard.ClosingThread.store(std::thread::id{});
    DeviceGuard.StopRequested.store(false);
    std::lock_guard<std::mutex> state(DeviceGuard.StateLock);
    // A key read that a test's in-memory console broke off with an exception never
    // counted itself out.
    DeviceGuard.Stopped = 0;
}

}  // namespace bcrt
