#include <gtest/gtest.h>

#include <random>
#include <string>

#include "cp850.h"
#include "renderer.h"
#include "screen_model.h"
#include "vterm_skaerm.h"

using console_detail::renderer;
using console_detail::skaermmodel;

namespace {

// PC colour numbers in the terminal's (ECMA-48) order.
int ecma(int pc) { return (pc & 8) | (pc & 2) | ((pc & 1) << 2) | ((pc & 4) >> 2); }

void sammenlign(const skaermmodel& m, const vterm_skaerm& vt, int raekker, int kolonner) {
    for (int y = 0; y < raekker; ++y)
        for (int x = 0; x < kolonner; ++x) {
            const auto& c = m.ved(x, y);
            ASSERT_EQ(vt.tegn(y, x), console_detail::cp850_glyph[c.tegn])
                << "cell " << x << "," << y;
            ASSERT_EQ(vt.forgrund(y, x), ecma(c.attribut & 0x0F)) << "cell " << x << "," << y;
            ASSERT_EQ(vt.baggrund(y, x), ecma((c.attribut >> 4) & 7)) << "cell " << x << "," << y;
        }
}

// Checks that outside its own escape sequences the output holds no byte
// below 0x20 but CR, LF and BEL, and no DEL.
void kun_egne_styrekoder(const std::string& ud) {
    for (std::size_t i = 0; i < ud.size(); ++i) {
        auto b = static_cast<unsigned char>(ud[i]);
        if (b == 0x1B) {
            ASSERT_LT(i + 1, ud.size());
            ASSERT_EQ(ud[i + 1], '[') << "at " << i;
            i += 2;
            while (i < ud.size() && !(ud[i] >= 0x40 && ud[i] <= 0x7E)) ++i;
            continue;
        }
        ASSERT_TRUE(b >= 0x20 || b == '\r' || b == '\n' || b == '\a')
            << "byte " << int(b) << " at " << i;
        ASSERT_NE(b, 0x7F);
    }
}

// Whether any SGR sequence sets a bright foreground (90..97).
bool har_lyse_farver(const std::string& ud) {
    for (std::size_t i = ud.find("\x1b["); i != std::string::npos; i = ud.find("\x1b[", i + 1)) {
        std::size_t slut = ud.find_first_not_of("0123456789;", i + 2);
        if (slut == std::string::npos || ud[slut] != 'm') continue;
        std::string parametre = ud.substr(i + 2, slut - i - 2) + ";";
        for (std::size_t p = 0, q; (q = parametre.find(';', p)) != std::string::npos; p = q + 1) {
            int v = q > p ? std::stoi(parametre.substr(p, q - p)) : 0;
            if (v >= 90 && v <= 97) return true;
        }
    }
    return false;
}

}  // namespace

TEST(Renderer, RandomChangesShowOnARealTerminalCellForCell) {
    std::mt19937 rng(1234);
    skaermmodel m(80, 25);
    m.saet_tilstand(64);
    renderer r;
    r.saet_terminalstoerrelse(80, 50);
    vterm_skaerm vt(50, 80);
    for (int runde = 0; runde < 200; ++runde) {
        int handlinger = 1 + static_cast<int>(rng() % 20);
        for (int h = 0; h < handlinger; ++h) {
            m.saet_forgrund(static_cast<int>(rng() % 16));
            m.saet_baggrund(static_cast<int>(rng() % 8));
            m.gaa_til(1 + static_cast<int>(rng() % 80), 1 + static_cast<int>(rng() % 50));
            std::string tekst;
            int laengde = static_cast<int>(rng() % 120);
            for (int i = 0; i < laengde; ++i) tekst += static_cast<char>(rng() % 256);
            if (rng() % 10 == 0) m.ryd();
            m.skriv(tekst);
        }
        if (rng() % 3 == 0) m.saet_markoerform(static_cast<int>(rng() % 3));
        std::string ud = r.tegn(m);
        kun_egne_styrekoder(ud);
        vt.fodr(ud);
        sammenlign(m, vt, 50, 80);
        int vr = 0, vk = 0;
        vt.markoer(vr, vk);
        ASSERT_EQ(vt.markoer_synlig(), m.markoer_synlig);
        if (m.markoer_synlig) {
            ASSERT_EQ(vr, m.y);
            ASSERT_EQ(vk, m.x);
        }
    }
}

TEST(Renderer, NothingChangedWritesNothing) {
    skaermmodel m(80, 50);
    renderer r;
    r.saet_terminalstoerrelse(80, 50);
    EXPECT_FALSE(r.tegn(m).empty());
    EXPECT_TRUE(r.tegn(m).empty());
    m.gaa_til(3, 3);
    m.skriv("x");
    std::string ud = r.tegn(m);
    EXPECT_EQ(ud.rfind("\x1b[?2026h", 0), 0u);  // synchronized output around each update
    EXPECT_NE(ud.find("\x1b[?2026l"), std::string::npos);
    EXPECT_TRUE(r.tegn(m).empty());
}

TEST(Renderer, EveryByteShowsAsItsGlyphAndSoftHyphenAsAHyphen) {
    skaermmodel m(80, 50);
    m.gaa_til(1, 1);
    for (int b = 0; b < 256; ++b) {
        m.gaa_til(1 + b % 64, 1 + b / 64);
        m.skriv(
            std::string(1, static_cast<char>(b == 7 || b == 8 || b == 10 || b == 13 ? '.' : b)));
    }
    renderer r;
    r.saet_terminalstoerrelse(80, 50);
    std::string ud = r.tegn(m);
    kun_egne_styrekoder(ud);
    vterm_skaerm vt(50, 80);
    vt.fodr(ud);
    EXPECT_EQ(vt.tegn(0, 0), U' ');        // 0x00 blank
    EXPECT_EQ(vt.tegn(0, 1), U'\u263A');   // 0x01 ☺
    EXPECT_EQ(vt.tegn(0, 27), U'\u2190');  // 0x1B ←
    EXPECT_EQ(vt.tegn(1, 63), U'\u2302');  // 0x7F ⌂
    EXPECT_EQ(vt.tegn(2, 17), U'\u00E6');  // 0x91 æ
    EXPECT_EQ(vt.tegn(3, 48), U'-');       // 0xF0 soft hyphen
}

TEST(Renderer, EightColourTerminalsGetBoldForBrightColours) {
    skaermmodel m(80, 50);
    m.saet_baggrund(7);
    m.saet_forgrund(15);
    m.gaa_til(1, 1);
    m.skriv("A");
    m.saet_forgrund(0);
    m.skriv("B");
    renderer r(false);
    r.saet_terminalstoerrelse(80, 50);
    vterm_skaerm vt(50, 80);
    std::string ud = r.tegn(m);
    EXPECT_FALSE(har_lyse_farver(ud));
    vt.fodr(ud);
    EXPECT_TRUE(vt.fed(0, 0));
    EXPECT_EQ(vt.forgrund(0, 0), 7);
    EXPECT_FALSE(vt.fed(0, 1));
    EXPECT_EQ(vt.forgrund(0, 1), 0);
}

TEST(Renderer, SmallTerminalShowsTheTopLeftAndANotice) {
    skaermmodel m(80, 25);
    m.saet_tilstand(64);
    m.gaa_til(1, 1);
    m.skriv("hjoerne");
    m.gaa_til(60, 20);
    m.skriv("synlig");
    m.gaa_til(70, 45);
    m.skriv("skjult");
    renderer r;
    r.saet_terminalstoerrelse(70, 24);
    vterm_skaerm vt(24, 70);
    vt.fodr(r.tegn(m));
    EXPECT_EQ(vt.raekke(0, 0, 7), "hjoerne");
    EXPECT_EQ(vt.raekke(19, 59, 65), "synlig");
    EXPECT_NE(vt.raekke(23).find("80 x 50"), std::string::npos);
    EXPECT_NE(vt.raekke(23).find("70 x 24"), std::string::npos);
    // Big enough again: everything is repainted and the notice goes.
    r.saet_terminalstoerrelse(80, 50);
    vterm_skaerm stor(50, 80);
    stor.fodr(r.tegn(m));
    EXPECT_EQ(stor.raekke(44, 69, 75), "skjult");
    EXPECT_EQ(stor.raekke(23).find("80 x 50"), std::string::npos);
}
