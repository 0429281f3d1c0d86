// The terminal console as a process sees it: the terminal raw while the console is open
// and exactly as it was after every kind of end; keys typed on the terminal through the
// console unit's key reader; no console without a controlling terminal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/posix/open_as_unit.h"
#include "bcrt/console_state.h"
#include "bcrt/keyboard.h"
#include "bcrt/screen.h"
#include "platform/os.h"
#include "platform/posix/terminal_render.h"
#include "rtl/program.h"
#include "rtl/textfile.h"
#include "tests/posix/pty_child.h"
#include "tests/posix/screen_model.h"

namespace {

namespace pf = platform;

int Report = -1;  // the child's report pipe, for its control handler
pid_t MainThread = 0;

using pty_test::OpenAsTheUnit;

// The console unit's way with a control event: end the program in order.
bool HaltOnEvent(uint32_t event) { rtl::Halt(10 + event); }

bool GoOnAfterCtrlC(uint32_t event) {
    bool ownThread = gettid() != MainThread;
    pty_test::Say(Report, "event " + std::to_string(event) + " on its own thread " + std::to_string(ownThread));
    return event == pf::CtrlCEvent;
}

// Unusual modes, so that a restore to some sane default does not pass for exact.
termios StartModes(const pty_test::Terminal& t) {
    termios m = pty_test::Modes(t);
    m.c_iflag |= IXANY;
    m.c_cc[VINTR] = 0x05;
    m.c_cc[VERASE] = 0x08;
    tcsetattr(t.Slave, TCSANOW, &m);
    return pty_test::Modes(t);
}

enum class End { Return, ErrorReport, ExitProcess, HupHandled, TermHandled, TermUnhandled, IntHandled, Abort };

struct EndCase {
    const char* Name;
    End How;
    int Signal;          // what the test sends once the console is raw; 0 none
    int WantExit;        // exit code, or -1 when the child dies of WantSignal
    int WantSignal;
};

int ChildEnding(End how, int report) {
    Report = report;
    MainThread = gettid();
    rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (how == End::ErrorReport) {
        return rtl::RunProgram(nullptr, 0, [] {
            OpenAsTheUnit();
            bcrt::ClearWindow();
            pty_test::Say(Report, "raw");
            bcrt::ReadKeyCode();
            throw rtl::IoError{5};
        });
    }
    OpenAsTheUnit();
    bcrt::ClearWindow();
    if (how == End::HupHandled || how == End::TermHandled) pf::SetControlHandler(HaltOnEvent, true);
    if (how == End::IntHandled) pf::SetControlHandler(GoOnAfterCtrlC, true);
    pty_test::Say(report, "raw");
    uint8_t key = bcrt::ReadKeyCode();  // waits for the key, or for the signal's end
    if (how == End::ExitProcess) rtl::Halt(3);
    if (how == End::Abort) std::abort();
    return key == 'k' ? 0 : 40 + key;
}

TEST(TerminalConsole, RawWhileOpenAndExactlyRestoredAfterEveryEnd) {
    const EndCase cases[] = {
        {"normal end", End::Return, 0, 0, 0},
        {"error report", End::ErrorReport, 0, 1, 0},
        {"ExitProcess", End::ExitProcess, 0, 3, 0},
        {"SIGHUP to the control handler", End::HupHandled, SIGHUP, 12, 0},
        {"SIGTERM to the control handler", End::TermHandled, SIGTERM, 12, 0},
        {"SIGTERM with no handler", End::TermUnhandled, SIGTERM, -1, SIGTERM},
        {"SIGINT handled goes on", End::IntHandled, SIGINT, 0, 0},
        {"abort", End::Abort, 0, -1, SIGABRT},
    };
    for (const EndCase& c : cases) {
        pty_test::Options options;
        options.Columns = 30;
        options.Rows = 5;
        // The modes are set before the child starts: open the terminal first.
        pty_test::Terminal t = pty_test::Start(options, [&c](int report) {
            // Wait until the test has set its modes and typed a line.
            char go = 0;
            if (read(0, &go, 1) != 1) return 90;
            return ChildEnding(c.How, report);
        });
        termios before = StartModes(t);
        pty_test::Type(t, "\n");
        ASSERT_TRUE(pty_test::WaitFor(t, "raw")) << c.Name;

        termios raw = pty_test::Modes(t);
        EXPECT_EQ(raw.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u) << c.Name;
        EXPECT_EQ(raw.c_iflag & (ICRNL | IXON), 0u) << c.Name;
        EXPECT_EQ(raw.c_oflag, before.c_oflag) << c.Name << ": output processing stays";

        if (c.Signal != 0) {
            kill(t.Child, c.Signal);
            if (c.How == End::IntHandled) {
                EXPECT_TRUE(pty_test::WaitFor(t, "event 0 on its own thread 1")) << c.Name;
                pty_test::Type(t, "k");
            }
        } else {
            pty_test::Type(t, "k");
        }
        int status = pty_test::Finish(t);
        termios after = pty_test::Modes(t);
        pty_test::Close(t);

        if (c.WantExit >= 0) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.WantExit) << c.Name << ": status " << status;
        } else {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.WantSignal) << c.Name << ": status " << status;
        }
        std::string why;
        EXPECT_TRUE(pty_test::SameModes(before, after, why)) << c.Name << ": " << why;
        const std::string reset = pf::posix::render::ResetText;
        EXPECT_TRUE(t.Output.size() >= reset.size() && t.Output.substr(t.Output.size() - reset.size()) == reset)
            << c.Name << ": the terminal's colours and cursor are put back last";
        if (c.How == End::ErrorReport) {
            EXPECT_NE(t.Output.find("regdump stopped: input/output error 5"), std::string::npos) << c.Name;
        }
    }
}

TEST(TerminalConsole, KeysTypedOnTheTerminalThroughTheKeyReader) {
    pty_test::Options options;
    options.Env = {{"LC_ALL", ""}, {"LC_CTYPE", ""}, {"LANG", "C.UTF-8"}};
    pty_test::Terminal t = pty_test::Start(options, [](int report) {
        OpenAsTheUnit();
        pty_test::Say(report, "ready");
        // F1 through the polling path: KeyWaiting, then two codes.
        bool waiting = false;
        for (int i = 0; i < 5000 && !(waiting = bcrt::KeyWaiting()); ++i) bcrt::PauseMs(1);
        uint8_t first = bcrt::ReadKeyCode();
        bool stillWaiting = bcrt::KeyWaiting();
        uint8_t second = bcrt::ReadKeyCode();
        pty_test::Say(report, "F1 " + std::to_string(waiting) + " " + std::to_string(first) + " " +
                                  std::to_string(stillWaiting) + " " + std::to_string(second));
        // Esc alone through the blocking read, which must settle it after the wait.
        pty_test::Say(report, "Esc " + std::to_string(bcrt::ReadKeyCode()));
        // Ctrl+C is a key in raw mode, and the rest of a line.
        std::string codes;
        for (int i = 0; i < 3; ++i) codes += " " + std::to_string(bcrt::ReadKeyCode());
        pty_test::Say(report, "keys" + codes);
        return 0;
    });
    ASSERT_TRUE(pty_test::WaitFor(t, "ready"));
    pty_test::Type(t, "\x1bOP");
    EXPECT_TRUE(pty_test::WaitFor(t, "F1 1 0 1 59")) << t.Heard;
    pty_test::Type(t, "\x1b");
    EXPECT_TRUE(pty_test::WaitFor(t, "Esc 27")) << t.Heard;
    pty_test::Type(t, "\x03" "a\r");
    EXPECT_TRUE(pty_test::WaitFor(t, "keys 3 97 13")) << t.Heard;
    int status = pty_test::Finish(t);
    pty_test::Close(t);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "Ctrl+C must not end the program: " << status;
}

TEST(TerminalConsole, HandlesAreTheConsolesOnlyWhileOpenAndNeedATerminal) {
    struct Case {
        const char* Name;
        bool Terminal;
    };
    for (const Case& c : {Case{"no controlling terminal", false}, Case{"with a terminal", true}}) {
        pty_test::Options options;
        options.ControllingTerminal = c.Terminal;
        pty_test::Terminal t = pty_test::Start(options, [](int report) {
            std::string heard;
            pf::Handle in = pf::OpenConsole("CONIN$");
            heard += in == pf::InvalidHandle ? " in:" + std::to_string(pf::LastError()) : " in:ok";
            pf::Handle out = pf::OpenConsole("CONOUT$");
            heard += out == pf::InvalidHandle ? " out:" + std::to_string(pf::LastError()) : " out:ok";
            pf::ScreenBufferInfo info{};
            heard += pf::GetScreenBufferInfo(in, info) ? " info(in):ok" : " info(in):" + std::to_string(pf::LastError());
            if (out != pf::InvalidHandle) {
                pf::CloseHandle(out);
                heard += pf::GetScreenBufferInfo(out, info) ? " closed:ok" : " closed:" + std::to_string(pf::LastError());
            }
            heard += pf::OpenConsole("CON") == pf::InvalidHandle ? " other:" + std::to_string(pf::LastError()) : "";
            pty_test::Say(report, "heard" + heard);
            return 0;
        });
        std::string want = c.Terminal ? "heard in:ok out:ok info(in):6 closed:6 other:2" : "heard in:6 out:6 info(in):6 other:2";
        EXPECT_TRUE(pty_test::WaitFor(t, want)) << c.Name << ": " << t.Heard;
        pty_test::Close(t);
    }
}

}  // namespace
