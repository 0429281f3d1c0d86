// The translation between the seam's serial records and the kernel32 DCB and
// COMMTIMEOUTS, field for field.
#pragma once

#include <windows.h>

#include "platform/os.h"

namespace platform::win32 {

DCB ToDcb(const SerialSettings& settings);
SerialSettings FromDcb(const DCB& dcb);

COMMTIMEOUTS ToCommTimeouts(const SerialTimeouts& timeouts);
SerialTimeouts FromCommTimeouts(const COMMTIMEOUTS& timeouts);

}  // namespace platform::win32
