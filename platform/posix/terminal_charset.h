// The terminal's character set: code page 437 (the console's characters) against Unicode,
// UTF-8 encoding, and whether the terminal's locale speaks UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace platform::posix::charset {

// The glyph of a code page 437 byte as a Unicode code point. The control bytes 1 to 31
// and 127 have glyphs of their own there (smileys, arrows, the house); 0 is a blank.
char32_t Glyph(uint8_t ch);

// The code page 437 byte of a code point above 127, or -1 when the code page lacks it.
int FromUnicode(char32_t codePoint);

// Appends a code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// Whether a locale setting names UTF-8, taking the first set of LC_ALL, LC_CTYPE and
// LANG as the C library does ("C.UTF-8", "en_US.utf8"); none set is the C locale.
bool NamesUtf8(const char* lcAll, const char* lcCtype, const char* lang);

// The same for this process's environment.
bool LocaleUsesUtf8();

}  // namespace platform::posix::charset
