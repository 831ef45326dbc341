#include <gtest/gtest.h>

#include <string_view>

#include "tekst850.h"

namespace {

using tekst850::operator""_850;

// All the bytes of the array but its final '\0', so a wrong length shows.
template <std::size_t M>
std::string_view bytes(const char (&tekst)[M]) {
    EXPECT_EQ(tekst[M - 1], '\0');
    return {tekst, M - 1};
}

TEST(Tekst850, TheUtf8TextBecomesItsCodePage850Bytes) {
    struct tilfaelde {
        std::string_view omsat, forventet;
    };
    const tilfaelde tabel[] = {
        {bytes("læses"_850), "l\x91ses"},
        {bytes("Kan ikke omdøbe "_850),
         "Kan ikke omd\x9B"
         "be "},
        {bytes("ÆØÅ æøå é ü ö"_850), "\x92\x9D\x8F \x91\x9B\x86 \x82 \x81 \x94"},
        {bytes("╔═╗║╚╝─█"_850), "\xC9\xCD\xBB\xBA\xC8\xBC\xC4\xDB"},
        {bytes("ASCII\n\t~ og intet andet"_850), "ASCII\n\t~ og intet andet"},
        {bytes(""_850), ""},
        // Every byte from 0x80 to 0xFF, each as it looks on the screen.
        {bytes("ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜø£Ø×ƒáíóúñÑªº¿®¬½¼¡«»░▒▓│┤ÁÂÀ©╣║╗╝¢¥┐"
               "└┴┬├─┼ãÃ╚╔╩╦╠═╬¤ðÐÊËÈıÍÎÏ┘┌█▄¦Ì▀ÓßÔÒõÕµþÞÚÛÙýÝ¯´\u00AD±‗¾¶§÷¸°¨·¹³²■\u00A0"_850),
         std::string_view("\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
                          "\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F"
                          "\xA0\xA1\xA2\xA3\xA4\xA5\xA6\xA7\xA8\xA9\xAA\xAB\xAC\xAD\xAE\xAF"
                          "\xB0\xB1\xB2\xB3\xB4\xB5\xB6\xB7\xB8\xB9\xBA\xBB\xBC\xBD\xBE\xBF"
                          "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
                          "\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD7\xD8\xD9\xDA\xDB\xDC\xDD\xDE\xDF"
                          "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
                          "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9\xFA\xFB\xFC\xFD\xFE\xFF")},
    };
    for (const auto& t : tabel) EXPECT_EQ(t.omsat, t.forventet);

    constexpr char hjoerne = tekst850::tegn(U'╔'), aa = tekst850::tegn(U'å'),
                   a = tekst850::tegn(U'a');
    EXPECT_EQ(hjoerne, '\xC9');
    EXPECT_EQ(aa, '\x86');
    EXPECT_EQ(a, 'a');
}

}  // namespace
