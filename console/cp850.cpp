#include "cp850.h"

#include <array>

namespace console_detail {

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void append_glyph(std::string& out, unsigned char b) {
    // Most cells are ASCII; spare them the general encoder.
    if (b >= 0x20 && b < 0x7F)
        out += static_cast<char>(b);
    else
        append_utf8(out, cp850_glyph[b]);
}

int cp850_from_unicode(char32_t code_point) {
    if (code_point == 0xAD) return 0xF0;  // the soft hyphen, drawn as '-' but typed as itself
    for (int b = 0x80; b < 0x100; ++b)
        if (cp850_glyph[b] == code_point && b != 0xF0) return b;
    return -1;
}

}  // namespace console_detail
