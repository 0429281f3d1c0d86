#include "bcrt/unit.h"

#include "bcrt/console_devices.h"
#include "bcrt/device_guard.h"
#include "rtl/textfile.h"

namespace bcrt {

void Start() {
    ResetDeviceGuard();
    AssignConsole(rtl::Input);
    rtl::OpenRead(rtl::Input);
    rtl::CheckIo();
    AssignConsole(rtl::Output);
    rtl::OpenWrite(rtl::Output);
    rtl::CheckIo();
}

void Stop() {}

}  // namespace bcrt
