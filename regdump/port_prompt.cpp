#include "regdump/port_prompt.h"

#include "rtl/textfile.h"

namespace regdump {

uint16_t AskPortNumber() {
    rtl::Write(rtl::Output, "Enter Comport ");
    rtl::CheckIo();
    int32_t typed = rtl::ReadInteger(rtl::Input);
    rtl::CheckIo();
    rtl::SkipLine(rtl::Input);
    rtl::CheckIo();
    return static_cast<uint16_t>(typed);
}

}  // namespace regdump
