// The glyphs for a terminal whose locale is Latin-1 or another legacy codeset.
#include <gtest/gtest.h>

#include <string>

#include "legacy_charset.h"

using namespace console_detail;

namespace {

// A terminal whose line-drawing set is entered with Ctrl-N and left with
// Ctrl-O, and whose acsc draws only the horizontal line, the vertical one
// and the top-left corner (with bytes of its own for the last).
line_drawing_set own_set() { return {"qqxxlR", "\x0e", "\x0f"}; }

std::string encoded(legacy_codeset codeset, const line_drawing_set& lines, std::u32string text) {
    legacy_encoder e(codeset, lines);
    std::string out;
    for (char32_t c : text) e.append(out, c);
    e.finish(out);
    return out;
}

}  // namespace

TEST(LegacyCharset, LettersLinesAndTheRest) {
    const auto latin1 = legacy_codeset::latin1, latin9 = legacy_codeset::latin9,
               ascii = legacy_codeset::ascii;
    const struct {
        legacy_codeset codeset;
        bool dec;  // DEC special graphics; else own_set()
        std::u32string text;
        std::string bytes;
    } cases[] = {
        {latin1, true, U"æøåÆØÅéü", "\xE6\xF8\xE5\xC6\xD8\xC5\xE9\xFC"},
        {latin9, true, U"æøå€", "\xE6\xF8\xE5\xA4"},
        {latin1, true, U"€¤", "?\xA4"},
        {latin9, true, U"¤½", "??"},
        {ascii, true, U"Kø A", "K? A"},
        // One switch for a run, double lines as single ones.
        {latin1, true, U"╔═╗", "\x1b(0lqk\x1b(B"},
        {latin1, true, U"║ø║", "\x1b(0x\x1b(B\xF8\x1b(0x\x1b(B"},
        {latin1, true, U"░█╬┼", "\x1b(0a0nn\x1b(B"},
        {latin1, true, U"☺▀", "??"},
        // The terminal's own bytes; a graphic its acsc lacks is replaced.
        {latin1, false, U"╔══║", "\x0eRqqx\x0f"},
        {latin1, false, U"═╝x", "\x0eq\x0f?x"},
    };
    for (const auto& c : cases) {
        const auto lines = c.dec ? dec_special_graphics() : own_set();
        std::string got = encoded(c.codeset, lines, c.text);
        EXPECT_EQ(got, c.bytes) << testing::PrintToString(got);
    }
}

TEST(LegacyCharset, WhichLocalesLeaveUtf8) {
    const struct {
        const char* name;
        std::optional<legacy_codeset> codeset;
    } cases[] = {
        {"UTF-8", std::nullopt},
        {"utf8", std::nullopt},
        {"ANSI_X3.4-1968", std::nullopt},  // the C and POSIX locales
        {"", std::nullopt},
        {"ISO-8859-1", legacy_codeset::latin1},
        {"ISO-8859-15", legacy_codeset::latin9},
        {"KOI8-R", legacy_codeset::ascii},
        {"ISO-8859-2", legacy_codeset::ascii},
    };
    for (const auto& c : cases) EXPECT_EQ(choose_legacy_codeset(c.name), c.codeset) << c.name;
}
