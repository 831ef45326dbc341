// Screens, rows, pages and the main loop, read back from the screen model.
#include "brugergraense_fixtur.h"

using katsort::string;

TEST_F(Brugergraense, RowLayoutCutsAndAlignsEachField) {
    string* p = b->opsaetning.post(1);
    p[1] = "12345";
    p[5] = "Maleri";
    p[6] = "B";
    p[2] = "En titel paa tyve tg";
    p[3] = "Kunstner med langt navn";
    p[9] = "Beskrivelse der er laengere end otteogtyve tegn";
    b->tegn_emne(1, false);
    EXPECT_EQ(tekst(1, 6, 80), std::string("\xBA ") +
                                   "1234  M   B   En titel paa tyv Kunstner med la "
                                   "Beskrivelse der er laengere   \xBA");
    EXPECT_EQ(attribut(3, 6), 0x70);  // black on light grey
    p[1] = "7";
    p[6] = "NA";
    b->tegn_emne(42, true);  // item 42 is on the first row of its page; record 42 is empty
    EXPECT_EQ(tekst(3, 6, 76), std::string(76, ' '));
    b->tegn_emne(1, true);
    EXPECT_EQ(tekst(3, 6, 4), "   7");
    EXPECT_EQ(tekst(13, 6, 2), "NA");
    EXPECT_EQ(attribut(3, 6), 0x1F);  // white on blue
    EXPECT_EQ(attribut(78, 6), 0x1F);
    EXPECT_EQ(attribut(79, 6), 0x71);  // the frame keeps its colours
}

TEST_F(Brugergraense, RowsPastTheTableAreBlank) {
    lots(3);
    b->opsaetning.post(0)[2] = "swap slot";
    b->tegn_emne(2009, true);  // a 49th page reaches past record 1999
    EXPECT_EQ(tekst(3, 6 + (2009 - 1) % 41, 76), std::string(76, ' '));
    EXPECT_EQ(attribut(3, 6 + (2009 - 1) % 41), 0x1F);
}

TEST_F(Brugergraense, PageIndicatorIsBlankedBeforeEachPrint) {
    b->vis_side(10, 12);
    b->vis_side(9, 12);
    EXPECT_EQ(tekst(71, 48, 8), "9/12    ");
}

TEST_F(Brugergraense, NavigationAcrossPagesAndF1KeepsTheCursorRow) {
    lots(83);
    skriv("kat_emneliste.txt", "");
    // Down to row 46, on to page 2 and 3, Up back; Right and Left; then F1
    // with the cursor on row 30; Esc.
    std::string taster;
    for (int i = 0; i < 40; ++i) taster += "\x1b[B";
    taster += "\x1b[B";  // page 2, row 6 (item 42)
    for (int i = 0; i < 40; ++i) taster += "\x1b[B";
    taster += "\x1b[B";              // page 3, item 83 on row 6
    taster += "\x1b[B\x1b[A\x1b[A";  // down onto a blank row and back; Up at row 6: page 2, row 46
    console_feed(taster);
    // Read keys until the loop would block, then look at the screen.
    b->saet_sideantal();
    EXPECT_EQ(b->antal_sider, 3);
    EXPECT_EQ(b->rest_linjer, 1);
    koer_tasterne();
    EXPECT_EQ(tekst(71, 48, 8), "2/3     ");
    EXPECT_EQ(tekst(17, 46, 8), "Titel 82");
    EXPECT_EQ(attribut(17, 46), 0x1F);
    EXPECT_EQ(attribut(17, 45), 0x70);
}

TEST_F(Brugergraense, RightOnTheLastPageShowsItAgainWithTheCursorOnABlankRow) {
    lots(42);
    console_feed("\x1b[B\x1b[B\x1b[C\x1b[C");  // row 8, then page 2 (one item) twice
    koer_tasterne();
    EXPECT_EQ(tekst(71, 48, 4), "2/2 ");
    EXPECT_EQ(tekst(17, 6, 8), "Titel 42");
    EXPECT_EQ(attribut(17, 6), 0x70);
    EXPECT_EQ(tekst(3, 8, 76), std::string(76, ' '));
    EXPECT_EQ(attribut(3, 8), 0x1F);  // a bar of blue cells
    EXPECT_EQ(tekst(3, 7, 76), std::string(76, ' '));
    EXPECT_EQ(attribut(3, 7), 0x71);  // blanked by the list area's frame colour
}

TEST_F(Brugergraense, F1SortsRenumbersAndRedrawsTheFirstPage) {
    lots(30);
    for (int i = 1; i <= 30; ++i) {
        b->opsaetning.post(i)[4] = i % 2 ? "B" : "A";
        b->opsaetning.post(i)[2] =
            string(std::string_view(std::string("T") + std::to_string(100 - i)));
    }
    skriv("kat_emneliste.txt", "");
    std::string taster;
    for (int i = 0; i < 24; ++i) taster += "\x1b[B";  // row 30
    taster +=
        "\x1bOP"
        "TI";
    console_feed(taster);
    koer_tasterne();
    // A lots first (even numbers), each run ordered by title: T70 (lot 30) first.
    EXPECT_EQ(tekst(3, 6, 4), "   1");
    EXPECT_EQ(tekst(17, 6, 3), "T70");
    EXPECT_EQ(tekst(3, 30, 4), "  25");
    EXPECT_EQ(attribut(3, 30), 0x1F);
    EXPECT_EQ(tekst(70, 29, 1), " ");  // the dialog's corner is gone
    EXPECT_EQ(attribut(70, 29), 0x70);
    EXPECT_EQ(b->antal_noegler, 2);
}
