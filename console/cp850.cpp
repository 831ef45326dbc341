#include "cp850.h"

#include <algorithm>

#include "code_page_850.h"

namespace console_detail {

using code_page_850::decode_utf8;
using code_page_850::utf8_character;

void append_glyph(std::string& out, unsigned char b) {
    // Most cells are ASCII; spare them the general encoder.
    if (b >= 0x20 && b < 0x7F)
        out += static_cast<char>(b);
    else
        code_page_850::append_utf8(out, code_page_850::cell_glyph(b));
}

namespace {

// The length of a well-formed UTF-8 character at the start of `t`, or 0.
std::size_t utf8_length(std::string_view t) {
    utf8_character c = decode_utf8(t);
    return c.state == utf8_character::kind::whole ? c.length : 0;
}

// U+0080..U+009F: the C1 controls, which a terminal obeys as it does ESC
// and the letter after it.
bool is_c1_control(std::string_view utf8) {
    return utf8.size() == 2 && static_cast<unsigned char>(utf8[0]) == 0xC2 &&
           static_cast<unsigned char>(utf8[1]) < 0xA0;
}

void append_escaped(std::string& out, std::string_view bytes) {
    static const char hex[] = "0123456789ABCDEF";
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        out += "\\x";
        out += hex[b >> 4];
        out += hex[b & 15];
    }
}

}  // namespace

std::string text_for_stream(std::string_view text) {
    std::string out;
    while (!text.empty()) {
        auto b = static_cast<unsigned char>(text[0]);
        std::size_t n = b >= 0x80 ? utf8_length(text) : 0;
        if (n > 0 && is_c1_control(text.substr(0, n))) {
            append_escaped(out, text.substr(0, n));
        } else if (n > 0) {
            out.append(text.substr(0, n));
        } else if (b == '\n') {
            n = 1;
            out += '\n';
        } else if (b >= 0x80 || (b >= 0x20 && b != 0x7F)) {
            n = 1;
            append_glyph(out, b);
        } else {
            n = 1;
            append_escaped(out, text.substr(0, 1));
        }
        text.remove_prefix(n);
    }
    return out;
}

std::u16string utf16_from_utf8(std::string_view utf8) {
    constexpr char32_t replacement = 0xFFFD;
    std::u16string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        utf8_character c = decode_utf8(utf8);
        char32_t code_point = c.state == utf8_character::kind::whole ? c.code_point : replacement;
        utf8.remove_prefix(std::max<std::size_t>(c.length, 1));
        if (code_point < 0x10000) {
            out += static_cast<char16_t>(code_point);
        } else {
            code_point -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code_point >> 10));
            out += static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
        }
    }
    return out;
}

}  // namespace console_detail
