// The operator abort: AbortRequested, NextKey, WaitTenths, FlushKeys and the start-up,
// over the in-memory keyboard and clock.
#include <gtest/gtest.h>

#include <functional>

#include "ComLibN/ComLibN.h"
#include "tests/unit/serial_fixture.h"

namespace {

using regdump_test::Since;

class KeyPollTest : public regdump_test::SerialTest {};

TEST_F(KeyPollTest, AfterOneEscAbortRequestedAnswersWithoutPollingUntilFlushKeys) {
    EXPECT_FALSE(ComLibN::AbortRequested());
    TapEsc();
    EXPECT_TRUE(ComLibN::AbortRequested());
    EXPECT_TRUE(ComLibN::EscFlag);

    TapLetter('a');
    Since s;
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(ComLibN::AbortRequested());
    EXPECT_EQ(s.KeyPolls(), 0u);
    EXPECT_TRUE(bcrt::KeyWaiting()) << "a key the abort test never looked at stays";

    ComLibN::FlushKeys();
    EXPECT_FALSE(ComLibN::EscFlag);
    EXPECT_FALSE(ComLibN::AbortRequested());
}

struct NextKeyCase {
    const char* Name;
    std::function<void()> Type;
    uint8_t Expected;
    bool Esc;
};

TEST_F(KeyPollTest, NextKeyGivesTheKeyAndConsumesWhatItPolled) {
    // NextKey's abort test takes the first waiting key and drops it; the key it gives is
    // the second one.
    const NextKeyCase cases[] = {
        {"no key", [] {}, 0, false},
        {"one letter, dropped by the abort test", [] { TapLetter('x'); }, 0, false},
        {"F1 alone, dropped whole", [] { TapF1(); }, 0, false},
        {"Esc", [] { TapEsc(); }, 27, true},
        {"two letters", [] { TapLetter('a'); TapLetter('b'); }, 'b', false},
        {"letter then Esc", [] { TapLetter('a'); TapEsc(); }, 27, true},
        {"letter then F1: 59 + 128", [] { TapLetter('a'); TapF1(); }, 59 + 128, false},
        {"F1 then F1", [] { TapF1(); TapF1(); }, 59 + 128, false},
        // 155 + 128 taken as one byte is 27, but it is no Esc.
        {"letter then Alt+Left: 155 + 128 as one byte", [] { TapLetter('a'); TapAltLeft(); }, 27, false},
    };
    for (const NextKeyCase& c : cases) {
        fakeos::Reset();
        SetUp();
        c.Type();
        EXPECT_EQ(ComLibN::NextKey(), c.Expected) << c.Name;
        EXPECT_EQ(ComLibN::EscFlag, c.Esc) << c.Name;
        EXPECT_TRUE(KeyboardEmpty()) << c.Name;
    }
}

TEST_F(KeyPollTest, WaitTenthsPollsCountPlusOneTimesAndSleepsATenthBetween) {
    Since zero;
    ComLibN::WaitTenths(0);
    EXPECT_EQ(zero.KeyPolls(), 1u);
    EXPECT_TRUE(zero.Sleeps().empty());

    Since five;
    ComLibN::WaitTenths(5);
    EXPECT_EQ(five.KeyPolls(), 6u);
    EXPECT_EQ(five.Sleeps(), std::vector<uint32_t>(5, 100));

    Since negative;
    ComLibN::WaitTenths(-3);
    EXPECT_TRUE(negative.Sleeps().empty());
}

TEST_F(KeyPollTest, EscEndsWaitTenthsAtTheNextPollAndAnEarlierEscAtOnce) {
    TapEsc(250);
    Since s;
    ComLibN::WaitTenths(10);
    EXPECT_EQ(s.Sleeps(), std::vector<uint32_t>(3, 100)) << "polls at 0, 100, 200 and 300 ms; Esc came at 250";

    Since again;
    ComLibN::WaitTenths(10);
    EXPECT_TRUE(again.Sleeps().empty());
    EXPECT_EQ(again.KeyPolls(), 0u);
}

TEST_F(KeyPollTest, FlushKeysDropsEveryWaitingKeyAndClearsEscFlag) {
    TapLetter('a');
    TapEsc();
    TapF1();
    ComLibN::EscFlag = true;
    Since s;
    ComLibN::FlushKeys();
    EXPECT_FALSE(ComLibN::EscFlag);
    // One before the first test and one after each key code; F1 is two codes.
    EXPECT_EQ(s.Sleeps(), std::vector<uint32_t>(5, 1));
    EXPECT_TRUE(KeyboardEmpty());
}

TEST_F(KeyPollTest, StartDrainsTheKeyboardAndClearsEscFlag) {
    TapEsc();
    TapLetter('q');
    ComLibN::EscFlag = true;
    ComLibN::Start();
    EXPECT_FALSE(ComLibN::EscFlag);
    EXPECT_TRUE(KeyboardEmpty());
}

}  // namespace
