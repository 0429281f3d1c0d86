// regdump: reads a controller's data words and timers over a serial line into a report.
#include "regdump/units.h"

int main() { return rtl::RunProgram(regdump::Units, regdump::UnitCount, regdump::Run); }
