// OpenPort: device names, the settings record and time-outs it writes, the table entry
// and the failure codes; BytesWaiting and ReadByte on open and closed ports.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "ComLibN/ComLibN.h"
#include "tests/unit/serial_fixture.h"

namespace {

using fakeos::Request;
using regdump_test::Since;
namespace pf = platform;
namespace fs = fakeos::serial;

class OpenPortTest : public regdump_test::SerialTest {};

TEST_F(OpenPortTest, NamesThePortsAboveNineInTheDeviceNamespace) {
    const struct {
        uint16_t Port;
        const char* Name;
    } cases[] = {{1, "COM1"}, {9, "COM9"}, {10, "\\\\.\\COM10"}, {128, "\\\\.\\COM128"}};
    for (const auto& c : cases) {
        fs::Port& port = fs::AddPort("COM" + std::to_string(c.Port));
        EXPECT_EQ(ComLibN::OpenPort(c.Port, 9600, 'E', 8, 1), 0) << c.Name;
        EXPECT_EQ(port.OpenedAs, c.Name);
        EXPECT_EQ(ComLibN::PortTable[c.Port - 1], port.Handle) << c.Name;
    }
}

TEST_F(OpenPortTest, WritesEveryFieldOfTheSettingsRecord) {
    fs::Port& port = OpenCom(3);
    const pf::SerialSettings& s = port.Settings;
    EXPECT_EQ(s.DCBlength, 28u);
    EXPECT_EQ(s.BaudRate, 9600u);
    EXPECT_EQ(pf::SerialFlagWord(s), 0x1011u);
    EXPECT_EQ(s.fBinary, 1);
    EXPECT_EQ(s.fDtrControl, pf::DtrControlEnable);
    EXPECT_EQ(s.fRtsControl, pf::RtsControlEnable);
    for (uint8_t flag : {s.fParity, s.fOutxCtsFlow, s.fOutxDsrFlow, s.fDsrSensitivity, s.fTXContinueOnXoff, s.fOutX,
                         s.fInX, s.fErrorChar, s.fNull, s.fAbortOnError})
        EXPECT_EQ(flag, 0);
    EXPECT_EQ(s.wReserved, 0);
    EXPECT_EQ(s.XonLim, 2048);
    EXPECT_EQ(s.XoffLim, 512);
    EXPECT_EQ(s.ByteSize, 8);
    EXPECT_EQ(s.Parity, pf::EvenParity);
    EXPECT_EQ(s.StopBits, pf::OneStopBit);
    for (char ch : {s.XonChar, s.XoffChar, s.ErrorChar, s.EofChar, s.EvtChar}) EXPECT_EQ(ch, 0);
    EXPECT_EQ(s.wReserved1, 0);
}

TEST_F(OpenPortTest, TakesTheParityLetterInEitherCaseAndKnowsOneAndTwoStopBits) {
    const struct {
        char Letter;
        uint16_t Stop;
        uint8_t Parity;
        uint8_t StopBits;
    } cases[] = {
        {'E', 1, pf::EvenParity, pf::OneStopBit}, {'e', 2, pf::EvenParity, pf::TwoStopBits},
        {'O', 1, pf::OddParity, pf::OneStopBit},  {'o', 3, pf::OddParity, pf::OneStopBit},
        {'N', 0, pf::NoParity, pf::OneStopBit},   {'M', 2, pf::NoParity, pf::TwoStopBits},
        {'S', 1, pf::NoParity, pf::OneStopBit},
    };
    for (const auto& c : cases) {
        fs::Port& port = fs::AddPort("COM5");
        EXPECT_EQ(ComLibN::OpenPort(5, 4800, c.Letter, 7, c.Stop), 0) << c.Letter << c.Stop;
        EXPECT_EQ(port.Settings.Parity, c.Parity) << "parity letter " << c.Letter;
        EXPECT_EQ(port.Settings.StopBits, c.StopBits) << "stop bits " << c.Stop;
        EXPECT_EQ(port.Settings.ByteSize, 7);
        EXPECT_EQ(port.Settings.BaudRate, 4800u);
    }
}

TEST_F(OpenPortTest, SetsTheReadTimeoutsFromTheBaudRateAndKeepsTheWriteTimeouts) {
    // 50 / baud * 10000 ms, to the nearest whole number; 1600 and 8000 baud are ties.
    const std::array<std::pair<uint16_t, uint32_t>, 7> cases{
        {{9600, 52}, {4800, 104}, {19200, 26}, {1200, 417}, {1600, 312}, {8000, 62}, {300, 1667}}};
    for (auto [baud, constant] : cases) {
        fs::Port& port = fs::AddPort("COM2");
        ASSERT_EQ(ComLibN::OpenPort(2, baud, 'E', 8, 1), 0) << baud;
        const pf::SerialTimeouts& t = port.Timeouts;
        EXPECT_EQ(t.ReadTotalTimeoutConstant, constant) << baud << " baud";
        EXPECT_EQ(t.ReadIntervalTimeout, 0u) << baud;
        EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u) << baud;
        EXPECT_EQ(t.WriteTotalTimeoutMultiplier, fs::InitialTimeouts().WriteTotalTimeoutMultiplier) << baud;
        EXPECT_EQ(t.WriteTotalTimeoutConstant, fs::InitialTimeouts().WriteTotalTimeoutConstant) << baud;
    }
}

TEST_F(OpenPortTest, ASecondOpenOfAnOpenPortFailsAndLeavesThePortClosed) {
    fs::Port& port = OpenCom(4);
    EXPECT_EQ(ComLibN::OpenPort(4, 9600, 'E', 8, 1), 5);
    EXPECT_EQ(ComLibN::PortTable[3], pf::InvalidHandle);
    EXPECT_TRUE(port.IsOpen) << "the first handle is not closed";

    fs::Send(port, "1\r\n");
    uint8_t byte = 0;
    std::string text = "kept";
    Since s;
    EXPECT_FALSE(ComLibN::BytesWaiting(4));
    EXPECT_EQ(ComLibN::ReadByte(4, byte), -1);
    EXPECT_EQ(ComLibN::auxStrIn(4, text, 255, 1, 3, 10), -1);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(s.StatusQueries(), 0u);
    EXPECT_EQ(s.Reads(), 0u);
}

TEST_F(OpenPortTest, RefusesPortNumbersOutsideTheTableWithoutTouchingAnything) {
    fs::AddPort("COM129");
    fs::AddPort("COM0");
    ComLibN::PortTable[0] = 77;
    ComLibN::PortTable[127] = 78;
    for (uint16_t n : {0, 129, 65535}) {
        Since s;
        EXPECT_EQ(ComLibN::OpenPort(n, 9600, 'E', 8, 1), 2) << n;
        EXPECT_EQ(fakeos::Calls(Request::OpenSerial), 0u) << n;
        EXPECT_EQ(s.KeyPolls(), 0u);
        EXPECT_TRUE(s.Sleeps().empty());
        uint8_t byte = 0;
        std::string text;
        EXPECT_FALSE(ComLibN::BytesWaiting(n)) << n;
        EXPECT_EQ(ComLibN::ReadByte(n, byte), -1) << n;
        EXPECT_EQ(ComLibN::auxStrIn(n, text, 255, 1, 3, 10), -1) << n;
        EXPECT_EQ(s.StatusQueries(), 0u) << n;
    }
    EXPECT_EQ(ComLibN::PortTable[0], 77);
    EXPECT_EQ(ComLibN::PortTable[127], 78);
    for (int i = 1; i < 127; ++i) EXPECT_EQ(ComLibN::PortTable[i], 0) << "entry " << i;
}

TEST_F(OpenPortTest, ReturnsTheCodeOfTheFirstStepThatFails) {
    const struct {
        const char* Name;
        Request Failing;
        uint32_t Code;
        int32_t Result;
        bool HandleStored;  // a valid handle in the table
        uint64_t SetSettingsCalls;
        uint64_t SetTimeoutsCalls;
    } cases[] = {
        {"open", Request::OpenSerial, 2, 2, false, 0, 0},
        {"reading the settings", Request::GetSerialSettings, 31, 31, true, 0, 0},
        {"writing the settings", Request::SetSerialSettings, 87, 87, true, 1, 0},
        {"reading the time-outs: ignored", Request::GetSerialTimeouts, 6, 0, true, 1, 1},
        {"writing the time-outs: ignored", Request::SetSerialTimeouts, 6, 0, true, 1, 1},
        {"a failure that left no code", Request::SetSerialSettings, 0, 31, true, 1, 0},
    };
    for (const auto& c : cases) {
        fakeos::Reset();
        SetUp();
        fs::Port& port = fs::AddPort("COM7");
        fakeos::Fail(c.Failing, c.Code, 1);
        EXPECT_EQ(ComLibN::OpenPort(7, 9600, 'E', 8, 1), c.Result) << c.Name;
        EXPECT_EQ(ComLibN::PortTable[6], c.HandleStored ? port.Handle : pf::InvalidHandle) << c.Name;
        EXPECT_EQ(fakeos::Calls(Request::SetSerialSettings), c.SetSettingsCalls) << c.Name;
        EXPECT_EQ(fakeos::Calls(Request::SetSerialTimeouts), c.SetTimeoutsCalls) << c.Name;
        if (c.Result != 0) {
            EXPECT_EQ(port.Settings.BaudRate, fs::InitialSettings().BaudRate) << c.Name;
        }
    }
}

TEST_F(OpenPortTest, AnOldErrorCodeDoesNotTurnASuccessfulOpenIntoAFailure) {
    fs::Port& port = fs::AddPort("COM1");
    fakeos::detail::SetLastError(5);  // left by some earlier request, as Windows leaves it
    EXPECT_EQ(ComLibN::OpenPort(1, 9600, 'E', 8, 1), 0);
    EXPECT_EQ(port.Settings.BaudRate, 9600u);
    EXPECT_EQ(port.Timeouts.ReadTotalTimeoutConstant, 52u);
}

TEST_F(OpenPortTest, WhenTheTimeoutsCannotBeReadTheReadOnesAreStillSet) {
    fs::Port& port = fs::AddPort("COM1");
    fakeos::Fail(Request::GetSerialTimeouts, 6, 1);
    EXPECT_EQ(ComLibN::OpenPort(1, 9600, 'E', 8, 1), 0);
    EXPECT_EQ(port.Timeouts.ReadTotalTimeoutConstant, 52u);
    EXPECT_EQ(port.Timeouts.ReadIntervalTimeout, 0u);
    EXPECT_EQ(port.Timeouts.WriteTotalTimeoutConstant, 0u);
}

TEST_F(OpenPortTest, APortNeverOpenedCountsAsClosed) {
    uint8_t byte = 0;
    std::string text = "kept";
    Since s;
    EXPECT_FALSE(ComLibN::BytesWaiting(1));
    EXPECT_EQ(ComLibN::ReadByte(1, byte), -1);
    EXPECT_EQ(ComLibN::auxStrIn(1, text, 255, 1, 3, 10), -1);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(s.StatusQueries(), 0u);
}

TEST_F(OpenPortTest, ReadByteTakesOneWaitingByteAndBytesWaitingSaysNothingWhenTheStatusFails) {
    fs::Port& port = OpenCom(2);
    uint8_t byte = 0;
    EXPECT_FALSE(ComLibN::BytesWaiting(2));
    EXPECT_EQ(ComLibN::ReadByte(2, byte), 0);

    fs::Send(port, "AB");
    EXPECT_TRUE(ComLibN::BytesWaiting(2));
    EXPECT_EQ(ComLibN::ReadByte(2, byte), 1);
    EXPECT_EQ(byte, 'A');

    fakeos::Fail(Request::SerialStatus, 31, 1);
    EXPECT_FALSE(ComLibN::BytesWaiting(2));
    fs::Unplug(port);
    EXPECT_FALSE(ComLibN::BytesWaiting(2));
    EXPECT_EQ(ComLibN::ReadByte(2, byte), 0);

    TapEsc();
    EXPECT_EQ(ComLibN::ReadByte(2, byte), -1);
}

}  // namespace
