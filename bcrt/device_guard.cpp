#include "bcrt/device_guard.h"

namespace bcrt {

DeviceGuardState DeviceGuard;

DeviceAccess EnterDevice() {
    // Only the closing thread itself can find its own id here, so the test needs no lock.
    if (DeviceGuard.ClosingThread.load() == std::this_thread::get_id()) return {{}, true};
    DeviceAccess access{std::unique_lock<std::mutex>(DeviceGuard.Lock), false};
    access.Usable = DeviceGuard.ClosingThread.load() == std::thread::id{};
    return access;
}

void ResetDeviceGuard() {
    std::lock_guard<std::mutex> hold(DeviceGuard.Lock);
    DeviceGuard.ClosingThread.store(std::thread::id{});
}

}  // namespace bcrt
