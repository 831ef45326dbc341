// Code page 850 as the console shows it, and back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace console_detail {

extern const char32_t cp850_glyph[256];

// Appends the UTF-8 of the glyph that shows byte b in a cell.
void append_glyph(std::string& out, unsigned char b);
// Appends the UTF-8 of a code point.
void append_utf8(std::string& out, char32_t code_point);
// One character of UTF-8 at the start of some bytes: whole, cut off by
// their end, or not UTF-8 (an overlong form, a surrogate, past U+10FFFF, a
// stray byte). `length` is the bytes it takes; for one that is not UTF-8,
// the bytes to pass over (at least one).
struct utf8_character {
    enum class kind : std::uint8_t { whole, incomplete, invalid };
    kind state = kind::incomplete;
    char32_t code_point = 0;
    std::size_t length = 0;
};
utf8_character decode_utf8(std::string_view bytes);

// The code page 850 byte (0x80..0xFF) of a typed character, or -1.
int cp850_from_unicode(char32_t code_point);

// A text of the program's own (code page 850) as UTF-8 for a standard
// stream: bytes that already form UTF-8, such as file names, pass as they
// are; control bytes other than the line end show as \xNN, and so do the
// C1 controls in UTF-8 (U+0080..U+009F), byte by byte.
std::string text_for_stream(std::string_view text);
// The UTF-16 of well-formed UTF-8, for a console that takes UTF-16.
std::u16string utf16_from_utf8(std::string_view utf8);

}  // namespace console_detail
