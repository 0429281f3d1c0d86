#include "platform/win32/dcb.h"

namespace platform::win32 {

DCB ToDcb(const SerialSettings& s) {
    DCB d{};
    d.DCBlength = s.DCBlength;
    d.BaudRate = s.BaudRate;
    d.fBinary = s.fBinary & 1u;
    d.fParity = s.fParity & 1u;
    d.fOutxCtsFlow = s.fOutxCtsFlow & 1u;
    d.fOutxDsrFlow = s.fOutxDsrFlow & 1u;
    d.fDtrControl = s.fDtrControl & 3u;
    d.fDsrSensitivity = s.fDsrSensitivity & 1u;
    d.fTXContinueOnXoff = s.fTXContinueOnXoff & 1u;
    d.fOutX = s.fOutX & 1u;
    d.fInX = s.fInX & 1u;
    d.fErrorChar = s.fErrorChar & 1u;
    d.fNull = s.fNull & 1u;
    d.fRtsControl = s.fRtsControl & 3u;
    d.fAbortOnError = s.fAbortOnError & 1u;
    d.wReserved = s.wReserved;
    d.XonLim = s.XonLim;
    d.XoffLim = s.XoffLim;
    d.ByteSize = s.ByteSize;
    d.Parity = s.Parity;
    d.StopBits = s.StopBits;
    d.XonChar = s.XonChar;
    d.XoffChar = s.XoffChar;
    d.ErrorChar = s.ErrorChar;
    d.EofChar = s.EofChar;
    d.EvtChar = s.EvtChar;
    d.wReserved1 = s.wReserved1;
    return d;
}

SerialSettings FromDcb(const DCB& d) {
    SerialSettings s{};
    s.DCBlength = d.DCBlength;
    s.BaudRate = d.BaudRate;
    s.fBinary = static_cast<uint8_t>(d.fBinary);
    s.fParity = static_cast<uint8_t>(d.fParity);
    s.fOutxCtsFlow = static_cast<uint8_t>(d.fOutxCtsFlow);
    s.fOutxDsrFlow = static_cast<uint8_t>(d.fOutxDsrFlow);
    s.fDtrControl = static_cast<uint8_t>(d.fDtrControl);
    s.fDsrSensitivity = static_cast<uint8_t>(d.fDsrSensitivity);
    s.fTXContinueOnXoff = static_cast<uint8_t>(d.fTXContinueOnXoff);
    s.fOutX = static_cast<uint8_t>(d.fOutX);
    s.fInX = static_cast<uint8_t>(d.fInX);
    s.fErrorChar = static_cast<uint8_t>(d.fErrorChar);
    s.fNull = static_cast<uint8_t>(d.fNull);
    s.fRtsControl = static_cast<uint8_t>(d.fRtsControl);
    s.fAbortOnError = static_cast<uint8_t>(d.fAbortOnError);
    s.wReserved = d.wReserved;
    s.XonLim = d.XonLim;
    s.XoffLim = d.XoffLim;
    s.ByteSize = d.ByteSize;
    s.Parity = d.Parity;
    s.StopBits = d.StopBits;
    s.XonChar = d.XonChar;
    s.XoffChar = d.XoffChar;
    s.ErrorChar = d.ErrorChar;
    s.EofChar = d.EofChar;
    s.EvtChar = d.EvtChar;
    s.wReserved1 = d.wReserved1;
    return s;
}

COMMTIMEOUTS ToCommTimeouts(const SerialTimeouts& t) {
    COMMTIMEOUTS c{};
    c.ReadIntervalTimeout = t.ReadIntervalTimeout;
    c.ReadTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
    c.ReadTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
    c.WriteTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
    c.WriteTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
    return c;
}

SerialTimeouts FromCommTimeouts(const COMMTIMEOUTS& c) {
    return {c.ReadIntervalTimeout, c.ReadTotalTimeoutMultiplier, c.ReadTotalTimeoutConstant,
            c.WriteTotalTimeoutMultiplier, c.WriteTotalTimeoutConstant};
}

}  // namespace platform::win32
