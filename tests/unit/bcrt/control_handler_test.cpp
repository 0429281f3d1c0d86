// The console control handler: which events end the program, and how the main thread is
// kept off the devices while the shut-down closes them on the handler's thread.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "bcrt/control_handler.h"
#include "bcrt/device_guard.h"
#include "bcrt/unit.h"
#include "rtl/program.h"
#include "rtl/textfile.h"
#include "tests/unit/bcrt/console_fixture.h"

namespace {

using fakeos::console::Console;
using fakeos::console::ControlOutcome;
namespace ff = fakeos::files;
using namespace regdump_test;

std::string Trace;
uint32_t Event;
ControlOutcome Outcome;
ControlOutcome Second;

void RaiseEvent() { Outcome = fakeos::console::RaiseControlEvent(Event); }

const rtl::Unit Units[] = {{"bcrt", bcrt::Start, bcrt::Stop}, {"next", nullptr, [] { Trace += "-next"; }}};

class ControlHandlerTest : public ConsoleDevices {
protected:
    void SetUp() override {
        ConsoleDevices::SetUp();
        Trace.clear();
        Outcome = Second = {};
        // Most tests raise the event from test code, where the main thread never stops
        // at a console call: the handler then goes on after this wait.
        bcrt::DeviceGuard.StopWaitMs = 20;
    }
    void TearDown() override {
        bcrt::DeviceGuard.StopWaitMs = 1000;
        ConsoleDevices::TearDown();
    }

    // For the tests in which the main thread stops by itself: a wait that would show.
    static void WaitLong() { bcrt::DeviceGuard.StopWaitMs = 60000; }
    static double Seconds(std::chrono::steady_clock::time_point since) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
    }
};

TEST_F(ControlHandlerTest, BreakAndCloseEventsEndTheProgramThroughTheOrderlyExit) {
    for (uint32_t event : {0u, 1u, 2u}) {
        SetUp();
        Event = event;
        int code = rtl::RunProgram(Units, 2, [] {
            rtl::Write(rtl::Output, "before");
            RaiseEvent();
            Second = fakeos::console::RaiseControlEvent(Event);
        });
        EXPECT_TRUE(Outcome.Exited) << "event " << event;
        EXPECT_EQ(Outcome.ExitCode, 0u) << "event " << event;
        EXPECT_EQ(Trace, "-next") << "event " << event << ": every unit stopped once";
        EXPECT_EQ(fakeos::console::RowText(0), "before") << "event " << event;
        EXPECT_EQ(ff::ClosedCount(), 2u) << "event " << event << ": both devices closed once";
        EXPECT_EQ(rtl::Input.Mode, rtl::FileMode::Closed) << "event " << event;
        EXPECT_EQ(rtl::Output.Mode, rtl::FileMode::Closed) << "event " << event;
        EXPECT_TRUE(Second.Handled && !Second.Exited) << "event " << event << ": a second event ends nothing again";
        EXPECT_EQ(code, 0) << "event " << event;
    }
}

TEST_F(ControlHandlerTest, OtherEventsArePassedOnAndChangeNothing) {
    for (uint32_t event : {3u, 5u, 6u}) {
        SetUp();
        Event = event;
        int code = rtl::RunProgram(Units, 2, [] {
            RaiseEvent();
            rtl::Write(rtl::Output, "after");
            rtl::CheckIo();
        });
        EXPECT_FALSE(Outcome.Handled) << "event " << event;
        EXPECT_FALSE(Outcome.Exited) << "event " << event;
        EXPECT_EQ(fakeos::console::RowText(0), "after") << "event " << event;
        EXPECT_EQ(code, 0) << "event " << event;
    }
}

TEST_F(ControlHandlerTest, ABreakDuringTheExitAfterAnInputOutputErrorKeepsExitCode1) {
    static const rtl::Unit units[] = {{"bcrt", bcrt::Start, bcrt::Stop}, {"next", nullptr, [] {
                                           Event = 1;
                                           RaiseEvent();
                                       }}};
    int code = rtl::RunProgram(units, 2, [] {
        rtl::PendingError = rtl::DiskFullError;
        rtl::CheckIo();
    });
    EXPECT_TRUE(Outcome.Exited);
    EXPECT_EQ(Outcome.ExitCode, 1u);
    EXPECT_EQ(code, 1);
}

TEST_F(ControlHandlerTest, ABreakWhileTheMainThreadWaitsForAKeyEndsTheProgramWithoutDeadlock) {
    static uint32_t pendingAfterRead;
    Event = 1;
    WaitLong();
    auto start = std::chrono::steady_clock::now();
    int code = rtl::RunProgram(Units, 2, [] {
        Console.WhileReadBlocks = [] {
            Console.WhileReadBlocks = nullptr;
            RaiseEvent();
            // The operator types on after the shut-down; the read wakes up.
            Type({Char('7'), Enter});
        };
        rtl::ReadInteger(rtl::Input);
        pendingAfterRead = rtl::PendingError;
        rtl::PendingError = 0;
    });
    EXPECT_TRUE(Outcome.Exited);
    EXPECT_EQ(Outcome.ExitCode, 0u);
    // A live process would now be gone; here the woken read is refused instead of
    // filling or echoing into the closed devices.
    EXPECT_EQ(pendingAfterRead, rtl::FileNotOpenError);
    EXPECT_EQ(fakeos::console::RowText(0), "") << "no echo after the close";
    EXPECT_EQ(rtl::Input.BufPtr, nullptr);
    EXPECT_EQ(ff::ClosedCount(), 2u);
    EXPECT_EQ(code, 0);
    EXPECT_LT(Seconds(start), 10.0) << "a thread blocked in a key read counts as stopped";
}

TEST_F(ControlHandlerTest, ABreakDuringWritesClosesNothingUntilTheMainThreadStopsAndLosesNoText) {
    static std::thread system;
    static size_t closedDuringWrite;
    static uint32_t pendingAfterWrite;
    Event = 1;
    WaitLong();
    auto start = std::chrono::steady_clock::now();
    rtl::RunProgram(Units, 2, [] {
        Console.DuringBeep = [] {
            system = std::thread(RaiseEvent);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            closedDuringWrite = ff::ClosedCount();
        };
        rtl::Write(rtl::Output, "ab\acd");
        // The next write stops at its device operation with its bytes in the buffer.
        rtl::Write(rtl::Output, "ef");
        pendingAfterWrite = rtl::PendingError;
        rtl::PendingError = 0;
        system.join();
    });
    EXPECT_EQ(closedDuringWrite, 0u) << "the shut-down waited for the write in progress";
    EXPECT_EQ(fakeos::console::RowText(0), "abcdef") << "the last transfer of the shut-down wrote the rest";
    EXPECT_TRUE(Outcome.Exited);
    EXPECT_EQ(ff::ClosedCount(), 2u);
    // A live process is gone by now; here the stopped write is refused when it goes on.
    EXPECT_EQ(pendingAfterWrite, rtl::FileNotOpenError);
    EXPECT_LT(Seconds(start), 10.0) << "the main thread stopped at its next write";
}

}  // namespace
