// Serial ports of the in-memory system. Each port has a device name and, at its other
// end, a controller model that the test scripts: it keeps every byte written to it and
// delivers bytes that become receivable at given times of the virtual clock.
//
// A test adds ports before the code under test opens them:
//
//     fakeos::serial::Port& com = fakeos::serial::AddPort("COM3");
//
// and gives the controller its behaviour in one or both of two ways:
//
//  - A responder, called with each command the host completes (the bytes written since
//    the last carriage return, without it). Its answer is scheduled ReplyDelayMs after the
//    write that completed the command, one byte every ByteIntervalMs (0: all at once).
//    An empty answer is silence. Sequence() and Table() build the common responders:
//
//        com.Reply = fakeos::serial::Table({{"CR", "CC\r\n"}, {"RD DM109", "42\r\n"}});
//        com.ReplyDelayMs = 5;
//
//  - A raw byte script: Send() puts bytes on the line at a virtual time of the test's
//    choosing, regardless of what the host writes (unsolicited input, a line without a
//    terminator, a late half of a reply, more than 255 bytes):
//
//        fakeos::serial::Send(com, "12", 10);        // receivable from t = 10 ms
//        fakeos::serial::Send(com, "345\r\n", 300);  // the rest 290 ms later
//        fakeos::serial::Send(com, "abc", 0, 4);     // 'a' at 0, 'b' at 4, 'c' at 8
//
// The requests behave as on Windows:
//  - OpenSerial finds a port by its device name; "\\.\COM3" finds the port "COM3" too
//    (OpenedAs keeps the name that was asked for). An unknown name fails with 2; a port
//    that is open already fails with 5 (no sharing); an unplugged one with 2. Every open
//    hands out a new handle, so the first opener's handle stays valid.
//  - The settings and time-outs are stored as set; a port starts with Initial* values that
//    differ from the controller's line settings in every field, so a test sees what was
//    written. SetSerialSettings refuses (87) a baud of 0, data bits outside 5..8, a parity
//    above 4 and stop bits above 2.
//  - SerialStatus gives the bytes receivable now. ReadSerial takes receivable bytes and,
//    when there are fewer than asked, lets the virtual clock run as the time-outs say: to
//    the arrival of the last byte asked for, or to the end of the time-out with what came
//    (by the whole total constant when nothing comes). A read that would wait for ever
//    throws fakeos::WouldBlockForever. It does not count as a Sleep.
//  - Once a port is unplugged, SerialStatus, ReadSerial and WriteSerial fail with 31.
//  - Any request can be made to fail with fakeos::Fail; each counts in fakeos::Calls.
//
// fakeos::Reset removes every port.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/os.h"

namespace fakeos::serial {

// The controller's answer to one command (without its carriage return); "" is silence.
using Responder = std::function<std::string(const std::string& command)>;

// One byte on its way to the host, receivable from virtual time At on.
struct Arrival {
    uint8_t Byte;
    uint64_t At;
};

// What a fresh port reports before anything was set.
platform::SerialSettings InitialSettings();
platform::SerialTimeouts InitialTimeouts();

struct Port {
    std::string Device;                  // the name it is found by, "COM3"
    bool Present = true;                 // false: unplugged
    bool IsOpen = false;
    platform::Handle Handle = platform::InvalidHandle;  // of the last successful open
    std::string OpenedAs;                // the name of the last successful open
    int Opens = 0;                       // successful opens
    platform::SerialSettings Settings = InitialSettings();
    platform::SerialTimeouts Timeouts = InitialTimeouts();

    std::string Written;                 // every byte the host wrote, in order
    std::vector<std::string> Commands;   // every command completed by a CR, without it
    std::string Partial;                 // bytes written since the last CR

    Responder Reply;                     // none: the controller never answers commands
    uint64_t ReplyDelayMs = 0;           // from the completing write to the first byte
    uint64_t ByteIntervalMs = 0;         // between the bytes of one answer

    std::vector<Arrival> Incoming;       // not yet read, in order of arrival
};

// Adds a port of that device name (replacing one of the same name) and returns it. The
// reference stays valid until Reset.
Port& AddPort(const std::string& device);

// The port of that device name, or of that handle; nullptr when there is none.
Port* Find(const std::string& device);
Port* FindByHandle(platform::Handle handle);

// Puts bytes on the line towards the host: the first receivable at virtual time `at`,
// each following one `intervalMs` later.
void Send(Port& port, const std::string& bytes, uint64_t at = 0, uint64_t intervalMs = 0);

// Bytes receivable now and bytes still to come.
size_t Receivable(const Port& port);
size_t Pending(const Port& port);

// Pulls the adapter out: the port stays open for its handle, but its requests fail.
void Unplug(Port& port);

// Lets the port be opened again, as if its handle had been closed.
void Release(Port& port);

// A responder that answers the n-th command with the n-th answer, then stays silent.
Responder Sequence(std::vector<std::string> answers);

// A responder that answers a command found in the table, and is silent to the others.
Responder Table(std::map<std::string, std::string> answers);

}  // namespace fakeos::serial
