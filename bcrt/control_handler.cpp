#include "bcrt/control_handler.h"

#include <mutex>

#include "bcrt/device_guard.h"
#include "rtl/program.h"

namespace bcrt {

namespace {
constexpr uint32_t FirstPassedOnEvent = 3;
}

bool ControlHandler(uint32_t event) {
    if (event >= FirstPassedOnEvent) return false;
    // The steps of device_guard.h: the main thread is held before anything closes.
    DeviceGuard.StopRequested.store(true);
    std::unique_lock<std::mutex> hold(DeviceGuard.Lock);
    // A second event while a shut-down runs waits above until the process ends; it gets
    // here only where the process exit returns.
    if (DeviceGuard.ClosingThread.load() != std::thread::id{}) return true;
    WaitForStoppedThread();
    DeviceGuard.ClosingThread.store(std::this_thread::get_id());
    rtl::Halt(rtl::CurrentExitCode());
}

}  // namespace bcrt
