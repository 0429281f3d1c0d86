// The unit's start-up step.
#include "ComLibN/ComLibN.h"

namespace ComLibN {

void Start() {
    FlushKeys();
    EscFlag = false;
}

}  // namespace ComLibN
