// Files of the in-memory system: the standard streams are strings that a test fills and
// reads; disk files are real files in the current working directory (tests run in a
// temporary one), with a free-space budget that makes a full disk on demand.
#pragma once

#include <cstdint>
#include <string>

namespace fakeos::files {

inline constexpr intptr_t StdinHandle = 0x2001;
inline constexpr intptr_t StdoutHandle = 0x2002;
inline constexpr intptr_t StderrHandle = 0x2003;

extern std::string StdinText;   // what reads of standard input deliver, then the end
extern std::string StdoutText;  // everything written to standard output
extern std::string StderrText;  // everything written to standard error

// Bytes that disk-file writes may still add before the disk is full; negative: no limit.
extern int64_t DiskFreeBytes;

// Every WriteFileBytes on a disk file, in order, with the bytes it carried.
std::string DiskWrite(size_t index);
size_t DiskWriteCount();

// Every handle that CloseHandle was given, in order.
size_t ClosedCount();
intptr_t Closed(size_t index);

}  // namespace fakeos::files
