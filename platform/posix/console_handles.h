// Which open descriptors are console handles, so that closing one also ends its use as
// the console.
#pragma once

#include "platform/os.h"

namespace platform::posix {

// Forgets `handle` as a console handle; nothing for any other descriptor.
void ForgetConsoleHandle(Handle handle);

}  // namespace platform::posix
