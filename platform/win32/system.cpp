// System requests on Windows.
#include <windows.h>

#include "platform/os.h"

namespace platform {

uint32_t LastError() { return ::GetLastError(); }

void Sleep(uint32_t ms) { ::Sleep(ms); }

void ExitProcess(uint32_t code) { ::ExitProcess(code); }

}  // namespace platform
