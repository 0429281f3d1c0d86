// The common ground of the serial tests: the in-memory system with the serial-line
// library's table and abort state reset, key taps, and counts taken between two points.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "ComLibN/ComLibN.h"
#include "bcrt/keyboard.h"
#include "tests/fakeos/serial.h"
#include "tests/unit/fixture.h"

namespace regdump_test {

// What happened between the snapshot and now.
struct Since {
    uint64_t KeyPolls0 = fakeos::Calls(fakeos::Request::CountInput);
    uint64_t Status0 = fakeos::Calls(fakeos::Request::SerialStatus);
    uint64_t Reads0 = fakeos::Calls(fakeos::Request::ReadSerial);
    size_t Sleeps0 = fakeos::Sleeps().size();
    uint64_t Now0 = fakeos::Now();

    // A key poll with no extended key pending asks the console's input count once.
    uint64_t KeyPolls() const { return fakeos::Calls(fakeos::Request::CountInput) - KeyPolls0; }
    uint64_t StatusQueries() const { return fakeos::Calls(fakeos::Request::SerialStatus) - Status0; }
    uint64_t Reads() const { return fakeos::Calls(fakeos::Request::ReadSerial) - Reads0; }
    std::vector<uint32_t> Sleeps() const {
        return {fakeos::Sleeps().begin() + static_cast<std::ptrdiff_t>(Sleeps0), fakeos::Sleeps().end()};
    }
    size_t SleepsOf(uint32_t ms) const {
        auto s = Sleeps();
        return static_cast<size_t>(std::count(s.begin(), s.end(), ms));
    }
    uint64_t Elapsed() const { return fakeos::Now() - Now0; }
};

class SerialTest : public FakeSystem {
protected:
    void SetUp() override {
        FakeSystem::SetUp();
        std::fill(std::begin(ComLibN::PortTable), std::end(ComLibN::PortTable), 0);
        ComLibN::EscFlag = false;
    }

    // A port "COM<n>" opened with the controller's settings.
    static fakeos::serial::Port& OpenCom(uint16_t n) {
        fakeos::serial::Port& port = fakeos::serial::AddPort("COM" + std::to_string(n));
        EXPECT_EQ(ComLibN::OpenPort(n, 9600, 'E', 8, 1), 0) << "COM" << n;
        return port;
    }

    static void TapEsc(uint64_t at = 0) { fakeos::console::Tap(0x1B, 27, 0, at); }
    static void TapLetter(char c, uint64_t at = 0) {
        fakeos::console::Tap(static_cast<uint16_t>(c - 'a' + 0x41), static_cast<uint8_t>(c), 0, at);
    }
    // F1: the extended key 0 59.
    static void TapF1(uint64_t at = 0) { fakeos::console::Tap(0x70, 0, 0, at); }
    // Alt+Left: the extended key 0 155.
    static void TapAltLeft(uint64_t at = 0) { fakeos::console::Tap(0x25, 0, platform::LeftAltPressed, at); }

    // No key left for any later reader (a key's release record may be: it yields nothing).
    static bool KeyboardEmpty() { return !bcrt::KeyWaiting(); }
};

}  // namespace regdump_test
