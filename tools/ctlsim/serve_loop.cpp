#include "tools/ctlsim/serve_loop.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <deque>

#include "tools/ctlsim/protocol.h"

namespace ctlsim {

namespace {

constexpr int64_t LongestPollNs = 10'000'000;
// A line that never ends in CR is not a command; beyond this it is dropped.
constexpr size_t LongestCommand = 4096;
// How long the last reply before a hang-up may wait for the host to read it, and how long
// it waits at least: the terminal moves written bytes to the slave's queue a little later,
// so an empty queue right after the write proves nothing.
constexpr int64_t LastReplyWaitNs = 1'000'000'000;
constexpr int64_t LastReplyGraceNs = 20'000'000;

struct Outgoing {
    int64_t AtNs;
    std::string Bytes;
};

struct ServeState {
    std::chrono::steady_clock::time_point Origin = std::chrono::steady_clock::now();
    std::string Command;
    int64_t CommandStartNs = 0;
    std::deque<Outgoing> Outbox;
    int64_t LineFreeNs = 0;
    bool HangUpPending = false;
    bool Flooding = false;  // the flood fault has begun: commands go unanswered from now on
    int64_t LastReplySentNs = -1;
    ProtocolState Protocol;
};

int64_t NowNs(const ServeState& state) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() -
                                                                state.Origin)
        .count();
}

// Messages to a terminal end in CR LF: the command that shares it may have switched its
// output processing off, and a bare LF would then not return to the start of the line.
const char* LineEnd(std::FILE* out) { return isatty(fileno(out)) ? "\r\n" : "\n"; }

void LogLine(const ServeState& state, std::FILE* log, char direction, std::string_view bytes) {
    int64_t ns = NowNs(state);
    std::fprintf(log, "ctlsim: [%6lld.%03lld] %c %s%s", static_cast<long long>(ns / 1'000'000),
                 static_cast<long long>(ns / 1000 % 1000), direction, Printable(bytes).c_str(),
                 LineEnd(log));
}

// The timing that places bytes: on a real device the line itself paces them.
WireTiming PlacingTiming(const ServeConfig& config) {
    WireTiming timing = config.Timing;
    if (!config.PaceBytes) timing.Baud = 0;
    return timing;
}

// Puts `bytes` on the line after what is already there, or `turnaroundNs` after a command
// that ended at `commandEndNs`, whichever is later.
void Schedule(ServeState& state, const ServeConfig& config, ServeResult& result,
              int64_t commandEndNs, int64_t turnaroundNs, const std::string& bytes) {
    WireTiming timing = PlacingTiming(config);
    timing.TurnaroundNs = turnaroundNs;
    size_t at = 0;
    for (const Release& release : ScheduleReply(commandEndNs, bytes.size(), timing, state.LineFreeNs)) {
        state.Outbox.push_back({release.AtNs, bytes.substr(at, release.Bytes)});
        at += release.Bytes;
    }
    result.Tally.BytesOut += bytes.size();
}

void Answer(ServeState& state, const ServeConfig& config, ServeResult& result) {
    std::string command;
    command.swap(state.Command);
    Response response = Respond(command, config.Image, config.FaultSet, state.Protocol);
    if (config.Log) LogLine(state, config.Log, '>', command);
    if (!response.Known)
        std::fprintf(stderr, "ctlsim: unknown command \"%s\"%s", Printable(command).c_str(),
                     LineEnd(stderr));
    if (!response.Bytes.empty()) {
        int64_t end = CommandEndNs(state.CommandStartNs, command.size() + 1, PlacingTiming(config));
        Schedule(state, config, result, end, config.Timing.TurnaroundNs, response.Bytes);
        ++result.Tally.Turnarounds;
        if (config.Log)
            LogLine(state, config.Log, '<', (response.Flood ? "(flood) " : "") + response.Bytes);
    } else if (config.Log) {
        LogLine(state, config.Log, '<', "(no answer)");
    }
    if (response.HangUp) state.HangUpPending = true;
    if (response.Flood) state.Flooding = true;
}

// A flood goes on right behind its own last bytes for as long as the host holds the line.
void KeepFlooding(ServeState& state, const ServeConfig& config, ServeResult& result) {
    if (state.Flooding && state.Outbox.empty())
        Schedule(state, config, result, state.LineFreeNs, 0, FloodBytes);
}

void Receive(ServeState& state, const ServeConfig& config, ServeResult& result,
             std::string_view bytes, int64_t nowNs) {
    for (char byte : bytes) {
        ++result.Tally.BytesIn;
        if (state.HangUpPending || state.Flooding) continue;
        if (state.Command.empty()) {
            if (byte == '\n') continue;  // a host's stray line feed is no command
            state.CommandStartNs = nowNs;
        }
        if (byte == '\r') {
            Answer(state, config, result);
        } else if (state.Command.size() < LongestCommand) {
            state.Command += byte;
        }
    }
}

// Writes what is due; false when the line has failed.
bool SendDue(ServeState& state, const Line& line, int64_t nowNs, bool& blocked) {
    blocked = false;
    while (!state.Outbox.empty() && state.Outbox.front().AtNs <= nowNs) {
        std::string& bytes = state.Outbox.front().Bytes;
        ssize_t written = write(line.Fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                blocked = true;
                return true;
            }
            return false;
        }
        bytes.erase(0, static_cast<size_t>(written));
        if (bytes.empty()) state.Outbox.pop_front();
    }
    return true;
}

// Closing a pseudo-terminal's master discards what the slave still holds, so the hang-up
// waits until the host has read the last reply, for a bounded time.
bool LastReplyTaken(ServeState& state, const Line& line, int64_t nowNs) {
    if (line.HeldSlave < 0) return true;
    if (state.LastReplySentNs < 0) state.LastReplySentNs = nowNs;
    int waiting = 0;
    if (ioctl(line.HeldSlave, FIONREAD, &waiting) != 0) return true;
    int64_t waited = nowNs - state.LastReplySentNs;
    return (waiting == 0 && waited >= LastReplyGraceNs) || waited >= LastReplyWaitNs;
}

}  // namespace

std::string Printable(std::string_view bytes) {
    std::string text;
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == '\r') text += "<CR>";
        else if (byte == '\n') text += "<LF>";
        else if (byte == 3) text += "<ETX>";
        else if (byte < 32 || byte >= 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02x>", byte);
            text += hex;
        } else text += c;
    }
    return text;
}

ServeResult Serve(Line& line, const ServeConfig& config, const std::function<bool()>& keepGoing) {
    ServeState state;
    ServeResult result;
    while (keepGoing()) {
        int64_t now = NowNs(state);
        KeepFlooding(state, config, result);
        bool blocked = false;
        if (!SendDue(state, line, now, blocked)) {
            result.End = ServeEnd::LineLost;
            break;
        }
        if (state.HangUpPending && state.Outbox.empty() && LastReplyTaken(state, line, now)) {
            result.End = ServeEnd::HungUp;
            break;
        }

        int64_t waitNs = LongestPollNs;
        if (!state.Outbox.empty() && !blocked)
            waitNs = std::clamp(state.Outbox.front().AtNs - now, int64_t{0}, LongestPollNs);
        pollfd fds[2] = {{line.Fd, static_cast<short>(POLLIN | (blocked ? POLLOUT : 0)), 0},
                         {line.Watch, POLLIN, 0}};
        // To the nanosecond: a wait rounded up to whole milliseconds would send each reply
        // byte up to a millisecond late, and the line would look slower than it is.
        timespec timeout{static_cast<time_t>(waitNs / 1'000'000'000),
                         static_cast<long>(waitNs % 1'000'000'000)};
        int ready = ppoll(fds, line.Watch >= 0 ? 2 : 1, &timeout, nullptr);
        if (ready < 0) {
            if (errno == EINTR) continue;
            result.End = ServeEnd::LineLost;
            break;
        }
        if (fds[0].revents & POLLIN) {
            char bytes[4096];
            ssize_t got = read(line.Fd, bytes, sizeof bytes);
            if (got > 0) {
                Receive(state, config, result, std::string_view(bytes, static_cast<size_t>(got)),
                        NowNs(state));
            } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
                result.End = ServeEnd::LineLost;
                break;
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            result.End = ServeEnd::LineLost;
            break;
        }
        if (line.Watch >= 0 && (fds[1].revents & POLLIN) && HostClosed(line)) {
            // The host is gone: what it left half-sent or unread belongs to no one.
            state.Command.clear();
            state.Outbox.clear();
            state.Flooding = false;
        }
    }
    if (result.End != ServeEnd::Stopped) CloseLine(line);
    if (result.End == ServeEnd::HungUp && config.Log)
        std::fprintf(config.Log, "ctlsim: line closed after %u commands%s", state.Protocol.Commands,
                     LineEnd(config.Log));
    return result;
}

}  // namespace ctlsim
