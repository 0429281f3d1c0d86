// The process around the program: start-up of the units in order, the program body,
// the shut-down in reverse order, the closing of the standard files, and the exit code;
// an input/output error that nothing caught ends it with the error report.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rtl {

// A unit of the program with its start-up and shut-down steps (either may be null).
struct Unit {
    const char* Name;
    void (*Start)();
    void (*Stop)();
};

// Opens the standard files, starts the units in order, runs the body, stops the started
// units in reverse order and closes standard input, output and error. Returns the exit
// code: 0, or 1 after an input/output error, which it reports on standard error first.
int RunProgram(const Unit* units, size_t count, void (*body)());

// The exit code that the program would end with now: 0, or 1 once an input/output
// error has ended its run.
uint32_t CurrentExitCode();

// Ends the program from anywhere through the same orderly exit (the started units' stop
// steps, the standard files closed), then the process, with `code`. Does not return.
[[noreturn]] void Halt(uint32_t code);

// The two lines of the error report for an input/output error and the empty line after
// them, as they go to standard error.
void WriteErrorReport(uint32_t code);

}  // namespace rtl
