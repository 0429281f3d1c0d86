// The directory search behind the report naming, over real entries in a temporary
// directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "DosN/DosN.h"
#include "tests/unit/fixture.h"

namespace {

using fakeos::Request;

class FirstMatchTest : public regdump_test::FakeSystem {};

TEST_F(FirstMatchTest, NamesAnEntryOfAnyKindOrGivesAnEmptyText) {
    regdump_test::InTempDir dir;
    std::ofstream("123_00.spf") << "report";
    std::filesystem::create_directory("123_01.spf");
    const struct {
        const char* Pattern;
        const char* Found;
    } cases[] = {{"123_00.spf", "123_00.spf"}, {"123_01.spf", "123_01.spf"}, {"123_02.spf", ""}, {"123_00", ""}};
    for (const auto& c : cases) EXPECT_EQ(DosN::FirstMatch(c.Pattern), c.Found) << c.Pattern;
}

TEST_F(FirstMatchTest, AFailedSearchGivesAnEmptyText) {
    regdump_test::InTempDir dir;
    std::ofstream("123_00.spf") << "report";
    fakeos::Fail(Request::FindFirstEntry, 5);
    EXPECT_EQ(DosN::FirstMatch("123_00.spf"), "");
}

}  // namespace
