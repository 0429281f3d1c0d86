// The text-file layer: buffered text files over the platform's handles.
//
// A text file is a plain record with a 128-byte buffer and four device operations (open,
// transfer, flush, close) that the layer calls; the standard input, output and error
// files and the report file are such records. The layer's write and read calls never
// raise: a failure leaves a pending error code, and CheckIo, called after each call,
// raises it as the one error that travels, IoError. While a code is pending, further
// calls do nothing.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/os.h"

namespace rtl {

enum class FileMode : uint8_t { Closed, Input, Output, InOut };

inline constexpr uint32_t TextBufferSize = 128;

struct TextFile;

// A device operation: takes the record, returns 0 or an error code.
using DeviceOp = uint32_t (*)(TextFile& file);

struct TextFile {
    platform::Handle Handle = platform::InvalidHandle;
    FileMode Mode = FileMode::Closed;
    bool LineBreakCrLf = true;  // a line end is CR LF when set, LF alone when clear
    uint32_t BufSize = TextBufferSize;
    uint32_t BufPos = 0;  // output: bytes waiting; input: next byte to hand out
    uint32_t BufEnd = 0;  // input: valid bytes in the buffer
    char* BufPtr = nullptr;
    DeviceOp Open = nullptr;
    DeviceOp Transfer = nullptr;
    DeviceOp Flush = nullptr;
    DeviceOp Close = nullptr;
    char Name[256] = {};
    char Buffer[TextBufferSize] = {};
};

// The standard text files.
extern TextFile Input;
extern TextFile Output;
extern TextFile ErrOutput;

// The error code left by the last failed call; 0 when none is pending.
extern uint32_t PendingError;

// Layer error codes of its own (the others are the operating system's).
inline constexpr uint32_t DiskFullError = 101;
inline constexpr uint32_t FileNotOpenError = 103;
inline constexpr uint32_t NotOpenForInputError = 104;
inline constexpr uint32_t NotOpenForOutputError = 105;
inline constexpr uint32_t InvalidNumericInput = 106;

// The error that travels: a failed input or output operation and its code.
struct IoError {
    uint32_t Code;
};

// Raises the pending error, if any, as IoError (and clears it).
void CheckIo();

// Makes the record a closed plain device on a standard handle of the process.
void AssignStandard(TextFile& file, platform::StdStream stream);

// Makes the record a closed disk file of that name.
void AssignDisk(TextFile& file, const char* name);

// Opens a closed file for reading or for writing (a disk file is created, replacing one
// of the same name).
void OpenRead(TextFile& file);
void OpenWrite(TextFile& file);

// Opens a closed disk file for writing as a new file: fails with the FileExists code
// when the name is taken, leaving that file as it was.
void OpenWriteNew(TextFile& file);

// Writes out what is waiting and closes the file.
void CloseFile(TextFile& file);

// One write call each; the file's flush operation runs at the end of every call.
void Write(TextFile& file, std::string_view text);
void WriteChar(TextFile& file, char ch);
void WriteInt(TextFile& file, int64_t value, int width = 0);  // right-aligned in width
void WriteLine(TextFile& file, std::string_view text = {});  // text, then a line end

// Writes out what is waiting in an output file.
void FlushFile(TextFile& file);

// Reads an integer: skips bytes up to 32 across lines, takes the following run of bytes
// above 32 (at most 32) and converts it by ValueOf. A run that is not wholly a number
// leaves InvalidNumericInput pending. Input that ends before any number gives 0.
int32_t ReadInteger(TextFile& file);

// Reads and drops the rest of the current line, its line end included.
void SkipLine(TextFile& file);

// Puts the three standard files back to closed plain devices with no error pending.
void ResetStandardFiles();

}  // namespace rtl
