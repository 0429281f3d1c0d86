// The small text formats of the dump: row labels and the two-character counter field.
#include <gtest/gtest.h>

#include "ComLibN/console_text.h"
#include "regdump/layout.h"

namespace {

TEST(FormatAddressTest, GivesAtLeastThreeDigits) {
    const struct {
        uint16_t Number;
        const char* Label;
    } cases[] = {
        {0, "000"}, {5, "005"}, {9, "009"}, {10, "010"}, {20, "020"}, {99, "099"},
        {100, "100"}, {130, "130"}, {980, "980"}, {999, "999"}, {1000, "1000"}, {65535, "65535"},
    };
    for (const auto& c : cases) EXPECT_EQ(regdump::FormatAddress(c.Number), c.Label) << c.Number;
}

TEST(FormatTwoDigitsTest, PadsBelowTenAndDropsTheFirstTwoCharactersOfLongerNumbers) {
    const struct {
        uint16_t Number;
        char Suffix;
        const char* Text;
    } cases[] = {
        {0, '\0', "00"},      {7, '\0', "07"},      {9, '\0', "09"},      {10, '\0', "10"},
        {99, '\0', "99"},     {100, '\0', "0"},     {109, '\0', "9"},     {110, '\0', "0"},
        {999, '\0', "9"},     {1000, '\0', "00"},   {1234, '\0', "34"},   {9999, '\0', "99"},
        {10000, '\0', "000"}, {12345, '\0', "345"}, {65535, '\0', "535"}, {7, ':', "07:"},
        {42, 'h', "42h"},     {123, '.', "3."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComLibN::FormatTwoDigits(c.Number, c.Suffix), c.Text)
            << c.Number << " suffix code " << int(c.Suffix);
}

}  // namespace
