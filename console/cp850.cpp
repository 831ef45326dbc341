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

namespace console_detail {

namespace {

// The length of a well-formed UTF-8 sequence at the start of `t`, or 0.
std::size_t utf8_length(std::string_view t) {
    auto b = [&](std::size_t i) { return static_cast<unsigned char>(t[i]); };
    std::size_t n = b(0) >= 0xC2 && b(0) <= 0xDF   ? 2
                    : b(0) >= 0xE0 && b(0) <= 0xEF ? 3
                    : b(0) >= 0xF0 && b(0) <= 0xF4 ? 4
                                                   : 0;
    if (n == 0 || t.size() < n) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((b(i) & 0xC0) != 0x80) return 0;
    if ((b(0) == 0xE0 && b(1) < 0xA0) || (b(0) == 0xED && b(1) > 0x9F) ||
        (b(0) == 0xF0 && b(1) < 0x90) || (b(0) == 0xF4 && b(1) > 0x8F))
        return 0;  // overlong, a surrogate, or past U+10FFFF
    return n;
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
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
        for (int k = 1; k < n && i + static_cast<std::size_t>(k) < utf8.size(); ++k)
            c = (c << 6) |
                (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        i += static_cast<std::size_t>(n);
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        }
    }
    return out;
}

}  // namespace console_detail
