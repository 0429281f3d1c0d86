#include "tests/fakeos/serial.h"

#include <algorithm>
#include <limits>
#include <list>
#include <memory>
#include <string_view>

#include "tests/fakeos/fakeos.h"

namespace fakeos::serial {

namespace {
std::list<Port> Ports;  // a list, so that references handed out stay valid
platform::Handle NextHandle = 0x4001;

constexpr uint32_t MaxDword = std::numeric_limits<uint32_t>::max();

std::string_view WithoutDevicePrefix(std::string_view name) {
    if (name.substr(0, 4) == "\\\\.\\") name.remove_prefix(4);
    return name;
}

// Keeps Incoming in order of arrival; bytes arriving at the same time keep the order
// in which they were sent.
void Schedule(Port& port, uint8_t byte, uint64_t at) {
    auto it = std::upper_bound(port.Incoming.begin(), port.Incoming.end(), at,
                               [](uint64_t t, const Arrival& a) { return t < a.At; });
    port.Incoming.insert(it, Arrival{byte, at});
}
}  // namespace

platform::SerialSettings InitialSettings() {
    platform::SerialSettings s{};
    s.DCBlength = 0;
    s.BaudRate = 1200;
    s.fBinary = 0;
    s.fParity = 1;
    s.fOutxCtsFlow = 1;
    s.fOutxDsrFlow = 1;
    s.fDtrControl = 2;
    s.fDsrSensitivity = 1;
    s.fTXContinueOnXoff = 1;
    s.fOutX = 1;
    s.fInX = 1;
    s.fErrorChar = 1;
    s.fNull = 1;
    s.fRtsControl = 2;
    s.fAbortOnError = 1;
    s.wReserved = 7;
    s.XonLim = 100;
    s.XoffLim = 200;
    s.ByteSize = 7;
    s.Parity = 1;
    s.StopBits = 2;
    s.XonChar = 17;
    s.XoffChar = 19;
    s.ErrorChar = '?';
    s.EofChar = 26;
    s.EvtChar = 10;
    s.wReserved1 = 9;
    return s;
}

platform::SerialTimeouts InitialTimeouts() { return {11, 22, 33, 44, 55}; }

Port& AddPort(const std::string& device) {
    Port* existing = Find(device);
    if (existing != nullptr) {
        *existing = Port{};
        existing->Device = device;
        return *existing;
    }
    Ports.emplace_back();
    Ports.back().Device = device;
    return Ports.back();
}

Port* Find(const std::string& device) {
    for (Port& p : Ports)
        if (p.Device == device) return &p;
    return nullptr;
}

Port* FindByHandle(platform::Handle handle) {
    for (Port& p : Ports)
        if (p.IsOpen && p.Handle == handle) return &p;
    return nullptr;
}

void Send(Port& port, const std::string& bytes, uint64_t at, uint64_t intervalMs) {
    for (size_t i = 0; i < bytes.size(); ++i) Schedule(port, static_cast<uint8_t>(bytes[i]), at + i * intervalMs);
}

size_t Receivable(const Port& port) {
    size_t n = 0;
    while (n < port.Incoming.size() && port.Incoming[n].At <= fakeos::Now()) ++n;
    return n;
}

size_t Pending(const Port& port) { return port.Incoming.size(); }

void Unplug(Port& port) { port.Present = false; }

void Release(Port& port) { port.IsOpen = false; }

Responder Sequence(std::vector<std::string> answers) {
    auto state = std::make_shared<std::pair<std::vector<std::string>, size_t>>(std::move(answers), 0);
    return [state](const std::string&) {
        auto& [list, next] = *state;
        return next < list.size() ? list[next++] : std::string();
    };
}

Responder Table(std::map<std::string, std::string> answers) {
    return [answers = std::move(answers)](const std::string& command) {
        auto it = answers.find(command);
        return it == answers.end() ? std::string() : it->second;
    };
}

}  // namespace fakeos::serial

namespace fakeos::detail {
void ResetSerial() {
    fakeos::serial::Ports.clear();
    fakeos::serial::NextHandle = 0x4001;
}
}  // namespace fakeos::detail

namespace platform {

namespace {

using fakeos::Request;
using fakeos::serial::Port;

bool Fails(Request r) { return fakeos::detail::Enter(r); }

bool Refuse(uint32_t code) {
    fakeos::detail::SetLastError(code);
    return false;
}

// The open port of a handle; sets InvalidHandle when there is none.
Port* PortOf(Handle handle) {
    Port* p = fakeos::serial::FindByHandle(handle);
    if (p == nullptr) fakeos::detail::SetLastError(Error::InvalidHandle);
    return p;
}

// The port of a handle that is still plugged in; sets the error otherwise.
Port* LivePortOf(Handle handle) {
    Port* p = PortOf(handle);
    if (p != nullptr && !p->Present) {
        fakeos::detail::SetLastError(Error::GenFailure);
        return nullptr;
    }
    return p;
}

void ReplyTo(Port& port, const std::string& command) {
    if (!port.Reply) return;
    std::string answer = port.Reply(command);
    fakeos::serial::Send(port, answer, fakeos::Now() + port.ReplyDelayMs, port.ByteIntervalMs);
}

}  // namespace

Handle OpenSerial(const char* device) {
    if (Fails(Request::OpenSerial)) return InvalidHandle;
    std::string_view asked(device);
    Port* port = fakeos::serial::Find(std::string(fakeos::serial::WithoutDevicePrefix(asked)));
    if (port == nullptr) port = fakeos::serial::Find(std::string(asked));
    if (port == nullptr || !port->Present) {
        fakeos::detail::SetLastError(Error::FileNotFound);
        return InvalidHandle;
    }
    if (port->IsOpen) {
        fakeos::detail::SetLastError(Error::AccessDenied);
        return InvalidHandle;
    }
    port->IsOpen = true;
    port->Handle = fakeos::serial::NextHandle++;
    port->OpenedAs = device;
    ++port->Opens;
    return port->Handle;
}

bool GetSerialSettings(Handle handle, SerialSettings& settings) {
    if (Fails(Request::GetSerialSettings)) return false;
    Port* p = PortOf(handle);
    if (p == nullptr) return false;
    settings = p->Settings;
    return true;
}

bool SetSerialSettings(Handle handle, const SerialSettings& settings) {
    if (Fails(Request::SetSerialSettings)) return false;
    Port* p = PortOf(handle);
    if (p == nullptr) return false;
    if (settings.BaudRate == 0 || settings.ByteSize < 5 || settings.ByteSize > 8 || settings.Parity > 4 ||
        settings.StopBits > 2)
        return Refuse(Error::InvalidParameter);
    p->Settings = settings;
    return true;
}

bool GetSerialTimeouts(Handle handle, SerialTimeouts& timeouts) {
    if (Fails(Request::GetSerialTimeouts)) return false;
    Port* p = PortOf(handle);
    if (p == nullptr) return false;
    timeouts = p->Timeouts;
    return true;
}

bool SetSerialTimeouts(Handle handle, const SerialTimeouts& timeouts) {
    if (Fails(Request::SetSerialTimeouts)) return false;
    Port* p = PortOf(handle);
    if (p == nullptr) return false;
    p->Timeouts = timeouts;
    return true;
}

bool SerialStatus(Handle handle, uint32_t& bytesWaiting) {
    if (Fails(Request::SerialStatus)) return false;
    Port* p = LivePortOf(handle);
    if (p == nullptr) return false;
    bytesWaiting = static_cast<uint32_t>(fakeos::serial::Receivable(*p));
    return true;
}

bool ReadSerial(Handle handle, void* buffer, uint32_t count, uint32_t& read) {
    if (Fails(Request::ReadSerial)) return false;
    Port* p = LivePortOf(handle);
    if (p == nullptr) return false;
    const SerialTimeouts& t = p->Timeouts;
    const uint64_t start = fakeos::Now();
    const size_t available = std::min<size_t>(count, p->Incoming.size());

    // How far the read lets the clock run: to the arrival of the last byte it takes, or to
    // the end of a time-out. The interval time-out runs from one byte to the next.
    size_t taken = 0;
    uint64_t end = start;
    bool returnAtOnce = t.ReadIntervalTimeout == fakeos::serial::MaxDword && t.ReadTotalTimeoutMultiplier == 0 &&
                        t.ReadTotalTimeoutConstant == 0;
    uint64_t total = uint64_t{t.ReadTotalTimeoutMultiplier} * count + t.ReadTotalTimeoutConstant;
    bool hasTotal = total > 0 && !returnAtOnce;
    bool hasInterval = t.ReadIntervalTimeout > 0 && t.ReadIntervalTimeout != fakeos::serial::MaxDword;
    while (taken < count) {
        uint64_t limit = std::numeric_limits<uint64_t>::max();
        if (returnAtOnce) limit = start;
        if (hasTotal) limit = std::min(limit, start + total);
        if (hasInterval && taken > 0) limit = std::min(limit, end + t.ReadIntervalTimeout);
        if (taken < available && std::max(p->Incoming[taken].At, start) <= limit) {
            end = std::max(end, p->Incoming[taken].At);
            ++taken;
            continue;
        }
        if (limit == std::numeric_limits<uint64_t>::max())
            throw fakeos::WouldBlockForever{"ReadSerial with no time-out and no more bytes scripted"};
        end = limit;
        break;
    }
    auto* out = static_cast<uint8_t*>(buffer);
    for (size_t i = 0; i < taken; ++i) out[i] = p->Incoming[i].Byte;
    p->Incoming.erase(p->Incoming.begin(), p->Incoming.begin() + static_cast<std::ptrdiff_t>(taken));
    fakeos::detail::AdvanceClock(end - start);
    read = static_cast<uint32_t>(taken);
    return true;
}

bool WriteSerial(Handle handle, const void* bytes, uint32_t count, uint32_t& written) {
    if (Fails(Request::WriteSerial)) return false;
    Port* p = LivePortOf(handle);
    if (p == nullptr) return false;
    const auto* in = static_cast<const char*>(bytes);
    for (uint32_t i = 0; i < count; ++i) {
        p->Written += in[i];
        if (in[i] == '\r') {
            std::string command = std::move(p->Partial);
            p->Partial.clear();
            p->Commands.push_back(command);
            ReplyTo(*p, command);
        } else {
            p->Partial += in[i];
        }
    }
    written = count;
    return true;
}

}  // namespace platform
