// The report file's name: the system number, "_" and a counter text, the first of these
// that no directory entry has taken.
#pragma once

#include <cstdint>
#include <string>

namespace regdump {

// Every counter value a candidate can be made from; the search ends after the last.
inline constexpr uint32_t ReportCounterLimit = 65536;

// The base name (without the extension) of the first candidate from `counter` on whose
// name with the extension no directory entry has; `counter` is left one past it, so that
// a second call goes on with the next candidate. Empty once every counter value has been
// tried.
std::string NextReportName(uint16_t system, const std::string& extension, uint32_t& counter);

// The same from the first candidate on.
std::string NextReportName(uint16_t system, const std::string& extension);

}  // namespace regdump
