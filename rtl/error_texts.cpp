#include "rtl/error_texts.h"

namespace rtl {

const ErrorTextRow ErrorTexts[7] = {
    {2, "File not found"},
    {3, "Invalid filename"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {100, "Read beyond end of file"},
    {101, "Disk full"},
    {106, "Invalid numeric input"},
};

std::string ErrorText(uint32_t code) {
    for (const ErrorTextRow& row : ErrorTexts)
        if (row.Code == code) return row.Text;
    return "I/O error " + std::to_string(code);
}

}  // namespace rtl
