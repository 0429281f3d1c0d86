#include "regdump/units.h"

#include "ComLibN/ComLibN.h"
#include "bcrt/unit.h"

namespace regdump {

// bcrt first: it puts the console devices in place before any other unit starts.
const rtl::Unit Units[] = {
    {"bcrt", bcrt::Start, bcrt::Stop},
    {"DosN", nullptr, nullptr},
    {"ComLibN", ComLibN::Start, nullptr},
    {"ctllink", nullptr, nullptr},
    {"regdump", nullptr, nullptr},
};
const size_t UnitCount = sizeof Units / sizeof Units[0];

}  // namespace regdump
