// The number conversion of a text that the program applies to controller replies and to
// the typed port number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rtl {

// Converts a text to a signed 32-bit number, never failing: leading blanks, an optional
// sign, decimal digits, or hexadecimal ones after "$", "x", "X", "0x" or "0X". At the
// first byte that doesn't belong, or where the value would leave the 32-bit range, the
// conversion stops and the digits before give the result, without the sign; `stop` is
// then the 1-based position of that byte (one past the end when the text ran out before
// a digit). A text that converts to its end takes its sign, with `stop` 0.
int32_t ValueOf(std::string_view text, size_t& stop);

}  // namespace rtl
