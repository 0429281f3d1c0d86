// The harness of a real backend: the steady clock, generous slack for a loaded machine.
#pragma once

#include <chrono>

#include "tests/contract/harness.h"

namespace contract {
inline uint64_t RealNowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace contract
