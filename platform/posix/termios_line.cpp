#include "platform/posix/termios_line.h"

namespace platform::posix {

namespace {

struct BaudRow {
    uint32_t Baud;
    speed_t Speed;
};

constexpr BaudRow BaudTable[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

bool SpeedOf(uint32_t baud, speed_t& speed) {
    for (const BaudRow& row : BaudTable) {
        if (row.Baud == baud) {
            speed = row.Speed;
            return true;
        }
    }
    return false;
}

uint32_t BaudOf(speed_t speed) {
    for (const BaudRow& row : BaudTable)
        if (row.Speed == speed) return row.Baud;
    return 0;
}

}  // namespace

void ReadLine(const termios& t, SerialSettings& s) {
    s.BaudRate = BaudOf(cfgetospeed(&t));
    s.fBinary = 1;
    s.fParity = (t.c_iflag & INPCK) != 0;
    s.fOutxCtsFlow = (t.c_cflag & CRTSCTS) != 0;
    s.fOutX = (t.c_iflag & IXON) != 0;
    s.fInX = (t.c_iflag & IXOFF) != 0;
    switch (t.c_cflag & CSIZE) {
        case CS5: s.ByteSize = 5; break;
        case CS6: s.ByteSize = 6; break;
        case CS7: s.ByteSize = 7; break;
        default: s.ByteSize = 8; break;
    }
    if ((t.c_cflag & PARENB) == 0)
        s.Parity = NoParity;
    else
        s.Parity = (t.c_cflag & PARODD) != 0 ? OddParity : EvenParity;
#ifdef CMSPAR
    if ((t.c_cflag & PARENB) != 0 && (t.c_cflag & CMSPAR) != 0) s.Parity = (t.c_cflag & PARODD) != 0 ? 3 : 4;
#endif
    s.StopBits = (t.c_cflag & CSTOPB) != 0 ? TwoStopBits : OneStopBit;
    s.XonChar = static_cast<char>(t.c_cc[VSTART]);
    s.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
}

bool WriteLine(termios& t, const SerialSettings& s) {
    speed_t speed;
    if (!SpeedOf(s.BaudRate, speed)) return false;
    tcflag_t size;
    switch (s.ByteSize) {
        case 5: size = CS5; break;
        case 6: size = CS6; break;
        case 7: size = CS7; break;
        case 8: size = CS8; break;
        default: return false;
    }
    tcflag_t parity;
    switch (s.Parity) {
        case NoParity: parity = 0; break;
        case OddParity: parity = PARENB | PARODD; break;
        case EvenParity: parity = PARENB; break;
#ifdef CMSPAR
        case 3: parity = PARENB | PARODD | CMSPAR; break;
        case 4: parity = PARENB | CMSPAR; break;
#endif
        default: return false;
    }
    if (s.StopBits != OneStopBit && s.StopBits != TwoStopBits) return false;

    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                                          IXANY | INPCK);
    if (s.fParity) t.c_iflag |= INPCK;
    if (s.fOutX) t.c_iflag |= IXON;
    if (s.fInX) t.c_iflag |= IXOFF;
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tcflag_t cleared = CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS;
#ifdef CMSPAR
    cleared |= CMSPAR;
#endif
    t.c_cflag &= ~cleared;
    t.c_cflag |= size | parity | CREAD | CLOCAL;
    if (s.StopBits == TwoStopBits) t.c_cflag |= CSTOPB;
    if (s.fOutxCtsFlow || s.fRtsControl == 2) t.c_cflag |= CRTSCTS;
    if (s.fOutX || s.fInX) {
        t.c_cc[VSTART] = static_cast<cc_t>(s.XonChar);
        t.c_cc[VSTOP] = static_cast<cc_t>(s.XoffChar);
    }
    // Reads never wait in the driver: ReadSerial polls with its own time-outs.
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return true;
}

}  // namespace platform::posix
