// Fuzzes the typed-number read of standard input and the skip of the rest of its line,
// as the port prompt uses them, over arbitrary input: each number read, each input error
// and each line skipped must match a plain reading of the rules, also across the
// layer's 128-byte buffer refills.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "tests/fakeos/files.h"

namespace {

// Whether the word is wholly a number: a sign, a prefix, one or more digits of the base
// and nothing else, within the 32-bit range; `value` is then its value.
bool WhollyNumber(std::string_view w, int32_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < w.size() && (w[i] == '+' || w[i] == '-')) negative = w[i++] == '-';
    int base = 10;
    if (i < w.size() && (w[i] == '$' || w[i] == 'x' || w[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < w.size() && w[i] == '0' && (w[i + 1] == 'x' || w[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == w.size()) return false;
    long long magnitude = 0;
    for (; i < w.size(); ++i) {
        char c = w[i];
        int d = c >= '0' && c <= '9' ? c - '0' : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
              : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (d < 0) return false;
        magnitude = magnitude * base + d;
        if (magnitude > (negative ? 2147483648LL : 2147483647LL)) return false;
    }
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ResetSystem();
    std::string input(reinterpret_cast<const char*>(data), size);
    fakeos::files::StdinText = input;
    rtl::OpenRead(rtl::Input);
    rtl::CheckIo();

    size_t pos = 0;  // where the reference reading stands
    for (int round = 0; round < 16; ++round) {
        while (pos < size && static_cast<unsigned char>(input[pos]) <= 32) ++pos;
        bool atEnd = pos == size;
        size_t start = pos;
        while (pos < size && static_cast<unsigned char>(input[pos]) > 32 && pos - start < 32) ++pos;
        int32_t expected = 0;
        bool valid = atEnd || WhollyNumber(std::string_view(input).substr(start, pos - start), expected);

        int32_t got = rtl::ReadInteger(rtl::Input);
        uint32_t error = 0;
        try {
            rtl::CheckIo();
        } catch (const rtl::IoError& e) {
            error = e.Code;
        }
        FUZZ_CHECK(valid ? error == 0 : error == rtl::InvalidNumericInput);
        FUZZ_CHECK(got == (valid ? expected : 0));

        rtl::SkipLine(rtl::Input);
        rtl::CheckIo();
        while (pos < size && input[pos++] != '\n') {
        }
        // The next read starts where the reference stands: check it by what it finds.
        if (atEnd) break;
    }
    FUZZ_CHECK(rtl::Input.BufPos <= rtl::Input.BufEnd && rtl::Input.BufEnd <= rtl::TextBufferSize);
    return 0;
}
