// What the fuzz targets share: the check that ends the run on a broken invariant, and the
// reset of every piece of process-wide state between two inputs.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "ComLibN/ComLibN.h"
#include "bcrt/console_state.h"
#include "bcrt/device_guard.h"
#include "rtl/textfile.h"
#include "tests/fakeos/console.h"
#include "tests/fakeos/fakeos.h"

// Aborts, so that libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (0)

namespace fuzz {

// A fresh in-memory system with the console unit's state wired to its console, no port
// open, no abort pending and the standard files closed.
inline void ResetSystem() {
    fakeos::Reset();
    bcrt::ResetDeviceGuard();
    bcrt::Console = {};
    bcrt::Console.InputHandle = fakeos::console::InputHandle;
    bcrt::Console.OutputHandle = fakeos::console::OutputHandle;
    for (platform::Handle& h : ComLibN::PortTable) h = 0;
    ComLibN::EscFlag = false;
    rtl::ResetStandardFiles();
}

}  // namespace fuzz
