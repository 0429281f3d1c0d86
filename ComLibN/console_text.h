// The dump run's two small console routines.
#pragma once

#include <cstdint>
#include <string>

namespace ComLibN {

// A number as a two-character field ("07", "42"; longer numbers lose their first two
// characters), with the suffix appended unless it is character code 0.
std::string FormatTwoDigits(uint16_t number, char suffix);

// Writes CR and LF to the console output, flushed, and checks the result.
void ScreenNewLine();

}  // namespace ComLibN
