// Fuzzes the controller exchanges over an arbitrary controller: answers of any bytes
// after any delay, unsolicited bytes at any time, keys at any time, and any command
// text. Every reply and value text stays within 255 bytes, a command goes out at most
// 255 bytes long with its carriage return when there is room and without a "-", nothing
// is sent while input is waiting or after Esc, and Esc leaves every reply empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ctllink/ctllink.h"
#include "fuzz/serial_input.h"

namespace {

// The checks on one reply of Transact; `sent` is what went out for it.
void CheckReply(const std::string& reply, const std::string& sent, bool escBefore) {
    FUZZ_CHECK(reply.size() <= 255);
    if (escBefore) FUZZ_CHECK(reply.empty() && sent.empty());
    // Waiting input is reported, and the command not sent, even when an Esc came while it
    // was read; any other reply is empty once Esc has been seen. (The controller may send
    // that very text as an answer too: then the command went out.)
    if (reply == "String in buffer " && sent.empty()) return;
    if (ComLibN::EscFlag) FUZZ_CHECK(reply.empty());
    // A reply is a line less its CR LF: its terminator is gone, unless the line was that
    // one byte, or was cut at 255 bytes before it.
    if (reply.size() > 1)
        for (char c : reply) FUZZ_CHECK(c != '\n' && c != '\x03');
}

void CheckSent(const std::string& sent, const std::string& command) {
    FUZZ_CHECK(sent.size() <= 255);
    if (sent.empty()) return;
    if (sent.size() < 255) FUZZ_CHECK(sent.back() == '\r');
    FUZZ_CHECK(sent.find('-') == std::string::npos);
    // Up to a "-" the command goes out as it is.
    std::string head = command.substr(0, std::min(command.find('-'), sent.size()));
    FUZZ_CHECK(sent.compare(0, head.size(), head) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    fuzz::ResetSystem();
    fakeos::serial::Port& com = fuzz::OpenCom1();

    // The controller answers each command with the next answer of a list.
    std::vector<std::string> answers;
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n) answers.push_back(fuzz::LineBytes(in, 300));
    com.Reply = fakeos::serial::Sequence(answers);
    com.ReplyDelayMs = in.ConsumeIntegralInRange<uint64_t>(0, 60);
    com.ByteIntervalMs = in.ConsumeIntegralInRange<uint64_t>(0, 2);

    try {
        for (int op = 0; op < 4 && in.remaining_bytes() > 0; ++op) {
            fuzz::ScheduleBytes(in, com, 2, 200);
            fuzz::ScheduleKeys(in, 1, 400);
            fuzz::InjectFaults(in, com);
            const bool escBefore = ComLibN::EscFlag;
            const size_t written0 = com.Written.size();
            std::string text = "untouched";
            switch (in.ConsumeIntegralInRange(0, 4)) {
                case 0: {
                    std::string command;
                    switch (in.ConsumeIntegralInRange(0, 2)) {
                        case 0: command = in.ConsumeRandomLengthString(300); break;
                        case 1: command = "RD DM" + in.ConsumeRandomLengthString(300); break;
                        default:  // a negative number at any place, up to the end of a text
                            command = "RD DM" + std::string(in.ConsumeIntegralInRange<size_t>(0, 260), ' ') + "-" +
                                      in.ConsumeRandomLengthString(12);
                            break;
                    }
                    ctllink::Transact(1, command, text);
                    CheckReply(text, com.Written.substr(written0), escBefore);
                    CheckSent(com.Written.substr(written0), command.substr(0, 255));
                    break;
                }
                case 1: {
                    ctllink::ReadTimer(1, in.ConsumeIntegral<int32_t>(), text);
                    FUZZ_CHECK(text.size() <= 247);
                    if (escBefore) FUZZ_CHECK(text.empty());
                    CheckSent(com.Written.substr(written0), "RD T");
                    break;
                }
                case 2:
                    ctllink::ReadDataText(1, in.ConsumeIntegral<uint16_t>(), text);
                    CheckReply(text, com.Written.substr(written0), escBefore);
                    CheckSent(com.Written.substr(written0), "RD DM");
                    break;
                case 3: {
                    int32_t value = ctllink::ReadDataNumber(1, in.ConsumeIntegral<uint16_t>());
                    if (escBefore) FUZZ_CHECK(value == 0);
                    CheckSent(com.Written.substr(written0), "RD DM");
                    break;
                }
                default: {
                    ctllink::ProbeController(1, text);
                    FUZZ_CHECK(text.size() <= 255);
                    if (escBefore) FUZZ_CHECK(text.empty());
                    // At most three greetings, each "CR" and a carriage return.
                    std::string sent = com.Written.substr(written0);
                    FUZZ_CHECK(sent.size() <= 9 && sent.size() % 3 == 0);
                    for (size_t i = 0; i < sent.size(); i += 3) FUZZ_CHECK(sent.compare(i, 3, "CR\r") == 0);
                    break;
                }
            }
        }
    } catch (const fakeos::WouldBlockForever&) {
        // The scripted input ran out in a blocking read: the end of the scene, no fault.
    }
    return 0;
}
