#include "rtl/number.h"

namespace rtl {

namespace {
int DigitValue(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (!hex) return -1;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

int32_t ValueOf(std::string_view text, size_t& stop) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    const uint64_t limit = negative ? 2147483648u : 2147483647u;
    const uint64_t base = hex ? 16 : 10;
    uint64_t magnitude = 0;
    size_t digits = 0;
    for (; i < text.size(); ++i, ++digits) {
        int d = DigitValue(text[i], hex);
        if (d < 0 || magnitude * base + static_cast<uint64_t>(d) > limit) break;
        magnitude = magnitude * base + static_cast<uint64_t>(d);
    }
    if (digits == 0 || i < text.size()) {
        stop = i + 1;
        return static_cast<int32_t>(static_cast<uint32_t>(magnitude));
    }
    stop = 0;
    return static_cast<int32_t>(static_cast<uint32_t>(negative ? 0 - magnitude : magnitude));
}

}  // namespace rtl
