// The sort priority dialog: its box, the letters it takes and refuses, and
// the Ingen that fills the lines left.
#include "brugergraense_fixtur.h"

TEST_F(Brugergraense, RefusesRepeatedLowerCaseLetters) {
    b->tegn_prioritering();
    EXPECT_EQ(tekst(16, 15, 2), "\xC9\xCD");
    EXPECT_EQ(tekst(37, 21, 2), "1.");
    EXPECT_EQ(console_model().at(20, 28).character, 0xEE);  // the mark under T of Titel
    console_feed("ttxKTS");
    b->vaelg_prioritering();
    int forventet[5] = {4, 2, 3, 2, 6};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(b->sorteringsnoegler[i], forventet[i]) << i;
    EXPECT_EQ(b->antal_noegler, 5);
    EXPECT_EQ(tekst(39, 21, 8), "Titel   ");
    EXPECT_EQ(tekst(39, 22, 8), "Kunstner");
    EXPECT_EQ(tekst(39, 23, 5), "Titel");
    EXPECT_EQ(tekst(39, 24, 7), "Stilart");
    EXPECT_EQ(attribut(39, 21), 0x27);  // light grey on green
}

TEST_F(Brugergraense, IngenFillsTheRemainingLines) {
    b->tegn_prioritering();
    console_feed("k\x1b[5~");  // Page Up arrives as 0, 73: matched as "I"
    b->vaelg_prioritering();
    int forventet[5] = {4, 3, 0, 0, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(b->sorteringsnoegler[i], forventet[i]) << i;
    EXPECT_EQ(b->antal_noegler, 2);
    EXPECT_EQ(tekst(39, 22, 5), "Ingen");
    EXPECT_EQ(tekst(39, 24, 5), "Ingen");

    b->tegn_prioritering();
    console_feed(
        "\x1b[D"
        "as"
        "i");  // Left arrow (0, 75) is "K"
    b->vaelg_prioritering();
    int fire[5] = {4, 3, 5, 6, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(b->sorteringsnoegler[i], fire[i]) << i;
    EXPECT_EQ(b->antal_noegler, 4);
}

TEST_F(Brugergraense, BoxStandsInColumns16To70AndRows15To30) {
    b->tegn_prioritering();
    const std::string mellemrum(53, ' ');
    EXPECT_EQ(tekst(16, 15, 55), "\xC9" + std::string(53, '\xCD') + "\xBB");
    EXPECT_EQ(tekst(16, 16, 55), "\xBA" + mellemrum + "\xBA");
    EXPECT_EQ(tekst(16, 17, 55), "\xBA  P R I O R I T E R I N G   A F   S O R T E R I N G  \xBA");
    EXPECT_EQ(tekst(16, 19, 55), "\xBA " + std::string(51, '\xC4') + " \xBA");
    EXPECT_EQ(tekst(16, 24, 55),
              "\xBA" + std::string(20, ' ') + "4." + std::string(31, ' ') + "\xBA");
    EXPECT_EQ(tekst(16, 26, 55), "\xBA " + std::string(51, '\xC4') + " \xBA");
    EXPECT_EQ(tekst(16, 28, 55), "\xBA    Titel   Kunstner   Kategori   Stilart   Ingen    \xBA");
    EXPECT_EQ(tekst(16, 29, 55),
              "\xBA    \xEE       \xEE           \xEE         \xEE         \xEE        \xBA");
    EXPECT_EQ(tekst(16, 30, 55), "\xC8" + std::string(53, '\xCD') + "\xBC");
    EXPECT_EQ(attribut(16, 15), 0x27);
    EXPECT_EQ(console_model().x, 37);  // the cursor at column 38, row 31
    EXPECT_EQ(console_model().y, 30);
}
