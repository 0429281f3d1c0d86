#include "regdump/layout.h"

namespace regdump {

std::string FormatAddress(uint16_t number) {
    std::string text = std::to_string(number);
    if (number < 100) text.insert(0, 1, '0');
    if (number < 10) text.insert(0, 1, '0');
    return text;
}

std::string RowStart(uint16_t first) { return "  DM[" + FormatAddress(first) + "]        "; }

std::string FormatCell(uint16_t value) {
    std::string text = std::to_string(value);
    text.insert(0, static_cast<size_t>(CellWidth) - text.size(), ' ');
    return text;
}

}  // namespace regdump
