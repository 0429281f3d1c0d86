// The console unit's start-up and shut-down around a program run.
#include <gtest/gtest.h>

#include <string>

#include "bcrt/console_devices.h"
#include "bcrt/control_handler.h"
#include "bcrt/keyboard.h"
#include "rtl/error_texts.h"
#include "rtl/program.h"
#include "rtl/textfile.h"
#include "tests/unit/bcrt/console_fixture.h"

namespace {

using fakeos::console::Console;
namespace ff = fakeos::files;
using namespace regdump_test;

std::string Trace;

void WriteFromTheNextUnit() { rtl::WriteLine(rtl::Output, "next unit"); }

const rtl::Unit ConsoleFirst[] = {{"bcrt", bcrt::Start, bcrt::Stop}, {"next", WriteFromTheNextUnit, nullptr}};

std::string Report(uint32_t code) {
    return "regdump stopped: input/output error " + std::to_string(code) + "\r\n" + rtl::ErrorText(code) + ".\r\n\r\n";
}

class ConsoleUnitTest : public ConsoleDevices {
protected:
    void SetUp() override {
        ConsoleDevices::SetUp();
        Trace.clear();
    }
};

TEST_F(ConsoleUnitTest, StartPutsTheConsoleDevicesOnStandardInputAndOutputBeforeTheOtherUnits) {
    Type({Char('5'), Enter});
    int code = rtl::RunProgram(ConsoleFirst, 2, [] {
        int32_t n = rtl::ReadInteger(rtl::Input);
        rtl::SkipLine(rtl::Input);
        rtl::WriteLine(rtl::Output, "got " + std::to_string(n));
        rtl::CheckIo();
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(fakeos::console::RowText(0), "next unit");
    EXPECT_EQ(fakeos::console::RowText(1), "5");
    EXPECT_EQ(fakeos::console::RowText(2), "got 5");
    EXPECT_EQ(Cursor().Y, 3);
    EXPECT_EQ(ff::StdoutText, "") << "nothing went to the process's own standard output";
    EXPECT_EQ(Console.InputMode, 0u);
    EXPECT_EQ(Console.OutputMode, 0u);
    EXPECT_EQ(Console.Handler, &bcrt::ControlHandler);
    ASSERT_EQ(ff::ClosedCount(), 2u);
    EXPECT_EQ(ff::Closed(0), fakeos::console::InputHandle) << "standard input closes first";
    EXPECT_EQ(ff::Closed(1), fakeos::console::OutputHandle);
    EXPECT_EQ(rtl::Output.BufPtr, nullptr) << "a closed device record is cleared";
    EXPECT_EQ(rtl::Output.Transfer, nullptr);
    EXPECT_EQ(rtl::Output.Mode, rtl::FileMode::Closed);
}

TEST_F(ConsoleUnitTest, AConsoleOutputThatDoesNotOpenEndsTheProgramBeforeItsBody) {
    struct FailCase {
        const char* Name;
        void (*Arrange)();
        uint32_t Code;
    };
    const FailCase cases[] = {
        {"CONOUT$ missing", [] { Console.Missing = {"CONOUT$"}; }, platform::Error::InvalidHandle},
        {"screen buffer unreadable",
         [] { fakeos::Fail(fakeos::Request::GetScreenBufferInfo, platform::Error::GenFailure); },
         platform::Error::GenFailure},
    };
    for (const FailCase& c : cases) {
        SetUp();
        c.Arrange();
        int code = rtl::RunProgram(ConsoleFirst, 2, [] { Trace += "body"; });
        EXPECT_EQ(code, 1) << c.Name;
        EXPECT_EQ(Trace, "") << c.Name;
        EXPECT_EQ(ff::StderrText, Report(c.Code)) << c.Name;
        EXPECT_EQ(ff::StdoutText, "") << c.Name;
        EXPECT_TRUE(Console.CellWrites.empty()) << c.Name << ": nothing called into the unopened output";
        ASSERT_EQ(ff::ClosedCount(), 1u) << c.Name;
        EXPECT_EQ(ff::Closed(0), fakeos::console::InputHandle) << c.Name;
    }
}

TEST_F(ConsoleUnitTest, AConsoleInputThatDoesNotOpenReads255AndTheRunStillEnds) {
    Console.Missing = {"CONIN$"};
    static uint8_t key;
    key = 0;
    int code = 0;
    ASSERT_NO_THROW(code = rtl::RunProgram(ConsoleFirst, 2, [] {
                        key = bcrt::ReadKeyCode();
                        rtl::ReadInteger(rtl::Input);
                        rtl::SkipLine(rtl::Input);
                        rtl::CheckIo();
                    }));
    EXPECT_EQ(key, 255);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(ff::StderrText, Report(rtl::InvalidNumericInput)) << "255s are no number";
}

}  // namespace
