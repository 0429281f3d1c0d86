// The port prompt over captured standard streams: the typed number, what is skipped
// before it, what is dropped after it, and the words that are not a whole number.
#include <gtest/gtest.h>

#include <string>

#include "regdump/port_prompt.h"
#include "rtl/textfile.h"
#include "tests/unit/fixture.h"

namespace {

namespace ff = fakeos::files;

class PortPromptTest : public regdump_test::FakeSystem {
protected:
    void SetUp() override {
        FakeSystem::SetUp();
        rtl::ResetStandardFiles();
        rtl::OpenRead(rtl::Input);
        rtl::OpenWrite(rtl::Output);
        rtl::CheckIo();
    }
    void TearDown() override { rtl::PendingError = 0; }
};

TEST_F(PortPromptTest, TakesTheLow16BitsOfTheTypedNumber) {
    const struct {
        const char* Case;
        const char* Typed;
        uint16_t Port;
    } cases[] = {
        {"3 and Enter", "3\r\n", 3},
        {"blanks and empty lines first", "  \r\n\r\n\t 3\r\n", 3},
        {"3, a blank and more text", "3 and more\r\n", 3},
        {"3 at the end of the input", "3", 3},
        {"65536 plus 3", "65539\r\n", 3},
        {"-1", "-1\r\n", 65535},
        {"hexadecimal", "$1F\r\n", 31},
        {"input ends before any number", "", 0},
        {"only blank lines", " \r\n\r\n", 0},
    };
    for (const auto& c : cases) {
        SetUp();
        ff::StdinText = c.Typed;
        EXPECT_EQ(regdump::AskPortNumber(), c.Port) << c.Case;
        EXPECT_EQ(ff::StdoutText, "Enter Comport ") << c.Case;
    }
}

TEST_F(PortPromptTest, DropsTheRestOfTheLineWithItsLineEnd) {
    ff::StdinText = "3 7 x\r\n5\r\n";
    EXPECT_EQ(regdump::AskPortNumber(), 3);
    EXPECT_EQ(rtl::ReadInteger(rtl::Input), 5);
    rtl::CheckIo();
}

TEST_F(PortPromptTest, AWordThatIsNotAWholeNumberIsInvalidNumericInput) {
    const char* const cases[] = {"abc\r\n", "3abc\r\n", "3.5\r\n", "0x\r\n", "2147483648\r\n", "99999999999\r\n"};
    for (const char* typed : cases) {
        SetUp();
        ff::StdinText = typed;
        try {
            regdump::AskPortNumber();
            ADD_FAILURE() << "no error for " << typed;
        } catch (const rtl::IoError& e) {
            EXPECT_EQ(e.Code, rtl::InvalidNumericInput) << typed;
        }
    }
}

}  // namespace
