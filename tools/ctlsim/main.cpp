// ctlsim: plays the controller that regdump reads, on a pseudo-terminal or a serial device.
// This file reads the options and starts one of the three ways of serving.
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "tools/ctlsim/run_command.h"

namespace {

constexpr const char* Usage =
    "usage: ctlsim [options] --pty                   serve a new pseudo-terminal, print its path\n"
    "       ctlsim [options] DEVICE                  serve a serial device\n"
    "       ctlsim [options] --com N -- COMMAND...   run COMMAND with REGDUMP_COM<N> set to a\n"
    "                                                new pseudo-terminal, serve it meanwhile\n"
    "\n"
    "register image:\n"
    "  --image FILE         \"DM109 123\" / \"T2 00150\" lines, or a report file regdump wrote;\n"
    "                       without it a built-in set (system number 123)\n"
    "timing (default: answers at once):\n"
    "  --baud B             each byte takes 11 bit times at B baud, both ways; on a device,\n"
    "                       the line's speed (default 9600)\n"
    "  --turnaround MS      the controller's reaction time before each reply\n"
    "  --grid MS            reply bytes held back to the next multiple of MS (USB latency)\n"
    "  --wire-time[=FILE]   at the end, the modelled wire time of the traffic served,\n"
    "                       on standard error or into FILE\n"
    "  --log[=FILE]         each command and reply, with the time, on standard error\n"
    "                       or into FILE\n"
    "faults:\n"
    "  --silent             no answer at all\n"
    "  --silent-greeting    no answer to \"CR\"\n"
    "  --lower-greeting     \"cc\" in place of \"CC\"\n"
    "  --etx                replies end with ETX in place of CR LF\n"
    "  --blank-lines[=N]    N empty CR LF lines ahead of each reply (default 1)\n"
    "  --no-terminator      replies without a line end\n"
    "  --long-reply[=N]     reply texts of 300 (or N) bytes\n"
    "  --unsolicited        an unasked line after each reply, before the next command\n"
    "  --garbage            garbage bytes ahead of each reply text\n"
    "  --flood              bytes without end and no line end in place of a reply; from\n"
    "                       then on, commands go unanswered until the host lets go\n"
    "  --hang-up-after N    close the line after the N-th command\n"
    "  --only COMMAND       the faults above hit only this command, e.g. --only \"RD DM25\";\n"
    "                       repeatable (greeting faults hit \"CR\" in any case, and\n"
    "                       --hang-up-after counts every command)\n";

struct Options {
    ctlsim::ServeConfig Config;
    bool Pty = false;
    unsigned Com = 0;
    std::string Device;
    bool BaudGiven = false;
    bool WireTime = false;
    std::string WireTimeFile;
    char** Command = nullptr;  // after "--"
};

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "ctlsim: %s\n%s", message.c_str(), Usage);
    std::exit(2);
}

unsigned long Number(const std::string& option, const char* text, unsigned long low,
                     unsigned long high) {
    char* end = nullptr;
    errno = 0;
    unsigned long value = std::strtoul(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high)
        Fail(option + " wants a whole number from " + std::to_string(low) + " to " +
             std::to_string(high) + ", not \"" + text + "\"");
    return value;
}

// Milliseconds, fractions allowed, as nanoseconds.
int64_t Milliseconds(const std::string& option, const char* text) {
    char* end = nullptr;
    double ms = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(ms >= 0) || ms > 60'000)
        Fail(option + " wants milliseconds from 0 to 60000, not \"" + text + "\"");
    return static_cast<int64_t>(ms * 1e6 + 0.5);
}

Options ReadOptions(int argc, char** argv) {
    Options options;
    ctlsim::Faults& faults = options.Config.FaultSet;
    unsigned baud = 9600;
    bool imageGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) Fail(arg + " wants a value");
            return argv[++i];
        };
        if (arg == "--") {
            options.Command = argv + i + 1;
            if (i + 1 >= argc) Fail("no command after --");
            break;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            std::exit(0);
        } else if (arg == "--pty") {
            options.Pty = true;
        } else if (arg == "--com") {
            options.Com = static_cast<unsigned>(Number(arg, value(), 1, 65535));
        } else if (arg == "--image") {
            ctlsim::ImageLoad load = ctlsim::LoadImageFile(value());
            if (!load.Ok) Fail(load.Error);
            options.Config.Image = load.Image;
            imageGiven = true;
        } else if (arg == "--baud") {
            baud = static_cast<unsigned>(Number(arg, value(), 50, 4'000'000));
            options.BaudGiven = true;
        } else if (arg == "--turnaround") {
            options.Config.Timing.TurnaroundNs = Milliseconds(arg, value());
        } else if (arg == "--grid") {
            options.Config.Timing.GridNs = Milliseconds(arg, value());
        } else if (arg == "--wire-time") {
            options.WireTime = true;
        } else if (arg.rfind("--wire-time=", 0) == 0) {
            options.WireTime = true;
            options.WireTimeFile = arg.substr(12);
        } else if (arg == "--log") {
            options.Config.Log = stderr;
        } else if (arg.rfind("--log=", 0) == 0) {
            options.Config.Log = std::fopen(arg.c_str() + 6, "we");
            if (!options.Config.Log) Fail(arg.substr(6) + ": " + std::strerror(errno));
            std::setvbuf(options.Config.Log, nullptr, _IOLBF, 0);
        } else if (arg == "--silent") {
            faults.Silent = true;
        } else if (arg == "--silent-greeting") {
            faults.SilentGreeting = true;
        } else if (arg == "--lower-greeting") {
            faults.LowerGreeting = true;
        } else if (arg == "--etx") {
            faults.EtxEnd = true;
        } else if (arg == "--blank-lines") {
            faults.BlankLines = 1;
        } else if (arg.rfind("--blank-lines=", 0) == 0) {
            faults.BlankLines = static_cast<int>(Number("--blank-lines", arg.c_str() + 14, 0, 100));
        } else if (arg == "--no-terminator") {
            faults.NoTerminator = true;
        } else if (arg == "--long-reply") {
            faults.LongReply = true;
        } else if (arg.rfind("--long-reply=", 0) == 0) {
            faults.LongReply = true;
            faults.LongReplyBytes = Number("--long-reply", arg.c_str() + 13, 1, 1'000'000);
        } else if (arg == "--unsolicited") {
            faults.Unsolicited = true;
        } else if (arg == "--garbage") {
            faults.Garbage = true;
        } else if (arg == "--flood") {
            faults.Flood = true;
        } else if (arg == "--hang-up-after") {
            faults.HangUpAfter = static_cast<unsigned>(Number(arg, value(), 1, 1'000'000));
        } else if (arg == "--only") {
            faults.Only.emplace_back(value());
        } else if (!arg.empty() && arg[0] == '-') {
            Fail("unknown option " + arg);
        } else if (options.Device.empty()) {
            options.Device = arg;
        } else {
            Fail("more than one device: " + options.Device + ", " + arg);
        }
    }
    if (!imageGiven) options.Config.Image = ctlsim::DefaultImage();

    int ways = (options.Pty ? 1 : 0) + (options.Com ? 1 : 0) + (options.Device.empty() ? 0 : 1);
    if (ways != 1) Fail("give exactly one of --pty, --com N -- COMMAND, or a device");
    if (options.Com && !options.Command) Fail("--com N wants -- and a command after it");
    if (!options.Com && options.Command) Fail("a command after -- goes with --com N");

    // On a pseudo-terminal nothing paces the bytes but the model, which only runs when a
    // baud rate is given; a device's own line runs at its speed in any case.
    if (options.Device.empty()) {
        if (options.BaudGiven) options.Config.Timing.Baud = baud;
    } else {
        if (!ctlsim::IsDeviceBaud(baud)) Fail("a serial device cannot run at " + std::to_string(baud) + " baud");
        options.Config.Timing.Baud = baud;
        options.Config.PaceBytes = false;
    }
    return options;
}

volatile sig_atomic_t StopRequested = 0;

void RequestStop(int) { StopRequested = 1; }

void ReportWireTime(const Options& options, const ctlsim::WireTally& tally) {
    if (!options.WireTime) return;
    // Without a baud rate the traffic is counted at the controller's 9600 baud.
    unsigned baud = options.Config.Timing.Baud ? options.Config.Timing.Baud : 9600;
    std::string report =
        "ctlsim: " + ctlsim::WireTimeReport(tally, baud, options.Config.Timing.TurnaroundNs);
    if (options.WireTimeFile.empty()) {
        std::fprintf(stderr, "%s\n", report.c_str());
        return;
    }
    FILE* file = std::fopen(options.WireTimeFile.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "ctlsim: %s: %s\n", options.WireTimeFile.c_str(), std::strerror(errno));
        return;
    }
    std::fprintf(file, "%s\n", report.c_str());
    std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
    // A log into a pipe that was closed must not end the simulator; the write just fails.
    signal(SIGPIPE, SIG_IGN);
    Options options = ReadOptions(argc, argv);
    ctlsim::Line line;
    std::string error;
    bool opened = options.Device.empty() ? ctlsim::OpenPtyLine(line, error)
                                         : ctlsim::OpenDeviceLine(line, options.Device,
                                                                  options.Config.Timing.Baud, error);
    if (!opened) {
        std::fprintf(stderr, "ctlsim: %s\n", error.c_str());
        return 1;
    }

    if (options.Com) {
        ctlsim::CommandRun run = ctlsim::RunCommand(line, options.Config, options.Com, options.Command);
        ReportWireTime(options, run.Served.Tally);
        ctlsim::CloseLine(line);
        return run.ExitCode;
    }

    struct sigaction stop = {};
    stop.sa_handler = RequestStop;
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGHUP, &stop, nullptr);
    if (options.Pty) {
        std::printf("%s\n", line.Path.c_str());
        std::fflush(stdout);
    }
    ctlsim::ServeResult served =
        ctlsim::Serve(line, options.Config, [] { return StopRequested == 0; });
    ReportWireTime(options, served.Tally);
    ctlsim::CloseLine(line);
    if (served.End == ctlsim::ServeEnd::LineLost) {
        std::fprintf(stderr, "ctlsim: the line failed\n");
        return 1;
    }
    return 0;
}
