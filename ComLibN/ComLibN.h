// The serial-line library: the table of open serial ports, opening and configuring a
// port, reading bytes and terminated lines under limits counted in polls, and the
// operator abort by Esc, which every serial operation polls for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/os.h"

namespace ComLibN {

// One handle per port number 1 to 128 (entry n - 1 for port n). Zero: never opened; a
// negative entry (a failed open) counts as closed. No operation closes a port.
inline constexpr int PortCount = 128;
extern platform::Handle PortTable[PortCount];

// The handle of a port that counts as open; false for a port outside 1 to 128 and for an
// entry that is zero (never opened) or negative (the open failed).
bool OpenHandle(uint16_t port, platform::Handle& handle);

// The operator-abort state: set by a key poll that reads Esc, cleared only by FlushKeys
// (at start-up and when the controller port is opened).
extern bool EscFlag;

// True once Esc has been seen; otherwise polls the keyboard once.
bool AbortRequested();

// The key for auxStrIn's loop: 27 on Esc, an extended key's second code plus 128 (taken
// as one byte), the code of another key, or 0 when none was waiting. Takes up to two keys.
// An extended key whose second code is 155 thus also gives 27; EscFlag tells them apart.
uint8_t NextKey();

// Waits count times 100 ms, returning early once Esc has been pressed.
void WaitTenths(int32_t count);

// Drops every waiting key and clears EscFlag.
void FlushKeys();

// Opens and configures a port. Returns 0, or the system's error code of the step that
// failed (2 for a port number outside 1 to 128, which touches nothing).
int32_t OpenPort(uint16_t port, uint16_t baud, char parity, uint8_t dataBits, uint16_t stopBits);

// True when the port's input queue holds at least one byte.
bool BytesWaiting(uint16_t port);

// Reads one byte if one is waiting: -1 (closed or aborted), 0 (nothing), or 1.
int32_t ReadByte(uint16_t port, uint8_t& byte);

// The text auxStrIn delivers in mode 1 for a line that ended without its terminator.
inline constexpr std::string_view LineErrorText = "auxStrIn Error";

// The line reader, in mode 0 (one read), 1 (up to a terminator) or any other (until the
// line goes quiet). Returns -1 or the count of bytes collected; `text` holds at most
// maxLength bytes. The text is left unchanged when the result comes before any read: -1
// for a closed port or an abort, 0 when no byte was waiting.
int32_t auxStrIn(uint16_t port, std::string& text, int32_t maxLength, int32_t mode, int32_t terminator1,
                 int32_t terminator2);

// The unit's start-up: drains the keyboard and clears EscFlag.
void Start();

}  // namespace ComLibN
