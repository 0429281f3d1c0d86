#include "regdump/report_name.h"

#include "ComLibN/console_text.h"
#include "DosN/DosN.h"

namespace regdump {

// The search goes on after Esc as well: it touches no serial line, so the abort loses
// nothing by it, while stopping at a taken name would cost an earlier report. Counter
// values past 109 mostly repeat earlier texts (FormatTwoDigits drops the first two
// characters); they are looked up all the same, and the search ends with the last value
// instead of wrapping round for ever.
std::string NextReportName(uint16_t system, const std::string& extension, uint32_t& counter) {
    while (counter < ReportCounterLimit) {
        std::string base = std::to_string(system) + "_" +
                           ComLibN::FormatTwoDigits(static_cast<uint16_t>(counter), '\0');
        ++counter;
        if (DosN::FirstMatch(base + extension).empty()) return base;
    }
    return {};
}

std::string NextReportName(uint16_t system, const std::string& extension) {
    uint32_t counter = 0;
    return NextReportName(system, extension, counter);
}

}  // namespace regdump
