#include "cp850.h"

#include <array>

namespace console_detail {

void tilfoej_utf8(std::string& ud, char32_t c) {
    if (c < 0x80) {
        ud += static_cast<char>(c);
    } else if (c < 0x800) {
        ud += static_cast<char>(0xC0 | (c >> 6));
        ud += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        ud += static_cast<char>(0xE0 | (c >> 12));
        ud += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        ud += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        ud += static_cast<char>(0xF0 | (c >> 18));
        ud += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        ud += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        ud += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void tilfoej_glyf(std::string& ud, unsigned char b) {
    // Most cells are ASCII; spare them the general encoder.
    if (b >= 0x20 && b < 0x7F)
        ud += static_cast<char>(b);
    else
        tilfoej_utf8(ud, cp850_glyph[b]);
}

int cp850_fra_unicode(char32_t tegn) {
    if (tegn == 0xAD) return 0xF0;  // the soft hyphen, drawn as '-' but typed as itself
    for (int b = 0x80; b < 0x100; ++b)
        if (cp850_glyph[b] == tegn && b != 0xF0) return b;
    return -1;
}

}  // namespace console_detail
