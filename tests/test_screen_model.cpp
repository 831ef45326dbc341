#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "console.h"
#include "console_test.h"
#include "screen_model.h"

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

namespace {

// The screen rules as plainly as they can be written: every scroll moves
// every cell of the window. The model must give exactly the same.
struct enkel_skaerm {
    int kol = 80, raek = 50;
    std::vector<console_detail::celle> c = std::vector<console_detail::celle>(80 * 50);
    int x = 0, y = 0, bip = 0;
    int venstre = 0, top = 0, hoejre = 79, bund = 49;
    std::uint8_t attribut = 0x07;

    console_detail::celle& ved(int k, int r) { return c[static_cast<std::size_t>(r * kol + k)]; }
    void ny_stoerrelse(int k, int r) {
        std::vector<console_detail::celle> nye(static_cast<std::size_t>(k * r));
        for (int rr = 0; rr < std::min(r, raek); ++rr)
            for (int kk = 0; kk < std::min(k, kol); ++kk)
                nye[static_cast<std::size_t>(rr * k + kk)] = ved(kk, rr);
        c = std::move(nye);
        kol = k;
        raek = r;
        venstre = top = 0;
        hoejre = k - 1;
        bund = r - 1;
        x = std::min(x, k - 1);
        y = std::min(y, r - 1);
        attribut = 0x07;
    }
    void gaa_til(int k, int r) {
        int nx = venstre + k - 1, ny = top + r - 1;
        if (nx < venstre || nx > hoejre || ny < top || ny > bund) return;
        x = nx;
        y = ny;
    }
    void ryd() {
        for (int r = top; r <= bund; ++r)
            for (int k = venstre; k <= hoejre; ++k) ved(k, r) = {' ', attribut};
        gaa_til(1, 1);
    }
    void skriv(const std::string& tekst, bool styrekoder) {
        for (char ch : tekst) {
            auto b = static_cast<unsigned char>(ch);
            if (styrekoder && b == 7) {
                ++bip;
            } else if (styrekoder && b == 8) {
                if (x > venstre) --x;
            } else if (styrekoder && b == 10) {
                ++y;
            } else if (styrekoder && b == 13) {
                x = venstre;
            } else {
                ved(x, y) = {b, attribut};
                ++x;
            }
            if (x > hoejre) {
                x = venstre;
                ++y;
            }
            if (y > bund) {
                for (int r = top; r < bund; ++r)
                    for (int k = venstre; k <= hoejre; ++k) ved(k, r) = ved(k, r + 1);
                for (int k = venstre; k <= hoejre; ++k) ved(k, bund) = {' ', attribut};
                --y;
            }
        }
    }
};

std::string forskel(const skaermmodel& m, enkel_skaerm& e) {
    if (m.kolonner() != e.kol || m.raekker() != e.raek) return "size";
    if (m.x != e.x || m.y != e.y)
        return "cursor " + std::to_string(m.x) + "," + std::to_string(m.y) + " not " +
               std::to_string(e.x) + "," + std::to_string(e.y);
    if (m.bip != e.bip) return "beeps";
    for (int r = 0; r < e.raek; ++r)
        for (int k = 0; k < e.kol; ++k)
            if (!(m.ved(k, r) == e.ved(k, r)))
                return "cell " + std::to_string(k) + "," + std::to_string(r);
    return "";
}

// Random texts through console_print and console_put_text, with the control
// bytes console_print obeys and runs long enough to scroll many times, mixed
// with moves, colours, clears, mode changes and (when `vinduer`) a window
// smaller than the screen set on the model's fields.
void sammenlign_med_enkel(unsigned froe, bool vinduer) {
    std::mt19937 tilfaeldig(froe);
    auto tal = [&](int n) { return static_cast<int>(tilfaeldig() % static_cast<unsigned>(n)); };
    console_open_model(80, 25);
    console_set_mode(64);
    enkel_skaerm e;
    for (int trin = 0; trin < 400; ++trin) {
        int op = tal(10);
        std::string hvad;
        if (op <= 3) {
            int laengde = tal(8) == 0 ? tal(20000) : tal(200);
            std::string tekst;
            for (int i = 0; i < laengde; ++i) {
                static const char styr[] = {7, 8, 10, 13};
                tekst += tal(6) == 0 ? styr[tal(4)] : static_cast<char>(1 + tal(255));
            }
            if (op <= 1) {
                console_print("%s", tekst.c_str());
                e.skriv(tekst, true);
                hvad = "print";
            } else {
                console_put_text(tekst.c_str());
                e.skriv(tekst, false);
                hvad = "put_text";
            }
        } else if (op == 4) {
            int k = tal(84), r = tal(54);
            console_goto(k, r);
            e.gaa_til(k, r);
            hvad = "goto";
        } else if (op == 5) {
            int f = tal(256);
            console_set_foreground(f);
            e.attribut = static_cast<std::uint8_t>((e.attribut & 0x70) | (f & 0x8F));
            int b = tal(16);
            console_set_background(b);
            e.attribut = static_cast<std::uint8_t>((e.attribut & 0x8F) | ((b * 16) & 0x70));
            hvad = "colours";
        } else if (op == 6 && tal(4) == 0) {
            console_clear();
            e.ryd();
            hvad = "clear";
        } else if (op == 7 && tal(8) == 0) {
            static const int modes[][3] = {{64, 80, 50}, {3, 80, 25}, {1, 40, 25}};
            const auto& mode = modes[tal(3)];
            console_set_mode(mode[0]);
            e.ny_stoerrelse(mode[1], mode[2]);
            hvad = "mode";
        } else if (op == 8 && vinduer) {
            auto& t = console_model().tilstand;
            if (tal(3) == 0) {  // back to the whole screen
                e.venstre = e.top = 0;
                e.hoejre = e.kol - 1;
                e.bund = e.raek - 1;
            } else {
                e.venstre = tal(e.kol / 2);
                e.hoejre = tal(3) == 0 ? e.kol - 1 : e.venstre + tal(e.kol - e.venstre);
                e.top = tal(2) == 0 ? 0 : tal(e.raek / 2);
                e.bund = tal(3) == 0 ? e.raek - 1 : e.top + tal(e.raek - e.top);
            }
            t.window_left = static_cast<std::uint8_t>(e.venstre);
            t.window_right = static_cast<std::uint8_t>(e.hoejre);
            t.window_top = static_cast<std::uint8_t>(e.top);
            t.window_bottom = static_cast<std::uint8_t>(e.bund);
            console_goto(1, 1);
            e.gaa_til(1, 1);
            hvad = "window";
        }
        std::string f = forskel(console_model(), e);
        ASSERT_EQ(f, "") << "seed " << froe << ", step " << trin << " (" << hvad << ")";
    }
    console_close();
}

}  // namespace

TEST(Skaermmodel, PrintingMatchesThePlainScreenRules) {
    for (unsigned froe = 1; froe <= 12; ++froe) sammenlign_med_enkel(froe, false);
}

TEST(Skaermmodel, PrintingInAWindowSmallerThanTheScreenMatchesThePlainScreenRules) {
    for (unsigned froe = 100; froe <= 111; ++froe) sammenlign_med_enkel(froe, true);
}
