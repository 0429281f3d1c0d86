#include "rtl/program.h"

#include <atomic>
#include <string>

#include "platform/os.h"
#include "rtl/error_texts.h"
#include "rtl/textfile.h"

namespace rtl {

namespace {

// What the orderly exit needs to know, wherever it starts from.
struct ProgramState {
    const Unit* Units = nullptr;
    size_t Started = 0;
};
ProgramState Program;

// Read by an exit that starts on another thread (a console control event).
std::atomic<uint32_t> ExitCode{0};

// Stops the started units, last first, and closes the standard files. Errors on the way
// out change nothing any more: each is dropped so that the rest still closes.
void ShutDown() {
    while (Program.Started > 0) {
        const Unit& unit = Program.Units[--Program.Started];
        if (unit.Stop == nullptr) continue;
        try {
            unit.Stop();
        } catch (const IoError&) {
        }
    }
    for (TextFile* f : {&Input, &Output, &ErrOutput}) {
        PendingError = 0;
        if (f->Mode != FileMode::Closed) CloseFile(*f);
    }
    PendingError = 0;
}

}  // namespace

void WriteErrorReport(uint32_t code) {
    PendingError = 0;
    std::string report = "regdump stopped: input/output error " + std::to_string(code) + "\r\n" +
                         ErrorText(code) + ".\r\n\r\n";
    if (ErrOutput.Mode == FileMode::Output) {
        Write(ErrOutput, report);
        if (PendingError == 0) return;
        PendingError = 0;
    }
    // No usable standard error file: straight to the handle.
    uint32_t written = 0;
    platform::WriteFileBytes(platform::StandardHandle(platform::StdStream::Error), report.data(),
                             static_cast<uint32_t>(report.size()), written);
}

int RunProgram(const Unit* units, size_t count, void (*body)()) {
    Program = {units, 0};
    ExitCode = 0;
    ResetStandardFiles();
    int exitCode = 0;
    try {
        OpenRead(Input);
        OpenWrite(Output);
        OpenWrite(ErrOutput);
        CheckIo();
        for (size_t i = 0; i < count; ++i) {
            if (units[i].Start != nullptr) units[i].Start();
            Program.Started = i + 1;
        }
        body();
    } catch (const IoError& e) {
        ExitCode = 1;
        PendingError = 0;
        if (Output.Mode == FileMode::Output) FlushFile(Output);
        WriteErrorReport(e.Code);
        exitCode = 1;
    }
    ShutDown();
    return exitCode;
}

uint32_t CurrentExitCode() { return ExitCode; }

void Halt(uint32_t code) {
    ShutDown();
    platform::ExitProcess(code);
}

}  // namespace rtl
