#include <array>

#include "tests/fakeos/fakeos.h"

namespace fakeos {

namespace {
struct Injection {
    uint32_t Code = 0;
    int Times = 0;  // < 0: every call
};
std::array<uint64_t, static_cast<size_t>(Request::Count_)> CallCounts{};
std::array<Injection, static_cast<size_t>(Request::Count_)> Failures{};
uint64_t Clock = 0;
std::vector<uint32_t> SleepLog;
uint32_t LastErrorCode = 0;
}  // namespace

void Reset() {
    CallCounts.fill(0);
    Failures.fill({});
    Clock = 0;
    SleepLog.clear();
    LastErrorCode = 0;
    detail::ResetConsole();
    detail::ResetSerial();
    detail::ResetFiles();
}

uint64_t Calls(Request request) { return CallCounts[static_cast<size_t>(request)]; }

void Fail(Request request, uint32_t code, int times) { Failures[static_cast<size_t>(request)] = {code, times}; }

uint64_t Now() { return Clock; }

const std::vector<uint32_t>& Sleeps() { return SleepLog; }

namespace detail {

bool Enter(Request request) {
    auto i = static_cast<size_t>(request);
    ++CallCounts[i];
    Injection& f = Failures[i];
    if (f.Times == 0) return false;
    if (f.Times > 0) --f.Times;
    LastErrorCode = f.Code;
    return true;
}

void SetLastError(uint32_t code) { LastErrorCode = code; }

void AdvanceClock(uint64_t ms) { Clock += ms; }

}  // namespace detail
}  // namespace fakeos

namespace platform {

uint32_t LastError() { return fakeos::LastErrorCode; }

void Sleep(uint32_t ms) {
    fakeos::detail::Enter(fakeos::Request::Sleep);
    fakeos::SleepLog.push_back(ms);
    fakeos::Clock += ms;
}

void ExitProcess(uint32_t code) { throw fakeos::ProcessExited{code}; }

}  // namespace platform
