// The operator's texts are written readably in the source, in UTF-8, and
// become code page 850 bytes, the program's character set, while compiling:
//     using tekst850::operator""_850;
//     std::string(fil) + " kan ikke læses"_850
//     constexpr char hjoerne = tekst850::tegn(U'╔');
// "..."_850 is a static array of code page 850 bytes ending in '\0', so it
// serves as a const char* or a std::string_view as a plain literal does.
// The conversion is consteval: a character code page 850 has no byte for, or
// malformed UTF-8, is no constant, and the compiler stops at the call of
// tegnet_findes_ikke_i_tegnsaet_850 or teksten_er_ikke_gyldig_utf8.
#pragma once

#include <cstddef>

namespace tekst850 {

// The characters of the bytes 0x80-0xFF; the bytes below are ASCII.
inline constexpr char32_t hoeje_tegn[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80-87
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88-8F
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90-97
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98-9F
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0-A7
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8-AF
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0-B7
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8-BF
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0-C7
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8-CF
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,  // D0-D7
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8-DF
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0-E7
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8-EF
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0-F7
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8-FF
};

// Not constexpr: a text that reaches one of these is no constant, and the
// compiler's message names the fault.
inline void tegnet_findes_ikke_i_tegnsaet_850() {}
inline void teksten_er_ikke_gyldig_utf8() {}

namespace detalje {

// The helpers are constexpr, evaluated only by the consteval entries below.
constexpr char byte_for(char32_t c) {
    if (c < 0x80) return static_cast<char>(c);
    for (int i = 0; i < 128; ++i)
        if (hoeje_tegn[i] == c) return static_cast<char>(0x80 + i);
    tegnet_findes_ikke_i_tegnsaet_850();
    return '?';
}

struct afkodet {
    char32_t tegn;
    std::size_t bytes;
};

// The length of a sequence that starts with the byte `b`; 0 if none can.
constexpr std::size_t sekvenslaengde(unsigned char b) {
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) return 3;
    if (b >= 0xF0 && b <= 0xF4) return 4;
    return 0;
}

// The smallest character each length may hold: no longer forms than needed.
inline constexpr char32_t mindste[] = {0, 0, 0x80, 0x800, 0x10000};

// The character that starts at s[i] (of n bytes): only the shortest form, no
// surrogates, nothing above U+10FFFF, and no sequence cut short.
constexpr afkodet afkod(const char* s, std::size_t i, std::size_t n) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t bytes = sekvenslaengde(b);
    if (bytes == 0 || i + bytes > n) teksten_er_ikke_gyldig_utf8();
    if (bytes <= 1) return {b, 1};
    char32_t c = b & (0x7F >> bytes);
    for (std::size_t k = 1; k < bytes; ++k) {
        const auto f = static_cast<unsigned char>(s[i + k]);
        if ((f & 0xC0) != 0x80) teksten_er_ikke_gyldig_utf8();
        c = (c << 6) | (f & 0x3F);
    }
    if (c < mindste[bytes] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        teksten_er_ikke_gyldig_utf8();
    return {c, bytes};
}

constexpr std::size_t antal_tegn(const char* s, std::size_t n) {
    std::size_t antal = 0;
    for (std::size_t i = 0; i < n; i += afkod(s, i, n).bytes) ++antal;
    return antal;
}

// A string literal as a template argument.
template <std::size_t N>
struct utf8 {
    char bytes[N];
    consteval utf8(const char (&s)[N]) {
        for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
    }
};

template <std::size_t M>
struct bytes850 {
    char c[M];
};

template <utf8 T>
constexpr auto omsaet() {
    constexpr std::size_t n = sizeof(T.bytes) - 1;  // without the literal's '\0'
    bytes850<antal_tegn(T.bytes, n) + 1> ud{};
    std::size_t j = 0;
    for (std::size_t i = 0; i < n;) {
        const afkodet a = afkod(T.bytes, i, n);
        ud.c[j++] = byte_for(a.tegn);
        i += a.bytes;
    }
    return ud;  // ud.c[j] is the '\0' from ud{}
}

// One static array per text, so the bytes outlive every use.
template <utf8 T>
inline constexpr auto omsat = omsaet<T>();

constexpr bool hver_byte_har_sit_eget_tegn() {
    for (int i = 0; i < 128; ++i) {
        if (hoeje_tegn[i] < 0x80) return false;
        for (int j = 0; j < i; ++j)
            if (hoeje_tegn[j] == hoeje_tegn[i]) return false;
    }
    return true;
}

}  // namespace detalje

// The code page 850 byte of the character `c`.
consteval char tegn(char32_t c) { return detalje::byte_for(c); }

template <detalje::utf8 T>
consteval const auto& operator""_850() {
    return detalje::omsat<T>.c;
}

static_assert(detalje::hver_byte_har_sit_eget_tegn(),
              "two bytes with one character: the table is wrong");
static_assert(
    sizeof("æ") == 3 && "æ"[0] == '\xC3' && "æ"[1] == '\xA6',
    "string literals must be compiled as UTF-8 (the source's and the execution character set)");

}  // namespace tekst850
