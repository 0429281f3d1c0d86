// The process around the program: unit order, exit codes and the error report.
#include <gtest/gtest.h>

#include <string>

#include "rtl/program.h"
#include "rtl/textfile.h"
#include "tests/unit/fixture.h"

namespace {

namespace ff = fakeos::files;

std::string Trace;

void StartA() { Trace += "+A"; }
void StopA() { Trace += "-A"; }
void StartB() { Trace += "+B"; }
void StopB() { Trace += "-B"; }

const rtl::Unit TwoUnits[] = {{"A", StartA, StopA}, {"B", StartB, StopB}};

class ProgramTest : public regdump_test::FakeSystem {
protected:
    void SetUp() override {
        FakeSystem::SetUp();
        Trace.clear();
    }
};

TEST_F(ProgramTest, UnitsStartInOrderAndStopInReverseAroundTheBody) {
    int code = rtl::RunProgram(TwoUnits, 2, [] {
        Trace += " body ";
        rtl::Write(rtl::Output, "shown");
        rtl::CheckIo();
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Trace, "+A+B body -B-A");
    EXPECT_EQ(ff::StdoutText, "shown");
    EXPECT_EQ(ff::StderrText, "");
    EXPECT_EQ(rtl::Output.Mode, rtl::FileMode::Closed);
    EXPECT_EQ(rtl::Input.Mode, rtl::FileMode::Closed);
    EXPECT_EQ(rtl::ErrOutput.Mode, rtl::FileMode::Closed);
}

struct ReportCase {
    uint32_t Code;
    const char* Text;
};

TEST_F(ProgramTest, AnInputOutputErrorEndsWithTheReportAndExitCode1) {
    const ReportCase cases[] = {
        {2, "File not found."},        {3, "Invalid filename."},      {4, "Too many open files."},
        {5, "File access denied."},    {100, "Read beyond end of file."}, {101, "Disk full."},
        {106, "Invalid numeric input."}, {80, "I/O error 80."},          {1117, "I/O error 1117."},
    };
    static uint32_t raised;
    for (const ReportCase& c : cases) {
        SetUp();
        raised = c.Code;
        int code = rtl::RunProgram(TwoUnits, 2, [] {
            rtl::Write(rtl::Output, "before");
            rtl::PendingError = raised;
            rtl::CheckIo();
            Trace += " not reached";
        });
        EXPECT_EQ(code, 1) << c.Code;
        EXPECT_EQ(ff::StdoutText, "before") << c.Code;
        EXPECT_EQ(ff::StderrText, "regdump stopped: input/output error " + std::to_string(c.Code) + "\r\n" + c.Text +
                                      "\r\n\r\n")
            << c.Code;
        EXPECT_EQ(Trace, "+A+B-B-A") << c.Code;
    }
}

TEST_F(ProgramTest, AUnitWhoseStartFailsIsNotStopped) {
    static const rtl::Unit units[] = {
        {"A", StartA, StopA},
        {"B", [] { rtl::PendingError = 6; rtl::CheckIo(); }, StopB},
    };
    EXPECT_EQ(rtl::RunProgram(units, 2, [] { Trace += " body"; }), 1);
    EXPECT_EQ(Trace, "+A-A");
}

TEST_F(ProgramTest, HaltRunsTheOrderlyExitAndEndsTheProcessWithItsCode) {
    try {
        rtl::RunProgram(TwoUnits, 2, [] { rtl::Halt(3); });
        FAIL() << "Halt returned";
    } catch (const fakeos::ProcessExited& e) {
        EXPECT_EQ(e.Code, 3u);
    }
    EXPECT_EQ(Trace, "+A+B-B-A");
    EXPECT_EQ(rtl::Output.Mode, rtl::FileMode::Closed);
}

}  // namespace
