// Assigning, opening and closing the two console devices.
#include <cstring>

#include "bcrt/console_devices.h"
#include "bcrt/console_state.h"
#include "bcrt/control_handler.h"
#include "bcrt/device_guard.h"
#include "bcrt/screen.h"
#include "platform/os.h"

namespace bcrt {

namespace {

void UseOwnBufferIfNone(rtl::TextFile& file) {
    if (file.BufPtr != nullptr) return;
    file.BufPtr = file.Buffer;
    file.BufSize = rtl::TextBufferSize;
}

uint32_t OpenInput(rtl::TextFile& file) {
    // A console that can't be opened is not noticed here: every key read then answers 255.
    Console.InputHandle = platform::OpenConsole("CONIN$");
    file.Handle = Console.InputHandle;
    file.Mode = rtl::FileMode::Input;
    UseOwnBufferIfNone(file);
    // Mode 0: no echo and no line input by the console, and Ctrl+C arrives as key code 3
    // instead of as a control event.
    platform::SetConsoleMode(file.Handle, 0);
    platform::SetControlHandler(ControlHandler, true);
    file.Transfer = ReadEditedLine;
    file.Flush = FlushInput;
    file.Close = CloseConsole;
    return 0;
}

uint32_t OpenOutput(rtl::TextFile& file) {
    Console.OutputHandle = platform::OpenConsole("CONOUT$");
    // The layer takes a new line-break flag only from a closed file.
    file.Mode = rtl::FileMode::Closed;
    file.LineBreakCrLf = true;
    file.Handle = Console.OutputHandle;
    file.Mode = rtl::FileMode::Output;
    UseOwnBufferIfNone(file);
    ReadScreenInfo();
    platform::ScreenBufferInfo info{};
    if (!platform::GetScreenBufferInfo(file.Handle, info)) {
        // Back to closed with no operations: the error report and the shut-down that
        // follow must not call into a device that never opened.
        uint32_t code = platform::LastError();
        file.Mode = rtl::FileMode::Closed;
        file.Handle = platform::InvalidHandle;
        file.Transfer = nullptr;
        file.Flush = nullptr;
        file.Close = nullptr;
        return code;
    }
    platform::SetConsoleMode(file.Handle, 0);
    file.Transfer = WriteConsoleChars;
    file.Flush = WriteConsoleChars;
    file.Close = CloseConsole;
    return 0;
}

}  // namespace

void AssignConsole(rtl::TextFile& file) {
    file.Mode = rtl::FileMode::Closed;
    file.BufSize = rtl::TextBufferSize;
    file.BufPtr = file.Buffer;
    file.Open = OpenConsole;
    file.Transfer = nullptr;
    file.Flush = nullptr;
    file.Close = nullptr;
    file.Name[0] = '\0';
}

uint32_t OpenConsole(rtl::TextFile& file) {
    DeviceAccess access = EnterDevice();
    if (!access.Usable) return rtl::FileNotOpenError;
    switch (file.Mode) {
        case rtl::FileMode::Input: return OpenInput(file);
        case rtl::FileMode::Output: return OpenOutput(file);
        default: return 0;
    }
}

uint32_t CloseConsole(rtl::TextFile& file) {
    DeviceAccess access = EnterDevice();
    if (!access.Usable) return rtl::FileNotOpenError;
    platform::CloseHandle(file.Handle);
    file.Handle = platform::InvalidHandle;
    file.Mode = rtl::FileMode::Closed;
    file.LineBreakCrLf = false;
    file.BufSize = 0;
    file.BufPos = 0;
    file.BufEnd = 0;
    file.BufPtr = nullptr;
    file.Open = nullptr;
    file.Transfer = nullptr;
    file.Flush = nullptr;
    file.Close = nullptr;
    std::memset(file.Name, 0, sizeof file.Name);
    std::memset(file.Buffer, 0, sizeof file.Buffer);
    return 0;
}

}  // namespace bcrt
