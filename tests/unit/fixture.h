// The common ground of the unit tests: a fresh in-memory system, the console unit's state
// wired to its console, and a temporary working directory for files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "bcrt/console_state.h"
#include "tests/fakeos/console.h"
#include "tests/fakeos/fakeos.h"
#include "tests/fakeos/files.h"

namespace regdump_test {

class FakeSystem : public ::testing::Test {
protected:
    void SetUp() override {
        fakeos::Reset();
        bcrt::Console = {};
        bcrt::Console.InputHandle = fakeos::console::InputHandle;
        bcrt::Console.OutputHandle = fakeos::console::OutputHandle;
    }
};

// A temporary directory made the working directory for the test's life.
class InTempDir {
public:
    InTempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("regdump-" + std::string(info->test_suite_name()) + "-" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
    }
    ~InTempDir() {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& Path() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::filesystem::path old_;
};

}  // namespace regdump_test
