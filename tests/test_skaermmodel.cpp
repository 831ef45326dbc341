#include <gtest/gtest.h>

#include <string>

#include "console.h"
#include "console_test.h"
#include "skaermmodel.h"

using console_detail::skaermmodel;

namespace {

skaermmodel tall() {
    skaermmodel m(80, 25);
    m.saet_tilstand(64);
    return m;
}

std::string raekke(const skaermmodel& m, int y, int fra = 0, int til = 80) {
    std::string s;
    for (int x = fra; x < til; ++x) s += static_cast<char>(m.ved(x, y).tegn);
    return s;
}

}  // namespace

TEST(Skaermmodel, ModeSixtyFourIsEightyByFiftyAndResetsTheAttribute) {
    skaermmodel m(100, 30, 0x07);
    EXPECT_EQ(m.kolonner(), 100);
    EXPECT_EQ(m.tilstand.current_mode, 65);
    m.saet_forgrund(15);
    m.saet_baggrund(2);
    m.saet_tilstand(64);
    EXPECT_EQ(m.kolonner(), 80);
    EXPECT_EQ(m.raekker(), 50);
    EXPECT_EQ(m.tilstand.attribute, 0x07);
    EXPECT_EQ(m.tilstand.window_right, 79);
    EXPECT_EQ(m.tilstand.window_bottom, 49);
    m.saet_tilstand(65);
    EXPECT_EQ(m.kolonner(), 100);
    m.saet_tilstand(3);
    EXPECT_EQ(m.kolonner(), 80);
    EXPECT_EQ(m.raekker(), 25);
    EXPECT_EQ(m.tilstand.current_mode, 3);
    m.saet_forgrund(4);
    m.saet_tilstand(99);  // matches nothing: nothing changes
    EXPECT_EQ(m.tilstand.current_mode, 3);
    EXPECT_EQ(m.tilstand.attribute & 0x0F, 4);
    EXPECT_EQ(skaermmodel(80, 25).tilstand.current_mode, 3);
    EXPECT_EQ(skaermmodel(80, 50).tilstand.current_mode, 64);
}

TEST(Skaermmodel, ColourBitArithmetic) {
    auto m = tall();
    m.saet_baggrund(2);
    m.saet_forgrund(15);
    EXPECT_EQ(m.tilstand.attribute, 47);
    m.saet_baggrund(9);
    EXPECT_EQ((m.tilstand.attribute >> 4) & 7, 1);
    m.saet_forgrund(0x8F | 0x100);  // bit 7 kept, bits above 7 cleared
    EXPECT_EQ(m.tilstand.attribute, 0x8F | 0x10);
    m.saet_baggrund(7);
    EXPECT_EQ(m.tilstand.attribute, 0x8F | 0x70);
}

TEST(Skaermmodel, GotoOutsideTheWindowIsIgnored) {
    auto m = tall();
    m.gaa_til(10, 5);
    m.gaa_til(81, 1);
    m.gaa_til(1, 51);
    m.gaa_til(0, 5);
    EXPECT_EQ(m.x, 9);
    EXPECT_EQ(m.y, 4);
    m.skriv("x");
    EXPECT_EQ(m.ved(9, 4).tegn, 'x');
}

TEST(Skaermmodel, PrintWrapsScrollsAndTakesControlBytes) {
    auto m = tall();
    m.saet_baggrund(7);
    m.ryd();
    EXPECT_EQ(m.x, 0);
    EXPECT_EQ(m.y, 0);
    EXPECT_EQ(m.ved(40, 30).attribut, 0x77);
    // Eighty characters from column 1 leave the cursor at column 1 of the next row.
    m.skriv(std::string(80, 'a'));
    EXPECT_EQ(m.x, 0);
    EXPECT_EQ(m.y, 1);
    // LF goes straight down; CR to column 1; BS stops at column 1; BEL writes nothing.
    m.gaa_til(5, 3);
    m.skriv("ab\ncd\rX\b\b\x07Y");
    EXPECT_EQ(raekke(m, 2, 4, 6), "ab");
    EXPECT_EQ(raekke(m, 3, 0, 8), "Y     cd");
    EXPECT_EQ(m.bip, 1);
    // Other control bytes are characters.
    m.gaa_til(1, 10);
    m.skriv("\x1b[2J\x01");
    EXPECT_EQ(raekke(m, 9, 0, 5), "\x1b[2J\x01");
    // Column 80 of row 50 scrolls the screen up one row.
    m.gaa_til(1, 1);
    m.skriv("top");
    m.gaa_til(1, 2);
    m.skriv("second");
    m.saet_baggrund(1);
    m.gaa_til(80, 50);
    m.skriv("z");
    EXPECT_EQ(raekke(m, 0, 0, 6), "second");
    EXPECT_EQ(m.ved(79, 48).tegn, 'z');
    EXPECT_EQ(m.ved(0, 49).tegn, ' ');
    EXPECT_EQ(m.ved(0, 49).attribut, 0x17);
    EXPECT_EQ(m.x, 0);
    EXPECT_EQ(m.y, 49);
    // LF on the last row scrolls too.
    m.skriv("q\n");
    EXPECT_EQ(m.ved(0, 48).tegn, 'q');
    EXPECT_EQ(m.y, 49);
    EXPECT_EQ(m.x, 1);
}

TEST(Skaermmodel, ConsolePrintExpandsFormatsOfAnyLength) {
    console_open_model(80, 50);
    std::string lang(5000, 'x');
    console_goto(1, 1);
    EXPECT_EQ(console_print("%s", lang.c_str()), 5000);
    EXPECT_EQ(console_print("%i/%i", 9, 12), 4);
    EXPECT_EQ(console_print("%s", "100%"), 4);  // a per-cent sign in a value is printed as is
    const auto& m = console_model();
    // 5000 cells from (1,1) fill 62 rows and a half: the screen scrolled.
    EXPECT_EQ(m.y, 49);
    EXPECT_EQ(m.x, 5000 % 80 + 8);
    EXPECT_EQ(m.ved(40, 49).tegn, '9');
    EXPECT_EQ(m.ved(44, 49).tegn, '1');
    EXPECT_EQ(m.ved(47, 49).tegn, '%');
    console_set_cursor_shape(0);
    EXPECT_FALSE(console_model().markoer_synlig);
    console_set_cursor_shape(2);
    EXPECT_TRUE(console_model().markoer_synlig);
    console_close();
}
