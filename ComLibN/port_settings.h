// The line settings and read time-outs that OpenPort gives a port, built apart from the
// opening so that every backend's translation can be checked against them.
#pragma once

#include <cstdint>

#include "platform/os.h"

namespace ComLibN {

// Writes every field of the settings record: the line settings asked for, no flow
// control, DTR and RTS on, received parity not tested.
void FillSettings(platform::SerialSettings& settings, uint16_t baud, char parity, uint8_t dataBits,
                  uint16_t stopBits);

// The read total time-out constant for a baud rate: 50 / baud * 10000 ms, rounded to the
// nearest whole number with ties to even (52 at 9600).
uint32_t ReadTotalTimeoutFor(uint16_t baud);

// The read fields set as OpenPort sets them; the write fields stay.
void SetReadTimeouts(platform::SerialTimeouts& timeouts, uint16_t baud);

}  // namespace ComLibN
