// The program's units in start-up order and the program body that runs after them.
#pragma once

#include <cstddef>

#include "rtl/program.h"

namespace regdump {

extern const rtl::Unit Units[];
extern const size_t UnitCount;

// The program between start-up and shut-down.
void Run();

}  // namespace regdump
