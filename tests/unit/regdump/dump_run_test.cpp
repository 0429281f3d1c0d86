// Whole dump runs against the in-memory controller, in a temporary working directory:
// the report file and the console text against golden fixtures, the serial traffic,
// the replies and greetings, Esc, and the ways a run ends early.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "regdump/units.h"
#include "rtl/textfile.h"
#include "tests/fakeos/serial.h"
#include "tests/unit/serial_fixture.h"

namespace {

namespace fs = std::filesystem;
namespace ff = fakeos::files;
namespace fser = fakeos::serial;
using fakeos::Request;

constexpr uint16_t VkReturn = 0x0D;

// Far beyond the end of any run: the key that the final wait takes and no serial poll
// sees before.
constexpr uint64_t FinalKeyAt = 100'000'000;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fixture file as the program writes it: CR LF line ends, and the console's rule
// character (written as U+2500 in the fixture) as its code-page byte 196.
std::string Golden(const char* name) {
    std::string text = Slurp(fs::path(__FILE__).parent_path() / "golden" / name);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "\xE2\x94\x80") == 0) {
            out += '\xC4';
            i += 2;
        } else if (text[i] == '\n') {
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// A row's ten cells when nothing came back.
const std::string ZeroCells = "     0     0     0     0     0     0     0     0     0     0";

std::string ErrorReport(uint32_t code, const char* text) {
    return "regdump stopped: input/output error " + std::to_string(code) + "\r\n" + text + ".\r\n\r\n";
}

// The controller of the golden run: system 123 (data word 109), every other data word of
// the first three blocks its own number, block 4 sixty times its number, and five timer
// replies.
std::string GoldenController(const std::string& command) {
    if (command == "CR") return "CC\r\n";
    if (command == "RD DM109") return "123\r\n";
    if (command.rfind("RD DM", 0) == 0) {
        int n = std::stoi(command.substr(5));
        return std::to_string(n >= 980 ? n * 60 : n) + "\r\n";
    }
    if (command == "RD T2") return "T0002   00150\r\n";
    if (command == "RD T3") return "T0003   00300\r\n";
    if (command == "RD T12") return "T0012   12345 R\r\n";
    if (command == "RD T13") return "T0013   \r\n";
    return "";  // timer 48 stays silent
}

// Every command of a whole run, each with its carriage return, in order.
std::string WholeRunTraffic() {
    std::string traffic = "CR\rRD DM109\r";
    const int blocks[][2] = {{20, 139}, {200, 249}, {890, 899}, {980, 989}};
    for (const auto& b : blocks)
        for (int n = b[0]; n <= b[1]; ++n) traffic += "RD DM" + std::to_string(n) + "\r";
    for (int t : {2, 3, 12, 13, 48}) traffic += "RD T" + std::to_string(t) + "\r";
    return traffic;
}

class DumpRunTest : public regdump_test::SerialTest {
protected:
    void TearDown() override { rtl::PendingError = 0; }

    // Types `typed` at the prompt, presses a key once the dump is over (unless the test
    // queues keys of its own), and runs the program; returns its exit code. The console
    // unit's devices are left out, so that the run's own console text arrives byte for
    // byte on the plain standard output; DumpOnConsoleTest runs it through them.
    static int RunDump(const std::string& typed, bool finalKey = true) {
        ff::StdinText = typed;
        if (finalKey) PressFinalKey();
        EXPECT_STREQ(regdump::Units[0].Name, "bcrt");
        return rtl::RunProgram(regdump::Units + 1, regdump::UnitCount - 1, regdump::Run);
    }

    // Keys come in the order they are queued: a test that presses Esc during the run
    // queues the final key after it.
    static void PressFinalKey() { fakeos::console::Tap(VkReturn, 13, 0, FinalKeyAt); }

    static fser::Port& Controller(fser::Responder reply) {
        fser::Port& com = fser::AddPort("COM3");
        com.Reply = std::move(reply);
        return com;
    }

    // The run waited for the final key: nothing else lets the clock get that far.
    static bool FinalKeyAwaited() { return fakeos::Now() >= FinalKeyAt; }
};

TEST_F(DumpRunTest, AWholeRunWritesTheReportAndTheConsoleTextOfTheFixtures) {
    const std::string report = Golden("report.txt");
    const std::string console = Golden("console.txt");
    regdump_test::InTempDir dir;
    fser::Port& com = Controller(GoldenController);

    EXPECT_EQ(RunDump("3\r\n"), 0);

    EXPECT_EQ(Slurp("123_00.spf"), report);
    EXPECT_EQ(ff::StdoutText, console);
    EXPECT_EQ(ff::StderrText, "");
    EXPECT_EQ(com.Written, WholeRunTraffic());
    EXPECT_TRUE(FinalKeyAwaited());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator{}), 1)
        << "one report, nothing else";
}

TEST_F(DumpRunTest, EachDataWordReplyGivesItsCell) {
    regdump_test::InTempDir dir;
    Controller([](const std::string& command) -> std::string {
        if (command == "CR") return "CC\r\n";
        if (command == "RD DM109") return "123\r\n";
        if (command == "RD DM20") return "00123\r\n";
        if (command == "RD DM21") return "-1\r\n";
        if (command == "RD DM22") return "66536\r\n";
        if (command == "RD DM23") return "12AB\r\n";
        if (command == "RD DM24") return "$1F\r\n";
        if (command == "RD DM25") return "";
        // A byte after the line end is still waiting at the next exchange, which then
        // gives "String in buffer " instead of sending its command.
        if (command == "RD DM26") return "7\r\n!";
        if (command == "RD DM27") return "27\r\n";
        return "5\r\n";
    });
    ASSERT_EQ(RunDump("3\r\n"), 0);
    const std::vector<std::string> lines = Lines(Slurp("123_00.spf"));
    ASSERT_EQ(lines.size(), 32u);
    const std::string& row = lines[2];
    ASSERT_EQ(row.substr(0, 17), "  DM[020]        ");
    const struct {
        const char* Case;
        int Column;
        const char* Cell;
    } cases[] = {
        {"00123", 0, "   123"}, {"-1", 1, " 65535"},    {"65536 plus 1000", 2, "  1000"},
        {"12AB", 3, "    12"},  {"$1F", 4, "    31"},   {"no reply", 5, "     0"},
        {"7 with a byte after the line", 6, "     7"}, {"String in buffer", 7, "     0"},
        {"5", 8, "     5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(row.substr(17 + 6 * static_cast<size_t>(c.Column), 6), c.Cell) << c.Case;
    EXPECT_NE(ff::StdoutText.find(row), std::string::npos) << "the console shows the row as the file has it";
}

TEST_F(DumpRunTest, OnlyAGreetingOfExactlyCCReadsTheSystemNumber) {
    const struct {
        const char* Case;
        const char* Greeting;
        const char* SystemReply;
        const char* Message;
        const char* Report;
    } cases[] = {
        {"CC", "CC\r\n", "123\r\n", "System 123 found", "123_00.spf"},
        {"lower case", "cc\r\n", "123\r\n", "", "0_00.spf"},
        {"trailing blank", "CC \r\n", "123\r\n", "", "0_00.spf"},
        {"no answer", "", "123\r\n", "", "0_00.spf"},
        {"system 40000", "CC\r\n", "40000\r\n", "System 40000 found", "40000_00.spf"},
        {"system -1", "CC\r\n", "-1\r\n", "System 65535 found", "65535_00.spf"},
    };
    for (const auto& c : cases) {
        SetUp();
        regdump_test::InTempDir dir;
        const std::string greeting = c.Greeting, systemReply = c.SystemReply;
        fser::Port& com = Controller([&](const std::string& command) -> std::string {
            if (command == "CR") return greeting;
            if (command == "RD DM109") return systemReply;
            return "1\r\n";
        });
        EXPECT_EQ(RunDump("3\r\n"), 0) << c.Case;
        EXPECT_EQ(ff::StdoutText.substr(0, ff::StdoutText.find('\xC4')),
                  std::string("Enter Comport 0\r\n") + c.Message + "\r\n")
            << c.Case;
        // Data word 109 is read in the dump in any case, and before it only as the system number.
        EXPECT_EQ(std::count(com.Commands.begin(), com.Commands.end(), "RD DM109"), *c.Message ? 2 : 1) << c.Case;
        EXPECT_EQ(Lines(Slurp(c.Report)).size(), 32u) << c.Case;
    }
}

TEST_F(DumpRunTest, EscDuringTheDumpZeroesTheRestAndTheReportIsStillCompleted) {
    regdump_test::InTempDir dir;
    fser::Port& com = Controller([](const std::string& command) -> std::string {
        if (command == "CR") return "CC\r\n";
        if (command == "RD DM109") return "123\r\n";
        if (command == "RD DM100") {
            TapEsc(fakeos::Now());
            PressFinalKey();
        }
        return "7\r\n";
    });
    EXPECT_EQ(RunDump("3\r\n", false), 0);

    EXPECT_EQ(com.Commands.back(), "RD DM100") << "serial work went on after Esc";
    const std::vector<std::string> lines = Lines(Slurp("123_00.spf"));
    ASSERT_EQ(lines.size(), 32u);
    for (size_t row = 2; row < 23; ++row) {
        const std::string& line = lines[row];
        if (line.empty()) continue;
        for (size_t cell = 0; cell < 10; ++cell) {
            int word = std::stoi(line.substr(5, 3)) + static_cast<int>(cell);
            std::string text = line.substr(17 + 6 * cell, 6);
            // Data word 100's own exchange may or may not end before Esc is seen.
            if (word < 100) {
                EXPECT_EQ(text, "     7") << "data word " << word;
            } else if (word > 100) {
                EXPECT_EQ(text, "     0") << "data word " << word;
            }
        }
    }
    const char* const timers[] = {" T002 ", " T003 ", " T012 ", " T013 ", " T048 "};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(lines[26 + i], timers[i]);
    EXPECT_EQ(fakeos::files::ClosedCount(), 1u) << "the report file was closed";
    EXPECT_TRUE(FinalKeyAwaited());
}

TEST_F(DumpRunTest, EscBeforeTheNamingLeavesAnEarlierReportAloneAndTakesTheNextName) {
    regdump_test::InTempDir dir;
    std::ofstream("123_00.spf") << "earlier report";
    fser::Port& com = Controller([](const std::string& command) -> std::string {
        if (command == "CR") return "CC\r\n";
        // Esc comes while the run pauses after the system message.
        if (command != "RD DM109") return "7\r\n";
        TapEsc(fakeos::Now() + 50);
        PressFinalKey();
        return "123\r\n";
    });
    EXPECT_EQ(RunDump("3\r\n", false), 0);

    EXPECT_EQ(Slurp("123_00.spf"), "earlier report");
    const std::vector<std::string> lines = Lines(Slurp("123_01.spf"));
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[2], "  DM[020]        " + ZeroCells);
    EXPECT_EQ(com.Commands.back(), "RD DM109");
    EXPECT_TRUE(FinalKeyAwaited());
}

TEST_F(DumpRunTest, ANameTheSearchMissedIsNotReplacedButPassedOver) {
    regdump_test::InTempDir dir;
    std::ofstream("123_00.spf") << "earlier report";
    Controller(GoldenController);
    // The search fails once, so 123_00.spf looks free; only the create finds it taken.
    fakeos::Fail(Request::FindFirstEntry, platform::Error::AccessDenied, 1);
    EXPECT_EQ(RunDump("3\r\n"), 0);
    EXPECT_EQ(Slurp("123_00.spf"), "earlier report");
    EXPECT_EQ(Slurp("123_01.spf"), Golden("report.txt"));
}

TEST_F(DumpRunTest, APortThatDidNotOpenStillGivesACompleteReportOfZeros) {
    const struct {
        const char* Typed;
    } cases[] = {{"5\r\n"}, {"0\r\n"}, {"129\r\n"}};
    for (const auto& c : cases) {
        SetUp();
        regdump_test::InTempDir dir;
        Controller(GoldenController);  // on COM3, not on the port typed
        EXPECT_EQ(RunDump(c.Typed), 0) << c.Typed;
        EXPECT_EQ(ff::StdoutText.substr(0, 19), "Enter Comport 2\r\n\r\n") << c.Typed;
        const std::vector<std::string> lines = Lines(Slurp("0_00.spf"));
        ASSERT_EQ(lines.size(), 32u) << c.Typed;
        for (size_t row : {2u, 13u, 15u, 21u, 22u})
            EXPECT_EQ(lines[row].substr(17), ZeroCells)
                << c.Typed << " line " << row + 1;
        EXPECT_EQ(lines[26], " T002 ") << c.Typed;
    }
}

TEST_F(DumpRunTest, AFailureEndsTheRunWithItsErrorReportAndExitCode1) {
    const struct {
        const char* Case;
        const char* Typed;
        uint32_t Code;
        const char* Text;
        void (*Prepare)();
        const char* LastCommand;  // nullptr: no port opened
    } cases[] = {
        {"a port number with letters", "3abc\r\n", 106, "Invalid numeric input", [] {}, nullptr},
        {"a port number past the 32-bit range", "4294967299\r\n", 106, "Invalid numeric input", [] {}, nullptr},
        {"an unwritable directory", "3\r\n", 5, "File access denied",
         [] { fakeos::Fail(Request::CreateDiskFile, 5); }, "RD DM109"},
        {"a full disk", "3\r\n", 101, "Disk full", [] { ff::DiskFreeBytes = 79 + 2 + 40; }, "RD DM30"},
        {"every name taken", "3\r\n", 80, "I/O error 80",
         [] {
             for (int width : {2, 1, 3})
                 for (int i = 0; i < (width == 1 ? 10 : width == 2 ? 100 : 1000); ++i) {
                     std::string digits = std::to_string(i);
                     std::ofstream("123_" + std::string(static_cast<size_t>(width) - digits.size(), '0') + digits +
                                   ".spf")
                         << "earlier report";
                 }
         },
         "RD DM109"},
    };
    for (const auto& c : cases) {
        SetUp();
        regdump_test::InTempDir dir;
        fser::Port& com = Controller(GoldenController);
        c.Prepare();
        const auto before = std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator{});

        EXPECT_EQ(RunDump(c.Typed), 1) << c.Case;
        EXPECT_EQ(ff::StderrText, ErrorReport(c.Code, c.Text)) << c.Case;
        if (c.LastCommand == nullptr) {
            EXPECT_EQ(fakeos::Calls(Request::OpenSerial), 0u) << c.Case;
            EXPECT_EQ(fakeos::Calls(Request::CreateDiskFile), 0u) << c.Case;
            EXPECT_EQ(ff::StdoutText, "Enter Comport ") << c.Case;
        } else {
            ASSERT_FALSE(com.Commands.empty()) << c.Case;
            EXPECT_EQ(com.Commands.back(), c.LastCommand) << c.Case;
        }
        if (c.Code != 101) {
            EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator{}), before)
                << c.Case << ": no report file";
        }
        if (c.Code == 80) {
            EXPECT_EQ(Slurp("123_00.spf"), "earlier report") << c.Case;
        }
    }
}

// The same dump with every unit, the console devices included: typed keys at the prompt,
// and the dump as the operator sees it in the screen buffer.
class DumpOnConsoleTest : public DumpRunTest {};

TEST_F(DumpOnConsoleTest, TheScreenShowsTheDumpLayoutAndTheFileIsTheSame) {
    const std::string report = Golden("report.txt");
    // The console text from its first rule on: the window is cleared before the dump.
    std::string console = Golden("console.txt");
    console.erase(0, console.find('\xC4'));
    regdump_test::InTempDir dir;
    Controller(GoldenController);
    fakeos::console::Reset(80, 300, 0x1E);
    // Typed after the start-up, which drops every key that is waiting by then.
    fakeos::console::Tap('3', '3', 0, 5);
    fakeos::console::Tap(VkReturn, 13, 0, 5);
    PressFinalKey();

    EXPECT_EQ(rtl::RunProgram(regdump::Units, regdump::UnitCount, regdump::Run), 0);

    EXPECT_EQ(Slurp("123_00.spf"), report);
    EXPECT_EQ(ff::StdoutText, "") << "the console devices write into the screen buffer";
    std::vector<std::string> expected = Lines(console);
    for (std::string& line : expected) line.erase(line.find_last_not_of(' ') + 1);
    for (size_t row = 0; row < expected.size(); ++row)
        EXPECT_EQ(fakeos::console::RowText(static_cast<int16_t>(row)), expected[row]) << "screen row " << row;
    EXPECT_EQ(fakeos::console::RowText(static_cast<int16_t>(expected.size())), "") << "nothing below the dump";
    const platform::Coord cursor = fakeos::console::Console.Screen.Cursor;
    EXPECT_EQ(cursor.X, 0);
    EXPECT_EQ(cursor.Y, static_cast<int16_t>(expected.size())) << "the cursor waits below the dump";
    EXPECT_EQ(platform::cells::At(fakeos::console::Console.Screen, 3, 5).Attributes, 0x1E)
        << "the dump keeps the console's start-up colours";
    EXPECT_TRUE(FinalKeyAwaited());
}

}  // namespace
