#include "ComLibN/console_text.h"

#include "rtl/textfile.h"

namespace ComLibN {

std::string FormatTwoDigits(uint16_t number, char suffix) {
    std::string text = std::to_string(number);
    if (number < 10) text.insert(0, 1, '0');
    // Only the first two characters go, not all but the last two: 123 gives "3" and
    // 12345 gives "345". The report naming relies on exactly these texts.
    else if (text.size() > 2) text.erase(0, 2);
    if (suffix != '\0') text += suffix;
    return text;
}

void ScreenNewLine() {
    rtl::Write(rtl::Output, "\r\n");
    rtl::CheckIo();
}

}  // namespace ComLibN
