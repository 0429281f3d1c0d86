// The reads of one timer or one data word.
#include <string>

#include "ctllink/ctllink.h"
#include "rtl/number.h"

namespace ctllink {

void ReadTimer(uint16_t port, int32_t timer, std::string& text) {
    std::string reply;
    Transact(port, "RD T" + std::to_string(timer), reply);
    // The controller puts 8 characters before the timer's value.
    text = reply.size() > 8 ? reply.substr(8) : std::string();
}

void ReadDataText(uint16_t port, uint16_t word, std::string& text) { Transact(port, "RD DM" + std::to_string(word), text); }

int32_t ReadDataNumber(uint16_t port, uint16_t word) {
    std::string text;
    ReadDataText(port, word, text);
    size_t stop = 0;
    return rtl::ValueOf(text, stop);
}

}  // namespace ctllink
