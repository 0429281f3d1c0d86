// The real DCB and COMMTIMEOUTS that the Windows backend hands to kernel32, built from
// the records OpenPort fills.
#include <gtest/gtest.h>

#include <cstring>

#include "ComLibN/port_settings.h"
#include "platform/win32/dcb.h"

namespace {

namespace pf = platform;

// The DCB's flag word: the 32 bits after DCBlength and BaudRate.
uint32_t FlagWord(const DCB& dcb) {
    uint32_t word = 0;
    std::memcpy(&word, reinterpret_cast<const unsigned char*>(&dcb) + 2 * sizeof(DWORD), sizeof word);
    return word;
}

TEST(DcbTest, TheControllerSettingsGiveTheFlagWord0x1011AndTheTablesFields) {
    pf::SerialSettings s{};
    ComLibN::FillSettings(s, 9600, 'E', 8, 1);
    DCB dcb = pf::win32::ToDcb(s);
    EXPECT_EQ(sizeof(DCB), pf::SerialSettingsSize);
    EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(FlagWord(dcb), 0x1011u);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fParity, 0u);
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
    EXPECT_EQ(dcb.wReserved, 0);
    EXPECT_EQ(dcb.XonLim, 2048);
    EXPECT_EQ(dcb.XoffLim, 512);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, EVENPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    for (char c : {dcb.XonChar, dcb.XoffChar, dcb.ErrorChar, dcb.EofChar, dcb.EvtChar}) EXPECT_EQ(c, 0);
    EXPECT_EQ(dcb.wReserved1, 0);

    ComLibN::FillSettings(s, 4800, 'o', 7, 2);
    dcb = pf::win32::ToDcb(s);
    EXPECT_EQ(dcb.Parity, ODDPARITY);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    EXPECT_EQ(dcb.ByteSize, 7);
}

TEST(DcbTest, EveryFlagLandsOnItsOwnBitAndComesBack) {
    pf::SerialSettings s{};
    s.fBinary = s.fParity = s.fOutxCtsFlow = s.fOutxDsrFlow = s.fDsrSensitivity = s.fTXContinueOnXoff = s.fOutX =
        s.fInX = s.fErrorChar = s.fNull = s.fAbortOnError = 1;
    s.fDtrControl = 2;
    s.fRtsControl = 3;
    s.XonChar = 17;
    s.XoffChar = 19;
    DCB dcb = pf::win32::ToDcb(s);
    EXPECT_EQ(FlagWord(dcb), pf::SerialFlagWord(s));
    pf::SerialSettings back = pf::win32::FromDcb(dcb);
    EXPECT_EQ(pf::SerialFlagWord(back), pf::SerialFlagWord(s));
    EXPECT_EQ(back.XonChar, 17);
    EXPECT_EQ(back.XoffChar, 19);
}

TEST(DcbTest, TheTimeoutsCarryOverFieldForField) {
    pf::SerialTimeouts t{1, 2, 3, 4, 5};
    ComLibN::SetReadTimeouts(t, 9600);
    COMMTIMEOUTS c = pf::win32::ToCommTimeouts(t);
    EXPECT_EQ(c.ReadIntervalTimeout, 0u);
    EXPECT_EQ(c.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(c.ReadTotalTimeoutConstant, 52u);
    EXPECT_EQ(c.WriteTotalTimeoutMultiplier, 4u);
    EXPECT_EQ(c.WriteTotalTimeoutConstant, 5u);
    pf::SerialTimeouts back = pf::win32::FromCommTimeouts(c);
    EXPECT_EQ(back.ReadTotalTimeoutConstant, 52u);
    EXPECT_EQ(back.WriteTotalTimeoutConstant, 5u);
}

}  // namespace
