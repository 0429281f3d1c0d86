// The register image that the simulated controller answers from: the reply text of each
// data word and the value text of each timer. It comes from a built-in set, from a file
// of "name value" lines, or from a report file that regdump wrote, so that a saved dump
// can be played back.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace ctlsim {

struct RegisterImage {
    std::map<uint16_t, std::string> DataWords;  // reply text per data word, sent as it is
    std::map<uint16_t, std::string> Timers;     // value text per timer, after the header
};

struct ImageLoad {
    bool Ok = false;
    RegisterImage Image;
    std::string Error;  // "line N: ..." when not Ok
};

// A run of 1 to 5 decimal digits up to 65535, leading zeros allowed; false for anything else.
bool ParseRegisterNumber(std::string_view digits, uint16_t& number);

// The built-in image: every data word of the dumped blocks answers its own number, with
// the system number 123 in data word 109 and a few cells of 0, 1, 9, 12345, 54321 and 65535;
// the timers 2, 3, 12, 13 and 48 have texts of their own.
RegisterImage DefaultImage();

// Whether the text starts with the header line of a report file.
bool IsReportText(std::string_view text);

// "DM109 123" and "T2 00150" lines; blank lines and lines starting with '#' are skipped.
// The value is the rest of the line after the blanks that follow the name.
ImageLoad ParsePlainImage(std::string_view text);

// The data rows and timer lines of a report file.
ImageLoad ParseReportImage(std::string_view text);

// Either format, told apart by the report header.
ImageLoad ParseImage(std::string_view text);

// Reads and parses a file; the error names the file when it cannot be read.
ImageLoad LoadImageFile(const std::string& path);

// The reply text of a data word; "0" for a word the image does not hold.
std::string DataWordText(const RegisterImage& image, uint16_t word);

// The value text of a timer; "0" for a timer the image does not hold.
std::string TimerText(const RegisterImage& image, uint16_t timer);

}  // namespace ctlsim
