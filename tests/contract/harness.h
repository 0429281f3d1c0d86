// What the seam's contract tests need to know of the backend they run on.
#pragma once

#include <cstdint>

namespace contract {

// Milliseconds on the backend's clock: the virtual one of the in-memory system, the
// steady clock on a real one.
uint64_t NowMs();

// How much later than asked a real sleep may end; 0 for the virtual clock.
uint64_t SleepSlackMs();

// Puts the backend back to its start, where it has state (the in-memory one).
void ResetBackend();

}  // namespace contract
