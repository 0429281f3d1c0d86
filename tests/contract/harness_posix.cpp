#include "tests/contract/harness_real.h"

namespace contract {
uint64_t NowMs() { return RealNowMs(); }
uint64_t SleepSlackMs() { return 250; }
void ResetBackend() {}
}  // namespace contract
