#include "rtl/textfile.h"

#include <cstring>
#include <string>

#include "rtl/number.h"

namespace rtl {

TextFile Input;
TextFile Output;
TextFile ErrOutput;
uint32_t PendingError = 0;

void CheckIo() {
    if (PendingError == 0) return;
    uint32_t code = PendingError;
    PendingError = 0;
    throw IoError{code};
}

namespace {

// --- Device operations shared by plain devices and disk files -----------------------

uint32_t WriteOut(TextFile& f) {
    uint32_t waiting = f.BufPos;
    f.BufPos = 0;
    if (waiting == 0) return 0;
    uint32_t written = 0;
    if (!platform::WriteFileBytes(f.Handle, f.BufPtr, waiting, written)) return platform::LastError();
    return written < waiting ? DiskFullError : 0;
}

uint32_t ReadIn(TextFile& f) {
    uint32_t read = 0;
    f.BufPos = 0;
    f.BufEnd = 0;
    if (!platform::ReadFileBytes(f.Handle, f.BufPtr, f.BufSize, read)) return platform::LastError();
    f.BufEnd = read;
    return 0;
}

uint32_t CloseStandard(TextFile&) { return 0; }  // the process's own handles stay open

uint32_t CloseDisk(TextFile& f) {
    return platform::CloseHandle(f.Handle) ? 0 : platform::LastError();
}

void SetStreamOps(TextFile& f) {
    if (f.Mode == FileMode::Input) {
        f.Transfer = ReadIn;
        f.Flush = nullptr;
    } else {
        f.Transfer = WriteOut;
        f.Flush = WriteOut;  // every write call reaches the device at once
    }
}

template <platform::StdStream Stream>
uint32_t OpenStandard(TextFile& f) {
    f.Handle = platform::StandardHandle(Stream);
    SetStreamOps(f);
    f.Close = CloseStandard;
    return 0;
}

uint32_t OpenDisk(TextFile& f, bool replace) {
    if (f.Mode != FileMode::Output) return platform::Error::AccessDenied;  // reports are only written
    f.Handle = platform::CreateDiskFile(f.Name, replace);
    if (f.Handle == platform::InvalidHandle) return platform::LastError();
    SetStreamOps(f);
    f.Close = CloseDisk;
    return 0;
}

uint32_t OpenDiskReplacing(TextFile& f) { return OpenDisk(f, true); }
uint32_t OpenDiskNew(TextFile& f) { return OpenDisk(f, false); }

// --- Layer internals ---------------------------------------------------------------

void Assign(TextFile& f, const char* name, DeviceOp open) {
    f = TextFile{};
    f.BufPtr = f.Buffer;
    f.Open = open;
    std::strncpy(f.Name, name, sizeof f.Name - 1);
}

void OpenWith(TextFile& f, FileMode mode) {
    if (PendingError != 0) return;
    if (f.Mode != FileMode::Closed) CloseFile(f);
    if (PendingError != 0) return;
    if (f.BufPtr == nullptr) {
        f.BufPtr = f.Buffer;
        f.BufSize = TextBufferSize;
    }
    f.Mode = mode;
    f.BufPos = 0;
    f.BufEnd = 0;
    uint32_t code = f.Open != nullptr ? f.Open(f) : FileNotOpenError;
    if (code != 0) {
        f.Mode = FileMode::Closed;
        PendingError = code;
    }
}

// True when the file is open in `mode` and no error is pending; otherwise leaves the
// error for a closed file or for one open the other way.
bool Ready(TextFile& f, FileMode mode, uint32_t wrongModeError) {
    if (PendingError != 0) return false;
    if (f.Mode != mode || f.Transfer == nullptr) {
        PendingError = f.Mode == FileMode::Closed ? FileNotOpenError : wrongModeError;
        return false;
    }
    return true;
}

bool ReadyForOutput(TextFile& f) { return Ready(f, FileMode::Output, NotOpenForOutputError); }
bool ReadyForInput(TextFile& f) { return Ready(f, FileMode::Input, NotOpenForInputError); }

void Put(TextFile& f, const char* bytes, size_t count) {
    for (size_t i = 0; i < count && PendingError == 0; ++i) {
        f.BufPtr[f.BufPos++] = bytes[i];
        if (f.BufPos >= f.BufSize) {
            uint32_t code = f.Transfer(f);
            if (code != 0) PendingError = code;
        }
    }
}

void EndWriteCall(TextFile& f) {
    if (PendingError != 0 || f.Flush == nullptr) return;
    uint32_t code = f.Flush(f);
    if (code != 0) PendingError = code;
}

void PutLineEnd(TextFile& f) {
    if (f.LineBreakCrLf) Put(f, "\r\n", 2);
    else Put(f, "\n", 1);
}

// The next byte without taking it; -1 at the end of the input or after an error.
int Peek(TextFile& f) {
    if (f.BufPos >= f.BufEnd) {
        uint32_t code = f.Transfer(f);
        if (code != 0) {
            PendingError = code;
            return -1;
        }
        if (f.BufPos >= f.BufEnd) return -1;
    }
    return static_cast<unsigned char>(f.BufPtr[f.BufPos]);
}

}  // namespace

void AssignStandard(TextFile& file, platform::StdStream stream) {
    switch (stream) {
        case platform::StdStream::Input: Assign(file, "", OpenStandard<platform::StdStream::Input>); break;
        case platform::StdStream::Output: Assign(file, "", OpenStandard<platform::StdStream::Output>); break;
        case platform::StdStream::Error: Assign(file, "", OpenStandard<platform::StdStream::Error>); break;
    }
}

void AssignDisk(TextFile& file, const char* name) { Assign(file, name, OpenDiskReplacing); }

void OpenRead(TextFile& file) { OpenWith(file, FileMode::Input); }

void OpenWrite(TextFile& file) { OpenWith(file, FileMode::Output); }

void OpenWriteNew(TextFile& file) {
    if (file.Open == OpenDiskReplacing) file.Open = OpenDiskNew;
    OpenWith(file, FileMode::Output);
}

void CloseFile(TextFile& file) {
    if (PendingError != 0) return;
    if (file.Mode == FileMode::Closed) {
        PendingError = FileNotOpenError;
        return;
    }
    uint32_t code = 0;
    if (file.Mode == FileMode::Output && file.Transfer != nullptr) code = file.Transfer(file);
    uint32_t closeCode = file.Close != nullptr ? file.Close(file) : 0;
    if (code == 0) code = closeCode;
    // The device's close may have reset the record itself; closed it is, either way.
    file.Mode = FileMode::Closed;
    file.Handle = platform::InvalidHandle;
    if (code != 0) PendingError = code;
}

void Write(TextFile& file, std::string_view text) {
    if (!ReadyForOutput(file)) return;
    Put(file, text.data(), text.size());
    EndWriteCall(file);
}

void WriteChar(TextFile& file, char ch) { Write(file, std::string_view(&ch, 1)); }

void WriteInt(TextFile& file, int64_t value, int width) {
    std::string digits = std::to_string(value);
    if (width > 0 && digits.size() < static_cast<size_t>(width))
        digits.insert(0, static_cast<size_t>(width) - digits.size(), ' ');
    Write(file, digits);
}

void WriteLine(TextFile& file, std::string_view text) {
    if (!ReadyForOutput(file)) return;
    Put(file, text.data(), text.size());
    PutLineEnd(file);
    EndWriteCall(file);
}

void FlushFile(TextFile& file) {
    if (!ReadyForOutput(file)) return;
    uint32_t code = file.Transfer(file);
    if (code != 0) PendingError = code;
}

int32_t ReadInteger(TextFile& file) {
    if (!ReadyForInput(file)) return 0;
    int c = Peek(file);
    while (c >= 0 && c <= 32) {
        ++file.BufPos;
        c = Peek(file);
    }
    if (c < 0) return 0;
    std::string word;
    while (c > 32 && word.size() < 32) {
        word += static_cast<char>(c);
        ++file.BufPos;
        c = Peek(file);
    }
    if (PendingError != 0) return 0;
    size_t stop = 0;
    int32_t value = ValueOf(word, stop);
    if (stop != 0) {
        PendingError = InvalidNumericInput;
        return 0;
    }
    return value;
}

void SkipLine(TextFile& file) {
    if (!ReadyForInput(file)) return;
    for (int c = Peek(file); c >= 0; c = Peek(file)) {
        ++file.BufPos;
        if (c == '\n') return;
    }
}

void ResetStandardFiles() {
    PendingError = 0;
    AssignStandard(Input, platform::StdStream::Input);
    AssignStandard(Output, platform::StdStream::Output);
    AssignStandard(ErrOutput, platform::StdStream::Error);
}

}  // namespace rtl
