// Code page 850 as the console shows it, and back.
#pragma once

#include <string>

namespace console_detail {

extern const char32_t cp850_glyph[256];

// Appends the UTF-8 of the glyph that shows byte b in a cell.
void append_glyph(std::string& out, unsigned char b);
// Appends the UTF-8 of a code point.
void append_utf8(std::string& out, char32_t code_point);
// The code page 850 byte (0x80..0xFF) of a typed character, or -1.
int cp850_from_unicode(char32_t code_point);

}  // namespace console_detail
