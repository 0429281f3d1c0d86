// ScreenNewLine: CR LF to standard output at once, its failure raised.
#include <gtest/gtest.h>

#include "ComLibN/console_text.h"
#include "rtl/textfile.h"
#include "tests/unit/fixture.h"

namespace {

using fakeos::Request;
namespace ff = fakeos::files;

class ScreenNewLineTest : public regdump_test::FakeSystem {
protected:
    void SetUp() override {
        FakeSystem::SetUp();
        rtl::ResetStandardFiles();
        rtl::OpenWrite(rtl::Output);
        rtl::CheckIo();
    }
    void TearDown() override { rtl::PendingError = 0; }
};

TEST_F(ScreenNewLineTest, WritesCrLfInOneFlushedWrite) {
    ComLibN::ScreenNewLine();
    EXPECT_EQ(ff::StdoutText, "\r\n");
    EXPECT_EQ(fakeos::Calls(Request::WriteFileBytes), 1u);
}

TEST_F(ScreenNewLineTest, AFailedWriteIsRaised) {
    fakeos::Fail(Request::WriteFileBytes, 31, 1);
    try {
        ComLibN::ScreenNewLine();
        ADD_FAILURE() << "no error";
    } catch (const rtl::IoError& e) {
        EXPECT_EQ(e.Code, 31u);
    }
}

}  // namespace
