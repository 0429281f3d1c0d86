// A child process whose controlling terminal is a pseudo-terminal of the test: the
// console backend opens it as "CONIN$" and "CONOUT$" as it would a real terminal. The
// test types on the terminal, reads what the child drew, and hears from the child on a
// report pipe. Every wait is bounded.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pty_test {

struct Terminal {
    int Master = -1;
    int Slave = -1;     // kept open by the test, to read the terminal's modes
    pid_t Child = -1;
    int Report = -1;    // the child's report pipe, read end
    std::string Output; // everything the child wrote on the terminal so far
    std::string Heard;  // everything the child reported so far
};

struct Options {
    unsigned short Columns = 80;
    unsigned short Rows = 25;
    std::vector<std::pair<std::string, std::string>> Env;  // set in the child; "" value unsets
    bool ControllingTerminal = true;
};

// The body runs in the child with the report pipe's write end; its result is the exit
// code (through exit, so that exit handlers run). It must not use gtest assertions.
using Body = std::function<int(int report)>;

// Opens a pseudo-terminal and starts the child on it.
Terminal Start(const Options& options, const Body& body);

// Writes a line to the report pipe, from the child.
void Say(int report, const std::string& line);

// Waits until the child has reported `text`, reading its terminal output meanwhile.
// False after `seconds`.
bool WaitFor(Terminal& t, const std::string& text, double seconds = 10);

// Types bytes on the terminal's keyboard.
void Type(Terminal& t, const std::string& bytes);

// Waits for the child's end (killing it after `seconds`) and returns its wait status;
// -1 when it had to be killed. The terminal's output is read to the end.
int Finish(Terminal& t, double seconds = 10);

// Closes the test's side of the terminal.
void Close(Terminal& t);

// The modes of the terminal as the test sees them.
termios Modes(const Terminal& t);

// Whether two sets of modes are the same in every flag, control character and speed;
// the first difference in `why`.
bool SameModes(const termios& a, const termios& b, std::string& why);

}  // namespace pty_test
