// The pause of the dump run that Esc cuts short.
#include "ComLibN/ComLibN.h"
#include "bcrt/screen.h"

namespace ComLibN {

void WaitTenths(int32_t count) {
    // A wide counter: a count above 65535 must not wrap round into an endless wait.
    for (int32_t done = 0;; ++done) {
        if (AbortRequested() || done >= count) return;
        bcrt::PauseMs(100);
    }
}

}  // namespace ComLibN
