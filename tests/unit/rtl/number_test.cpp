// The number conversion of replies and of the typed port number.
#include <gtest/gtest.h>

#include "rtl/number.h"

namespace {

struct NumberCase {
    const char* Text;
    int32_t Value;
    size_t Stop;  // 0: converted to its end
};

TEST(ValueOfTest, ConvertsOrStopsAtTheFirstByteThatDoesNotBelong) {
    const NumberCase cases[] = {
        {"12345", 12345, 0},
        {"00123", 123, 0},
        {" 42", 42, 0},
        {"   7", 7, 0},
        {"-5", -5, 0},
        {"+5", 5, 0},
        {"-1", -1, 0},
        {"-0", 0, 0},
        {"66536", 66536, 0},
        {"$1F", 31, 0},
        {"$1f", 31, 0},
        {"x1F", 31, 0},
        {"X1F", 31, 0},
        {"0x1F", 31, 0},
        {"0X1f", 31, 0},
        {"-$10", -16, 0},
        {"0", 0, 0},
        {"2147483647", 2147483647, 0},
        {"-2147483648", INT32_MIN, 0},
        {"12a", 12, 3},
        {"-12a", 12, 4},
        {"12AB", 12, 3},
        {"1 2", 1, 2},
        {"12 ", 12, 3},
        {"2147483648", 214748364, 10},
        {"99999999999", 999999999, 10},
        {"", 0, 1},
        {"   ", 0, 4},
        {"-", 0, 2},
        {"$", 0, 2},
        {"0x", 0, 3},
        {"abc", 0, 1},
        {"String in buffer ", 0, 1},
        {"auxStrIn Err", 0, 1},
        {"\t5", 0, 1},
    };
    for (const NumberCase& c : cases) {
        size_t stop = 12345;
        EXPECT_EQ(rtl::ValueOf(c.Text, stop), c.Value) << '"' << c.Text << '"';
        EXPECT_EQ(stop, c.Stop) << '"' << c.Text << '"';
    }
}

}  // namespace
