// The texts of the input/output error codes, as the error report shows them.
#pragma once

#include <cstdint>
#include <string>

namespace rtl {

struct ErrorTextRow {
    uint32_t Code;
    const char* Text;
};

// The codes with a text of their own; every other code reads "I/O error <code>".
extern const ErrorTextRow ErrorTexts[7];

std::string ErrorText(uint32_t code);

}  // namespace rtl
