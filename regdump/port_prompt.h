// The dialogue's first question: which COM port the controller hangs on.
#pragma once

#include <cstdint>

namespace regdump {

// Writes "Enter Comport ", reads the typed number from standard input and drops the rest
// of that line. Returns the number's low 16 bits. A typed word that is not a whole number
// raises "Invalid numeric input"; input that ends before any number gives 0.
uint16_t AskPortNumber();

}  // namespace regdump
