// Code page 850, the program's character set: the character of each byte,
// the glyph that shows each byte in a console cell, the byte of each
// character, and UTF-8 both ways. All of it is constexpr, so that texts
// become code page 850 while compiling as well as while running; it is the
// one part of the console that the store uses too.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace code_page_850 {

// The characters of the bytes 0x80..0xFF; the bytes below are ASCII. The
// soft hyphen (F0) and the no-break space (FF) are escapes, being invisible.
inline constexpr std::u32string_view high_characters =
    U"ÇüéâäàåçêëèïîìÄÅ"             // 80-8F
    U"ÉæÆôöòûùÿÖÜø£Ø×ƒ"             // 90-9F
    U"áíóúñÑªº¿®¬½¼¡«»"             // A0-AF
    U"░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐"             // B0-BF
    U"└┴┬├─┼ãÃ╚╔╩╦╠═╬¤"             // C0-CF
    U"ðÐÊËÈıÍÎÏ┘┌█▄¦Ì▀"             // D0-DF
    U"ÓßÔÒõÕµþÞÚÛÙýÝ¯´"             // E0-EF
    U"\u00AD±‗¾¶§÷¸°¨·¹³²■\u00A0";  // F0-FF
static_assert(high_characters.size() == 128);

// The character of the byte b.
constexpr char32_t character_of(unsigned char b) {
    return b < 0x80 ? b : high_characters[b - 0x80];
}

// The byte of the character c, or -1 when code page 850 has none.
constexpr int byte_of(char32_t c) {
    if (c < 0x80) return static_cast<int>(c);
    for (int i = 0; i < 128; ++i)
        if (high_characters[i] == c) return 0x80 + i;
    return -1;
}

inline constexpr unsigned char soft_hyphen = 0xF0;

namespace detail {

// The control bytes 0x00..0x1F as a PC console draws them; 0x00 blank.
inline constexpr std::u32string_view control_glyphs =
    U" ☺☻♥♦♣♠•◘○◙♂♀♪♫☼"   // 00-0F
    U"►◄↕‼¶§▬↨↑↓→←∟↔▲▼";  // 10-1F
static_assert(control_glyphs.size() == 32);
inline constexpr char32_t delete_glyph = U'⌂';

constexpr std::array<char32_t, 256> cell_glyphs() {
    std::array<char32_t, 256> glyphs{};
    for (int b = 0; b < 256; ++b) glyphs[b] = character_of(static_cast<unsigned char>(b));
    for (int b = 0; b < 0x20; ++b) glyphs[b] = control_glyphs[b];
    glyphs[0x7F] = delete_glyph;
    // Terminals may draw the soft hyphen zero-wide, which would shift the
    // rest of the row; it is typed and stored as itself all the same.
    glyphs[soft_hyphen] = U'-';
    return glyphs;
}

// A table, since the console looks up every cell it draws.
inline constexpr std::array<char32_t, 256> cell_glyph_table = cell_glyphs();

}  // namespace detail

// How the byte b looks in a console cell: its character, but the control
// bytes and 0x7F as the PC's glyphs, 0x00 blank and the soft hyphen '-'.
constexpr char32_t cell_glyph(unsigned char b) { return detail::cell_glyph_table[b]; }

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

constexpr utf8_character decode_utf8(std::string_view bytes) {
    using kind = utf8_character::kind;
    if (bytes.empty()) return {};
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return {kind::whole, lead, 1};
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
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

// The UTF-8 of a code point into `out`; returns how many bytes it took.
constexpr std::size_t encode_utf8(char32_t c, char (&out)[4]) {
    auto put = [&](std::size_t i, char32_t bits) { out[i] = static_cast<char>(bits); };
    if (c < 0x80) {
        put(0, c);
        return 1;
    }
    if (c < 0x800) {
        put(0, 0xC0 | (c >> 6));
        put(1, 0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        put(0, 0xE0 | (c >> 12));
        put(1, 0x80 | ((c >> 6) & 0x3F));
        put(2, 0x80 | (c & 0x3F));
        return 3;
    }
    put(0, 0xF0 | (c >> 18));
    put(1, 0x80 | ((c >> 12) & 0x3F));
    put(2, 0x80 | ((c >> 6) & 0x3F));
    put(3, 0x80 | (c & 0x3F));
    return 4;
}

// Appends the UTF-8 of a code point.
inline void append_utf8(std::string& out, char32_t c) {
    char bytes[4] = {};
    out.append(bytes, encode_utf8(c, bytes));
}

namespace detail {

constexpr bool each_byte_has_its_own_character() {
    for (int i = 0; i < 128; ++i) {
        if (high_characters[i] < 0x80) return false;
        for (int j = 0; j < i; ++j)
            if (high_characters[j] == high_characters[i]) return false;
    }
    return true;
}

}  // namespace detail

static_assert(detail::each_byte_has_its_own_character(),
              "two bytes with one character: the table is wrong");
static_assert(cell_glyph(soft_hyphen) == U'-' && character_of(soft_hyphen) == U'\u00AD' &&
                  byte_of(U'\u00AD') == soft_hyphen && byte_of(U'-') == '-',
              "the soft hyphen is drawn as '-' but is a character of its own");

}  // namespace code_page_850
