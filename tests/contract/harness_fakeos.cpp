#include "tests/contract/harness.h"
#include "tests/fakeos/fakeos.h"

namespace contract {
uint64_t NowMs() { return fakeos::Now(); }
uint64_t SleepSlackMs() { return 0; }
void ResetBackend() { fakeos::Reset(); }
}  // namespace contract
