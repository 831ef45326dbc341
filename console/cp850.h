// Code page 850 texts as the console shows them, and UTF-8 as a Win32
// console takes it; the code page itself is code_page_850.h.
#pragma once

#include <string>
#include <string_view>

namespace console_detail {

// Appends the UTF-8 of the glyph that shows byte b in a cell.
void append_glyph(std::string& out, unsigned char b);

// A text of the program's own (code page 850) as UTF-8 for a standard
// stream: bytes that already form UTF-8, such as file names, pass as they
// are; control bytes other than the line end show as \xNN, and so do the
// C1 controls in UTF-8 (U+0080..U+009F), byte by byte.
std::string text_for_stream(std::string_view text);
// The UTF-16 of well-formed UTF-8, for a console that takes UTF-16.
std::u16string utf16_from_utf8(std::string_view utf8);

}  // namespace console_detail
