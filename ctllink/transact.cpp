// One command/response exchange with the controller.
#include <cctype>
#include <cstdint>
#include <string>

#include "ComLibN/ComLibN.h"
#include "bcrt/screen.h"
#include "ctllink/ctllink.h"
#include "rtl/number.h"

namespace ctllink {

namespace {

constexpr size_t MaxText = 255;
constexpr int32_t EtxByte = 3;
constexpr int32_t LfByte = 10;
constexpr int32_t ReplyTries = 50;  // the reply loop gives up once the try count passes this

// The controller takes no signs: a "-" and the number after it become the number's
// 16-bit two's complement, written unsigned ("RD DM-1" goes out as "RD DM65535"). Any
// text after the number is lost.
std::string WithoutNegative(std::string command) {
    size_t minus = command.find('-');
    if (minus == std::string::npos) return command;
    size_t digitsEnd = minus + 1;
    while (digitsEnd < command.size() && std::isdigit(static_cast<unsigned char>(command[digitsEnd]))) ++digitsEnd;
    size_t stop = 0;
    int64_t value = rtl::ValueOf(std::string_view(command).substr(minus + 1, digitsEnd - minus - 1), stop);
    int64_t wrapped = ((65536 - value) % 65536 + 65536) % 65536;
    command.resize(minus);
    return command + std::to_string(wrapped);
}

}  // namespace

void Transact(uint16_t port, const std::string& command, std::string& reply) {
    reply.clear();
    if (ComLibN::AbortRequested()) return;

    // Input that is already waiting can't be the answer to this command: it is read and
    // dropped, and the command is not sent.
    std::string scratch;
    if (ComLibN::auxStrIn(port, scratch, MaxText, 1, EtxByte, LfByte) >= 1) {
        reply = "String in buffer ";
        return;
    }

    // The rewrite can lengthen the command (a "-1" becomes five digits): what goes out is
    // cut to 255 characters all the same, and then has no room for its carriage return.
    std::string line = WithoutNegative(command.substr(0, MaxText)).substr(0, MaxText);
    if (line.size() < MaxText) line += '\r';
    platform::Handle handle;
    if (ComLibN::OpenHandle(port, handle)) {
        uint32_t written = 0;
        platform::WriteSerial(handle, line.data(), static_cast<uint32_t>(line.size()), written);
    }

    int32_t tries = 0;
    bcrt::PauseMs(1);
    while (reply.empty() && tries <= ReplyTries) {
        if (ComLibN::auxStrIn(port, reply, MaxText, 1, EtxByte, LfByte) >= 1) {
            // A line that stalled before its terminator is no reply: no piece of the
            // reader's error text may pass for a value.
            if (reply == ComLibN::LineErrorText) {
                reply.clear();
                return;
            }
            // Less the CR LF; a line of one byte stays whole, an empty CR LF line is skipped.
            if (reply.size() >= 2) reply.resize(reply.size() - 2);
        } else {
            ++tries;
            bcrt::PauseMs(1);
        }
    }
    if (reply.empty() || ComLibN::AbortRequested()) reply.clear();
}

}  // namespace ctllink
