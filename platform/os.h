// The seam between regdump and the operating system.
//
// Every request the program makes of the system goes through the free functions
// declared here, in the program's own terms. One backend per platform defines them
// and is chosen at link time:
//   platform/win32/   kernel32, one call per request
//   platform/posix/   termios serial ports, a Unix terminal as the console, POSIX files
//   tests/fakeos/     an in-memory system with a virtual clock, for the unit tests
// Each backend keeps the same set of files: system.cpp, console.cpp, serial.cpp, files.cpp.
//
// Rules every backend keeps:
//  - A request reports failure by its result (false, or InvalidHandle) and then leaves
//    the failure's code, in Windows numbering, for LastError. A request that succeeds
//    leaves LastError as it was, as many Windows calls do: read it only after a failure.
//  - Out-parameters are written only on success unless a request says otherwise.
//  - Nothing here throws, and nothing blocks unless its comment says so.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// An open console buffer, serial port or file. Opaque to the program.
using Handle = std::intptr_t;
inline constexpr Handle InvalidHandle = -1;

// Windows error codes that the program and the backends name.
namespace Error {
inline constexpr uint32_t FileNotFound = 2;
inline constexpr uint32_t PathNotFound = 3;
inline constexpr uint32_t TooManyOpenFiles = 4;
inline constexpr uint32_t AccessDenied = 5;
inline constexpr uint32_t InvalidHandle = 6;
inline constexpr uint32_t NotReady = 21;
inline constexpr uint32_t GenFailure = 31;
inline constexpr uint32_t FileExists = 80;
inline constexpr uint32_t InvalidParameter = 87;
inline constexpr uint32_t DiskFull = 112;
}  // namespace Error

// ---------------------------------------------------------------------------------
// System (system.cpp)

// The code left by the last request on this thread that failed (see the rules above).
uint32_t LastError();

// Suspends the calling thread for about `ms` milliseconds. Blocks. Sleep(0) yields.
// The fake backend advances its virtual clock by exactly `ms` instead.
void Sleep(uint32_t ms);

// Ends the process with `code` at once; no destructors, no flushing. Does not return.
[[noreturn]] void ExitProcess(uint32_t code);

// ---------------------------------------------------------------------------------
// Console (console.cpp)
//
// A console is a screen buffer of character cells, each an 8-bit character (a byte of
// the output code page, 437 on the Windows console) and a 16-bit colour attribute, with
// a cursor; and an input queue of records. Cell coordinates are 0-based buffer cells.

struct Coord {
    int16_t X;
    int16_t Y;
};

// Inclusive rectangle of buffer cells.
struct Rect {
    int16_t Left;
    int16_t Top;
    int16_t Right;
    int16_t Bottom;
};

struct CharCell {
    uint8_t Char;
    uint16_t Attributes;
};

struct ScreenBufferInfo {
    Coord Size;        // the whole buffer, visible or not
    Coord Cursor;
    uint16_t Attributes;  // attribute that new text would get
    Rect Window;       // the part of the buffer shown on the screen
};

// Event types of an input record.
inline constexpr uint16_t KeyEventType = 1;
inline constexpr uint16_t MouseEventType = 2;
inline constexpr uint16_t ResizeEventType = 4;
inline constexpr uint16_t MenuEventType = 8;
inline constexpr uint16_t FocusEventType = 16;

// Control-key state flags of a key event.
inline constexpr uint32_t RightAltPressed = 0x0001;
inline constexpr uint32_t LeftAltPressed = 0x0002;
inline constexpr uint32_t RightCtrlPressed = 0x0004;
inline constexpr uint32_t LeftCtrlPressed = 0x0008;
inline constexpr uint32_t ShiftPressed = 0x0010;
inline constexpr uint32_t NumLockOn = 0x0020;
inline constexpr uint32_t ScrollLockOn = 0x0040;
inline constexpr uint32_t CapsLockOn = 0x0080;
inline constexpr uint32_t EnhancedKey = 0x0100;

// One console input record. For other event types than KeyEventType only EventType
// is meaningful.
struct InputRecord {
    uint16_t EventType;
    bool KeyDown;
    uint16_t RepeatCount;
    uint16_t VirtualKeyCode;   // Windows numbering
    uint16_t VirtualScanCode;
    uint8_t Char;              // in the console's input code page; 0 for none
    uint32_t ControlKeyState;
};

// Opens "CONIN$" (input queue) or "CONOUT$" (screen buffer) of the process's console
// for reading and writing, shared. Returns InvalidHandle on failure (no console).
Handle OpenConsole(const char* name);

// Sets the console mode of an input or output handle; 0 turns every mode off (no echo,
// no line input, no Ctrl+C processing). The POSIX backend takes any mode as raw mode.
bool SetConsoleMode(Handle console, uint32_t mode);

// Reads the screen buffer's size, cursor, current attribute and window.
bool GetScreenBufferInfo(Handle output, ScreenBufferInfo& info);

// Writes `ch` into `count` consecutive cells from `start`, row after row, stopping at
// the buffer's end; the attributes stay. `written` is the number of cells changed.
bool FillCharacters(Handle output, uint8_t ch, uint32_t count, Coord start, uint32_t& written);

// As FillCharacters, for the attribute; the characters stay.
bool FillAttributes(Handle output, uint16_t attr, uint32_t count, Coord start, uint32_t& written);

// Moves the cursor to a cell of the buffer; fails for a cell outside it.
bool SetCursor(Handle output, Coord cell);

// Moves the cells of `scroll` so that its top-left lands on `destination`; only cells
// inside `clip` change. Cells of `scroll` inside `clip` that nothing moved onto become
// `fill`.
bool ScrollRect(Handle output, Rect scroll, Rect clip, Coord destination, CharCell fill);

// Writes a block of `size` cells (row-major, size.X by size.Y) whose cell `origin` goes to
// region's top-left, into region clipped to the buffer. The cursor does not move.
// `region` comes back as the rectangle actually written.
bool WriteCells(Handle output, const CharCell* cells, Coord size, Coord origin, Rect& region);

// Number of input records waiting. Never blocks.
bool CountInput(Handle input, uint32_t& count);

// Copies up to `count` waiting records, oldest first, without removing them. Never blocks;
// `copied` may be 0.
bool PeekInput(Handle input, InputRecord* records, uint32_t count, uint32_t& copied);

// Removes and copies up to `count` records, oldest first. Blocks until at least one is
// there; `read` is then 1 or more.
bool ReadInput(Handle input, InputRecord* records, uint32_t count, uint32_t& read);

// Control events.
inline constexpr uint32_t CtrlCEvent = 0;
inline constexpr uint32_t CtrlBreakEvent = 1;
inline constexpr uint32_t CloseEvent = 2;
inline constexpr uint32_t LogoffEvent = 5;
inline constexpr uint32_t ShutdownEvent = 6;

// A console control handler: returns true when it handled the event. The system calls
// it on a thread of its own.
using ControlHandler = bool (*)(uint32_t event);

// Registers (add) or removes a console control handler.
bool SetControlHandler(ControlHandler handler, bool add);

// Sounds a tone of `hz` for `ms` milliseconds. Blocks for the tone's length.
bool Beep(uint32_t hz, uint32_t ms);

// Closes a console, serial or file handle.
bool CloseHandle(Handle handle);

// ---------------------------------------------------------------------------------
// Serial ports (serial.cpp)

// The serial settings record, field for field as the Windows DCB. The flags are kept
// one to a field; SerialFlagWord packs them as the DCB's 32-bit flag word does.
struct SerialSettings {
    uint32_t DCBlength;
    uint32_t BaudRate;
    uint8_t fBinary;
    uint8_t fParity;
    uint8_t fOutxCtsFlow;
    uint8_t fOutxDsrFlow;
    uint8_t fDtrControl;   // 2 bits
    uint8_t fDsrSensitivity;
    uint8_t fTXContinueOnXoff;
    uint8_t fOutX;
    uint8_t fInX;
    uint8_t fErrorChar;
    uint8_t fNull;
    uint8_t fRtsControl;   // 2 bits
    uint8_t fAbortOnError;
    uint16_t wReserved;
    uint16_t XonLim;
    uint16_t XoffLim;
    uint8_t ByteSize;
    uint8_t Parity;        // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits;      // 0 one, 1 one and a half, 2 two
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    uint16_t wReserved1;
};

inline constexpr uint32_t SerialSettingsSize = 28;
inline constexpr uint8_t NoParity = 0;
inline constexpr uint8_t OddParity = 1;
inline constexpr uint8_t EvenParity = 2;
inline constexpr uint8_t OneStopBit = 0;
inline constexpr uint8_t TwoStopBits = 2;
inline constexpr uint8_t DtrControlEnable = 1;
inline constexpr uint8_t RtsControlEnable = 1;

// The flags of a settings record packed into the DCB's 32-bit flag word.
constexpr uint32_t SerialFlagWord(const SerialSettings& s) {
    return (s.fBinary & 1u) | (s.fParity & 1u) << 1 | (s.fOutxCtsFlow & 1u) << 2 |
           (s.fOutxDsrFlow & 1u) << 3 | (s.fDtrControl & 3u) << 4 | (s.fDsrSensitivity & 1u) << 6 |
           (s.fTXContinueOnXoff & 1u) << 7 | (s.fOutX & 1u) << 8 | (s.fInX & 1u) << 9 |
           (s.fErrorChar & 1u) << 10 | (s.fNull & 1u) << 11 | (s.fRtsControl & 3u) << 12 |
           (s.fAbortOnError & 1u) << 14;
}

// Read and write time-outs of a serial port, in milliseconds, as the Windows COMMTIMEOUTS.
struct SerialTimeouts {
    uint32_t ReadIntervalTimeout;
    uint32_t ReadTotalTimeoutMultiplier;
    uint32_t ReadTotalTimeoutConstant;
    uint32_t WriteTotalTimeoutMultiplier;
    uint32_t WriteTotalTimeoutConstant;
};

// Opens the serial device of that name ("COM9", "\\.\COM10") for synchronous reading and
// writing, exclusively: a second open of an open device fails with AccessDenied.
// InvalidHandle on failure.
Handle OpenSerial(const char* device);

bool GetSerialSettings(Handle port, SerialSettings& settings);
bool SetSerialSettings(Handle port, const SerialSettings& settings);
bool GetSerialTimeouts(Handle port, SerialTimeouts& timeouts);
bool SetSerialTimeouts(Handle port, const SerialTimeouts& timeouts);

// The number of received bytes not yet read; also clears a pending line error. Never
// blocks. Fails when the device is gone.
bool SerialStatus(Handle port, uint32_t& bytesWaiting);

// Reads up to `count` bytes. Returns as soon as `count` bytes are there, or when the read
// time-outs run out with what has come (`read` may be 0). Blocks at most that long.
bool ReadSerial(Handle port, void* buffer, uint32_t count, uint32_t& read);

// Writes `count` bytes; `written` is how many went. Blocks within the write time-outs.
bool WriteSerial(Handle port, const void* bytes, uint32_t count, uint32_t& written);

// ---------------------------------------------------------------------------------
// Files (files.cpp)

enum class StdStream { Input, Output, Error };

// The process's standard input, output or error handle, as it was given; InvalidHandle
// when there is none.
Handle StandardHandle(StdStream stream);

// Creates a disk file for writing. With `replace` an existing file of that name is
// emptied; without, an existing name fails with FileExists and the file is untouched.
Handle CreateDiskFile(const char* name, bool replace);

// Writes to a disk file or a standard handle. A full disk is no failure: it shows as
// `written` below `count`. Blocks until written.
bool WriteFileBytes(Handle file, const void* bytes, uint32_t count, uint32_t& written);

// Reads from a disk file or a standard handle; `read` 0 means the end of the input.
// Blocks until something is there or the input ends.
bool ReadFileBytes(Handle file, void* buffer, uint32_t count, uint32_t& read);

// Looks up `pattern` (a name with no wild cards here), relative to the current directory,
// as a directory search that excludes no kind of entry: plain, read-only, hidden and
// system files and directories all match. On a match, `name` is the entry's name and the
// result is true; false when nothing matches or the search fails. No search stays open.
bool FindFirstEntry(const char* pattern, std::string& name);

}  // namespace platform
