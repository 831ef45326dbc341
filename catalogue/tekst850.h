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
#include <string_view>

#include "code_page_850.h"

namespace tekst850 {

// Not constexpr: a text that reaches one of these is no constant, and the
// compiler's message names the fault.
inline void tegnet_findes_ikke_i_tegnsaet_850() {}
inline void teksten_er_ikke_gyldig_utf8() {}

namespace detalje {

// The helpers are constexpr, evaluated only by the consteval entries below.
constexpr char byte_for(char32_t c) {
    const int b = code_page_850::byte_of(c);
    if (b < 0) tegnet_findes_ikke_i_tegnsaet_850();
    return static_cast<char>(b);
}

// The character that starts at s[i] (of n bytes), in UTF-8's only form.
constexpr code_page_850::utf8_character afkod(const char* s, std::size_t i, std::size_t n) {
    const code_page_850::utf8_character c = code_page_850::decode_utf8({s + i, n - i});
    if (c.state != code_page_850::utf8_character::kind::whole) teksten_er_ikke_gyldig_utf8();
    return c;
}

constexpr std::size_t antal_tegn(const char* s, std::size_t n) {
    std::size_t antal = 0;
    for (std::size_t i = 0; i < n; i += afkod(s, i, n).length) ++antal;
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
        const code_page_850::utf8_character a = afkod(T.bytes, i, n);
        ud.c[j++] = byte_for(a.code_point);
        i += a.length;
    }
    return ud;  // ud.c[j] is the '\0' from ud{}
}

// One static array per text, so the bytes outlive every use.
template <utf8 T>
inline constexpr auto omsat = omsaet<T>();

}  // namespace detalje

// The code page 850 byte of the character `c`.
consteval char tegn(char32_t c) { return detalje::byte_for(c); }

template <detalje::utf8 T>
consteval const auto& operator""_850() {
    return detalje::omsat<T>.c;
}

static_assert(
    sizeof("æ") == 3 && "æ"[0] == '\xC3' && "æ"[1] == '\xA6',
    "string literals must be compiled as UTF-8 (the source's and the execution character set)");

}  // namespace tekst850
