// The text-file layer over the in-memory system: write calls and their flushes, line
// ends, pending errors, the typed-integer read and disk files.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "rtl/textfile.h"
#include "tests/unit/fixture.h"

namespace {

using fakeos::Request;
namespace ff = fakeos::files;

class TextFileTest : public regdump_test::FakeSystem {
protected:
    void SetUp() override {
        FakeSystem::SetUp();
        rtl::ResetStandardFiles();
    }
    void TearDown() override { rtl::PendingError = 0; }

    static std::string Slurp(const char* name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(TextFileTest, EveryWriteCallReachesTheDeviceOnceWithCrLfLineEnds) {
    rtl::OpenWrite(rtl::Output);
    rtl::CheckIo();
    rtl::Write(rtl::Output, "Enter Comport ");
    rtl::WriteInt(rtl::Output, 42, 6);
    rtl::WriteInt(rtl::Output, -7);
    rtl::WriteChar(rtl::Output, 'x');
    rtl::WriteLine(rtl::Output, "row");
    rtl::WriteLine(rtl::Output);
    rtl::CheckIo();
    EXPECT_EQ(ff::StdoutText, "Enter Comport     42-7xrow\r\n\r\n");
    EXPECT_EQ(fakeos::Calls(Request::WriteFileBytes), 6u);
}

TEST_F(TextFileTest, ATextLongerThanTheBufferGoesOutInBufferLoads) {
    rtl::OpenWrite(rtl::Output);
    std::string text(300, 'z');
    rtl::Write(rtl::Output, text);
    rtl::CheckIo();
    EXPECT_EQ(ff::StdoutText, text);
    EXPECT_EQ(fakeos::Calls(Request::WriteFileBytes), 3u);  // 128, 128, then 44 at the flush
}

TEST_F(TextFileTest, AFailedWriteLeavesItsCodeForCheckIoAndLaterCallsDoNothing) {
    rtl::OpenWrite(rtl::Output);
    fakeos::Fail(Request::WriteFileBytes, 5, 1);
    rtl::Write(rtl::Output, "lost");
    EXPECT_EQ(rtl::PendingError, 5u);
    rtl::Write(rtl::Output, "skipped");
    EXPECT_EQ(fakeos::Calls(Request::WriteFileBytes), 1u);
    try {
        rtl::CheckIo();
        FAIL() << "no error raised";
    } catch (const rtl::IoError& e) {
        EXPECT_EQ(e.Code, 5u);
    }
    EXPECT_EQ(rtl::PendingError, 0u);
    EXPECT_NO_THROW(rtl::CheckIo());
}

TEST_F(TextFileTest, WritingAFileThatIsNotOpenForOutputFails) {
    rtl::Write(rtl::Output, "x");
    EXPECT_EQ(rtl::PendingError, rtl::FileNotOpenError);
    rtl::PendingError = 0;
    rtl::OpenRead(rtl::Input);
    rtl::Write(rtl::Input, "x");
    EXPECT_EQ(rtl::PendingError, rtl::NotOpenForOutputError);
}

struct IntegerCase {
    const char* Name;
    const char* Typed;
    int32_t Value;
    uint32_t Error;
    const char* RestOfInput;  // what the next line read finds after SkipLine
};

TEST_F(TextFileTest, ReadIntegerTakesTheFirstWordAcrossLinesAndSkipLineDropsTheRest) {
    const IntegerCase cases[] = {
        {"a number", "3\r\nnext", 3, 0, "next"},
        {"blanks and empty lines first", "  \r\n\r\n\t 3\r\nnext", 3, 0, "next"},
        {"a number and more text", "3 abc\r\nnext", 3, 0, "next"},
        {"LF alone", "12\nnext", 12, 0, "next"},
        {"hexadecimal", "$1F\r\n", 31, 0, ""},
        {"65536 plus 3", "65539\r\n", 65539, 0, ""},
        {"negative", "-2\r\n", -2, 0, ""},
        {"letters", "abc\r\n", 0, 106, ""},
        {"digits and letters", "3abc\r\n", 0, 106, ""},
        {"past the 32-bit range", "99999999999\r\n", 0, 106, ""},
        {"a sign alone", "-\r\n", 0, 106, ""},
        {"nothing before the end", "  \r\n", 0, 0, ""},
        {"empty input", "", 0, 0, ""},
        {"a word of 33 bytes: the 33rd stays", "000000000000000000000000000000001\r\n", 0, 0, ""},
    };
    for (const IntegerCase& c : cases) {
        SetUp();
        ff::StdinText = c.Typed;
        rtl::OpenRead(rtl::Input);
        EXPECT_EQ(rtl::ReadInteger(rtl::Input), c.Value) << c.Name;
        EXPECT_EQ(rtl::PendingError, c.Error) << c.Name;
        if (c.Error != 0) continue;
        rtl::SkipLine(rtl::Input);
        std::string rest;
        while (rtl::Input.BufPos < rtl::Input.BufEnd) rest += rtl::Input.BufPtr[rtl::Input.BufPos++];
        EXPECT_EQ(rest, c.RestOfInput) << c.Name;
    }
}

TEST_F(TextFileTest, ADiskFileGetsOneWritePerCallAndIsReplacedOrKeptAsAsked) {
    regdump_test::InTempDir dir;
    {
        std::ofstream("old.spf") << "earlier report";
    }
    rtl::TextFile report;
    rtl::AssignDisk(report, "old.spf");
    rtl::OpenWriteNew(report);
    EXPECT_EQ(rtl::PendingError, platform::Error::FileExists);
    rtl::PendingError = 0;
    EXPECT_EQ(Slurp("old.spf"), "earlier report");

    rtl::AssignDisk(report, "new.spf");
    rtl::OpenWriteNew(report);
    rtl::WriteLine(report, "  DM[020]        ");
    rtl::Write(report, "tail");
    rtl::CloseFile(report);
    rtl::CheckIo();
    EXPECT_EQ(Slurp("new.spf"), "  DM[020]        \r\ntail");
    EXPECT_EQ(ff::DiskWriteCount(), 2u);

    rtl::AssignDisk(report, "old.spf");
    rtl::OpenWrite(report);
    rtl::CloseFile(report);
    rtl::CheckIo();
    EXPECT_EQ(Slurp("old.spf"), "");
}

TEST_F(TextFileTest, AFullDiskIsError101AndAnUnwritableDirectoryTheSystemsCode) {
    regdump_test::InTempDir dir;
    rtl::TextFile report;
    rtl::AssignDisk(report, "full.spf");
    rtl::OpenWrite(report);
    ff::DiskFreeBytes = 10;
    rtl::WriteLine(report, "more than ten bytes");
    EXPECT_EQ(rtl::PendingError, rtl::DiskFullError);
    rtl::PendingError = 0;

    fakeos::Fail(Request::CreateDiskFile, platform::Error::AccessDenied, 1);
    rtl::AssignDisk(report, "denied.spf");
    rtl::OpenWrite(report);
    EXPECT_EQ(rtl::PendingError, 5u);
    EXPECT_EQ(report.Mode, rtl::FileMode::Closed);
}

}  // namespace
