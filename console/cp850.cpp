#include "cp850.h"

#include <algorithm>
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

utf8_character decode_utf8(std::string_view bytes) {
    using kind = utf8_character::kind;
    if (bytes.empty()) return {};
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80) return {kind::whole, lead, 1};
    std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
    if (length == 0) return {kind::invalid, 0, 1};
    char32_t code_point = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= bytes.size()) return {kind::incomplete, 0, i};
        // The second byte also rules out overlong forms, surrogates and
        // what lies past U+10FFFF.
        unsigned char low = 0x80, high = 0xBF;
        if (i == 1 && lead == 0xE0) low = 0xA0;
        if (i == 1 && lead == 0xED) high = 0x9F;
        if (i == 1 && lead == 0xF0) low = 0x90;
        if (i == 1 && lead == 0xF4) high = 0x8F;
        if (byte(i) < low || byte(i) > high) return {kind::invalid, 0, i};
        code_point = (code_point << 6) | (byte(i) & 0x3F);
    }
    return {kind::whole, code_point, length};
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
