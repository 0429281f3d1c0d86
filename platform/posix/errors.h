// The POSIX backend's error state: errno values in Windows numbering, kept per thread
// for LastError.
#pragma once

#include <cstdint>

namespace platform::posix {

// The Windows code for an errno value: a missing file 2, a missing directory 3, too many
// open files 4, no permission or busy 5, a bad descriptor 6, an invalid argument 87, a
// full disk 112; anything else 31 (a device that does not work).
uint32_t WindowsCode(int err);

// Leaves `code` for LastError.
void SetLastError(uint32_t code);

// Leaves the Windows code of errno for LastError and returns false, for `return Fail();`.
bool Fail();

}  // namespace platform::posix
