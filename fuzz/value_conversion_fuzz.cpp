// Fuzzes the value conversion of controller replies and typed numbers against a second,
// plainly written reading of its rules, and checks that every 32-bit value survives the
// trip through its decimal and hexadecimal texts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "rtl/number.h"

namespace {

struct Conversion {
    int32_t Value;
    size_t Stop;
};

int Digit(char c, int base) {
    int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
    return d < base ? d : -1;
}

// The rules, read step by step: blanks, a sign, a prefix, then digits as long as they
// keep the value in range.
Conversion Reference(std::string_view t) {
    size_t i = 0;
    while (i < t.size() && t[i] == ' ') ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    int base = 10;
    if (t.substr(i, 1) == "$" || t.substr(i, 1) == "x" || t.substr(i, 1) == "X") {
        base = 16;
        i += 1;
    } else if (t.size() - i >= 2 && (t.substr(i, 2) == "0x" || t.substr(i, 2) == "0X")) {
        base = 16;
        i += 2;
    }
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    long long value = 0;
    size_t first = i;
    while (i < t.size() && Digit(t[i], base) >= 0 && value * base + Digit(t[i], base) <= limit)
        value = value * base + Digit(t[i++], base);
    if (i == first || i < t.size()) return {static_cast<int32_t>(value), i + 1};
    return {static_cast<int32_t>(negative ? -value : value), 0};
}

void RoundTrip(const std::string& text, int32_t expected) {
    size_t stop = 99;
    FUZZ_CHECK(rtl::ValueOf(text, stop) == expected);
    FUZZ_CHECK(stop == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t stop = 12345;
    int32_t value = rtl::ValueOf(text, stop);
    Conversion expected = Reference(text);
    FUZZ_CHECK(value == expected.Value);
    FUZZ_CHECK(stop == expected.Stop);
    FUZZ_CHECK(stop <= size + 1);
    FUZZ_CHECK(stop != 0 || size > 0);
    // A stopped conversion drops the sign; only the digits of 2^31 behind a "-" give a
    // magnitude that does not fit, and it comes back as the lowest 32-bit value.
    FUZZ_CHECK(stop == 0 || value >= 0 || value == INT32_MIN);

    if (size >= 4) {
        int32_t v;
        std::memcpy(&v, data, sizeof v);
        RoundTrip(std::to_string(v), v);
        RoundTrip("  " + std::to_string(v), v);
        char hex[32];
        long long magnitude = v < 0 ? -static_cast<long long>(v) : v;
        std::snprintf(hex, sizeof hex, "%s0x%llX", v < 0 ? "-" : "", magnitude);
        RoundTrip(hex, v);
        std::snprintf(hex, sizeof hex, "%s$%llx", v < 0 ? "-" : "+", magnitude);
        RoundTrip(hex, v);
    }
    return 0;
}
