// The report name over real entries in a temporary directory: the first free candidate,
// whatever kind of entry holds a name, and the end of the search.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "regdump/report_name.h"
#include "tests/unit/fixture.h"

namespace {

namespace fs = std::filesystem;

void Touch(const std::string& name) { std::ofstream(name) << "earlier report"; }

void TouchCounters(const std::string& prefix, int first, int last, int width) {
    for (int i = first; i <= last; ++i) {
        std::string digits = std::to_string(i);
        Touch(prefix + std::string(static_cast<size_t>(width) - digits.size(), '0') + digits + ".spf");
    }
}

class ReportNameTest : public regdump_test::FakeSystem {};

TEST_F(ReportNameTest, TakesTheFirstCandidateThatNoEntryHolds) {
    const struct {
        const char* Case;
        std::function<void()> Prepare;
        uint16_t System;
        const char* Name;
    } cases[] = {
        {"empty directory", [] {}, 123, "123_00"},
        {"00 and 01 taken", [] { Touch("123_00.spf"), Touch("123_01.spf"); }, 123, "123_02"},
        {"a folder holds 00", [] { fs::create_directory("123_00.spf"); }, 123, "123_01"},
        {"a file without any permission holds 00",
         [] {
             Touch("123_00.spf");
             fs::permissions("123_00.spf", fs::perms::none);
         },
         123, "123_01"},
        {"other systems and extensions don't count",
         [] { Touch("124_00.spf"), Touch("123_00.txt"), Touch("123_00"), Touch("23_00.spf"); }, 123, "123_00"},
        {"a gap is taken", [] { Touch("123_00.spf"), Touch("123_02.spf"); }, 123, "123_01"},
        {"00 to 99 taken", [] { TouchCounters("123_", 0, 99, 2); }, 123, "123_0"},
        {"00 to 99 and 0 to 9 taken",
         [] { TouchCounters("123_", 0, 99, 2), TouchCounters("123_", 0, 9, 1); }, 123, "123_000"},
        {"00 to 99, 0 to 9 and 000 to 041 taken",
         [] { TouchCounters("123_", 0, 99, 2), TouchCounters("123_", 0, 9, 1), TouchCounters("123_", 0, 41, 3); },
         123, "123_042"},
        {"system 0", [] {}, 0, "0_00"},
        {"system 40000", [] {}, 40000, "40000_00"},
        {"system 65535", [] {}, 65535, "65535_00"},
    };
    for (const auto& c : cases) {
        regdump_test::InTempDir dir;
        c.Prepare();
        EXPECT_EQ(regdump::NextReportName(c.System, ".spf"), c.Name) << c.Case;
        // A read-only file can't be removed on Windows: give the rights back first.
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            fs::permissions(entry.path(), fs::perms::owner_all);
    }
}

TEST_F(ReportNameTest, GoesOnFromTheCounterAfterTheLastCandidate) {
    regdump_test::InTempDir dir;
    Touch("123_01.spf");
    uint32_t counter = 0;
    EXPECT_EQ(regdump::NextReportName(123, ".spf", counter), "123_00");
    EXPECT_EQ(counter, 1u);
    EXPECT_EQ(regdump::NextReportName(123, ".spf", counter), "123_02");
    EXPECT_EQ(counter, 3u);
}

TEST_F(ReportNameTest, EndsEmptyOnceEveryCounterValueWasTriedWithEveryNameTaken) {
    regdump_test::InTempDir dir;
    TouchCounters("7_", 0, 99, 2);
    TouchCounters("7_", 0, 9, 1);
    TouchCounters("7_", 0, 999, 3);
    uint32_t counter = 0;
    EXPECT_EQ(regdump::NextReportName(7, ".spf", counter), "");
    EXPECT_EQ(counter, regdump::ReportCounterLimit);
    EXPECT_EQ(fakeos::Calls(fakeos::Request::FindFirstEntry), regdump::ReportCounterLimit);
    EXPECT_EQ(regdump::NextReportName(7, ".spf", counter), "") << "a second call started over";
}

}  // namespace
