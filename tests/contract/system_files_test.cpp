// The seam's contract for the system and file requests, the same on every backend.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/os.h"
#include "tests/contract/harness.h"

namespace {

namespace pf = platform;

class SeamContract : public ::testing::Test {
protected:
    void SetUp() override {
        contract::ResetBackend();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() / ("regdump-contract-" + std::string(info->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    static std::string Slurp(const char* name) {
        std::ifstream in(name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::filesystem::path dir_, old_;
};

TEST_F(SeamContract, SleepTakesAtLeastItsTime) {
    for (uint32_t ms : {0u, 1u, 30u}) {
        uint64_t start = contract::NowMs();
        pf::Sleep(ms);
        uint64_t took = contract::NowMs() - start;
        EXPECT_GE(took + 1, ms) << "Sleep(" << ms << ")";  // a real clock may round down by 1
        EXPECT_LE(took, ms + contract::SleepSlackMs()) << "Sleep(" << ms << ")";
    }
}

TEST_F(SeamContract, ADiskFileIsCreatedNewOrReplacedAndWrittenAsGiven) {
    pf::Handle f = pf::CreateDiskFile("a.spf", false);
    ASSERT_NE(f, pf::InvalidHandle);
    uint32_t written = 12345;
    ASSERT_TRUE(pf::WriteFileBytes(f, "one\r\ntwo\r\n", 10, written));
    EXPECT_EQ(written, 10u);
    ASSERT_TRUE(pf::CloseHandle(f));
    EXPECT_EQ(Slurp("a.spf"), "one\r\ntwo\r\n");

    EXPECT_EQ(pf::CreateDiskFile("a.spf", false), pf::InvalidHandle);
    EXPECT_EQ(pf::LastError(), pf::Error::FileExists);
    EXPECT_EQ(Slurp("a.spf"), "one\r\ntwo\r\n") << "a failed new-file create touched the file";

    f = pf::CreateDiskFile("a.spf", true);
    ASSERT_NE(f, pf::InvalidHandle);
    ASSERT_TRUE(pf::CloseHandle(f));
    EXPECT_EQ(Slurp("a.spf"), "");
}

TEST_F(SeamContract, CreatingInAMissingDirectoryFailsWithACode) {
    EXPECT_EQ(pf::CreateDiskFile("no-such-dir/a.spf", true), pf::InvalidHandle);
    EXPECT_NE(pf::LastError(), 0u);
}

TEST_F(SeamContract, TheDirectorySearchFindsEntriesOfEveryKind) {
    std::ofstream("plain.spf") << "x";
    std::ofstream(".hidden.spf") << "x";
    std::filesystem::create_directory("folder.spf");
    struct Case {
        const char* Pattern;
        bool Found;
    } cases[] = {{"plain.spf", true}, {".hidden.spf", true}, {"folder.spf", true}, {"absent.spf", false}};
    for (const Case& c : cases) {
        std::string name = "sentinel";
        EXPECT_EQ(pf::FindFirstEntry(c.Pattern, name), c.Found) << c.Pattern;
        EXPECT_EQ(name, c.Found ? std::string(c.Pattern) : "sentinel") << c.Pattern;
    }
}

}  // namespace
