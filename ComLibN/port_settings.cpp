#include "ComLibN/port_settings.h"

#include <cmath>

namespace ComLibN {

void FillSettings(platform::SerialSettings& s, uint16_t baud, char parity, uint8_t dataBits, uint16_t stopBits) {
    s = {};
    s.DCBlength = platform::SerialSettingsSize;
    s.BaudRate = baud;
    s.fBinary = 1;
    s.fParity = 0;  // a parity bit is sent, but received parity is not tested
    s.fDtrControl = platform::DtrControlEnable;
    s.fRtsControl = platform::RtsControlEnable;
    s.XonLim = 2048;
    s.XoffLim = 512;
    s.ByteSize = dataBits;
    switch (parity) {
        case 'E': case 'e': s.Parity = platform::EvenParity; break;
        case 'O': case 'o': s.Parity = platform::OddParity; break;
        default: s.Parity = platform::NoParity; break;
    }
    s.StopBits = stopBits == 2 ? platform::TwoStopBits : platform::OneStopBit;
}

uint32_t ReadTotalTimeoutFor(uint16_t baud) {
    // Baud 0 never gets this far (no system takes it), but must not divide by zero.
    if (baud == 0) return 500000;
    // Rounded by hand rather than in the floating-point unit's current mode, so that the
    // ties (1600 baud: 312.5) go to the even number whatever that mode is.
    double exact = 50.0 / baud * 10000.0;
    double whole = std::floor(exact);
    double fraction = exact - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    return static_cast<uint32_t>(whole);
}

void SetReadTimeouts(platform::SerialTimeouts& timeouts, uint16_t baud) {
    timeouts.ReadIntervalTimeout = 0;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = ReadTotalTimeoutFor(baud);
}

}  // namespace ComLibN
