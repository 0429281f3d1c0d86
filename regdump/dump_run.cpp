#include "regdump/dump_run.h"

#include <string_view>

#include "ComLibN/ComLibN.h"
#include "ComLibN/console_text.h"
#include "bcrt/keyboard.h"
#include "bcrt/screen.h"
#include "ctllink/ctllink.h"
#include "platform/os.h"
#include "regdump/port_prompt.h"
#include "regdump/report_name.h"
#include "regdump/units.h"
#include "rtl/number.h"

namespace regdump {

uint16_t RegisterValues[RegisterTableSize];
std::string ReportLine;
rtl::TextFile ReportFile;
uint16_t PortNumber = 0;
uint16_t SystemNumber = 0;

static_assert([] {
    for (const RegisterBlock& block : RegisterBlocks)
        if (block.Last >= RegisterTableSize) return false;
    return true;
}());

namespace {

void Show(std::string_view text) {
    rtl::Write(rtl::Output, text);
    rtl::CheckIo();
}

void ShowRule(size_t width) { Show(std::string(width, RuleChar)); }

void FileLine(std::string_view text) {
    rtl::WriteLine(ReportFile, text);
    rtl::CheckIo();
}

void FileText(std::string_view text) {
    rtl::Write(ReportFile, text);
    rtl::CheckIo();
}

// A reply as a register value: the low 16 bits of its conversion. A reply that doesn't
// convert to its end keeps the value of its digits before the stop, unreported.
uint16_t RegisterValue(const std::string& reply) {
    size_t stop = 0;
    return static_cast<uint16_t>(rtl::ValueOf(reply, stop));
}

}  // namespace

void CreateReport() {
    uint32_t counter = 0;
    for (;;) {
        std::string base = NextReportName(SystemNumber, std::string(ReportExtension), counter);
        if (base.empty()) {
            // Every name is taken: the run ends as a create over an existing name would.
            rtl::PendingError = platform::Error::FileExists;
            rtl::CheckIo();
        }
        std::string name = base + std::string(ReportExtension);
        rtl::AssignDisk(ReportFile, name.c_str());
        rtl::OpenWriteNew(ReportFile);
        if (rtl::PendingError != platform::Error::FileExists) break;
        rtl::PendingError = 0;  // taken since the search: on to the next candidate
    }
    rtl::CheckIo();
}

void ReadBlock(const RegisterBlock& block) {
    for (uint32_t n = block.First; n <= block.Last; ++n) {
        const uint16_t word = static_cast<uint16_t>(n);
        std::string reply;
        ctllink::ReadDataText(PortNumber, word, reply);
        RegisterValues[word] = RegisterValue(reply);
        if (word % 10 == 0) {
            // At a block's first row this writes its empty line, or at the block after
            // a joined one the line end of the row still open.
            FileLine(ReportLine);
            ComLibN::ScreenNewLine();
            ReportLine = RowStart(word);
            Show(ReportLine);
        }
        std::string cell = FormatCell(RegisterValues[word]);
        ReportLine += cell;
        Show(cell);
    }
}

void Run() {
    bcrt::ClearWindow();
    PortNumber = AskPortNumber();

    int32_t opened = ctllink::OpenControllerPort(PortNumber);
    Show(std::to_string(opened));
    ComLibN::ScreenNewLine();

    // The report's name takes 0 when the controller does not answer the greeting.
    SystemNumber = 0;
    std::string greeting;
    ctllink::ProbeController(PortNumber, greeting);
    if (greeting == "CC") {
        SystemNumber = static_cast<uint16_t>(ctllink::ReadDataNumber(PortNumber, 109));
        Show("System " + std::to_string(SystemNumber) + " found");
        ComLibN::WaitTenths(5);
    }
    ComLibN::ScreenNewLine();
    ComLibN::WaitTenths(1);

    CreateReport();

    bcrt::ClearWindow();
    ShowRule(WideRule);
    ComLibN::ScreenNewLine();
    FileLine(HeaderText);
    Show(HeaderText);
    ComLibN::ScreenNewLine();
    // Left open: the first row's line end closes it.
    ShowRule(NarrowRule);
    ReportLine.clear();

    for (const RegisterBlock& block : RegisterBlocks) {
        ReadBlock(block);
        if (block.JoinsNext) {
            FileText(ReportLine);
        } else {
            FileLine(ReportLine);
            ComLibN::ScreenNewLine();
        }
        ReportLine.clear();
    }

    ShowRule(WideRule);
    ComLibN::ScreenNewLine();
    FileLine({});
    ComLibN::ScreenNewLine();
    FileLine(TimersTitle);
    Show(TimersTitle);
    ComLibN::ScreenNewLine();
    FileLine({});
    ComLibN::ScreenNewLine();

    for (const TimerLine& timer : Timers) {
        std::string text;
        ctllink::ReadTimer(PortNumber, timer.Timer, text);
        std::string line = timer.Label + text;
        FileLine(line);
        Show(line);
        ComLibN::ScreenNewLine();
    }
    FileLine({});
    ComLibN::ScreenNewLine();

    rtl::CloseFile(ReportFile);
    rtl::CheckIo();

    bcrt::ReadKeyCode();
}

}  // namespace regdump
