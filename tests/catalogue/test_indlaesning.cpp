#include <memory>
#include <string>

#include "kat_opsaetning.h"
#include "katalogmappe.h"
#include "token_stroem.h"

namespace {

class Indlaesning : public katalogmappe {
   protected:
    std::unique_ptr<kat_opsaetning> indlaes(const char* nr = "1") {
        auto k = std::make_unique<kat_opsaetning>();
        k->indlaes(nr);
        return k;
    }
    void eksempelfiler() {
        skriv("katalog.txt", "# 2 Boeger 20.04.1998 1\r\n# 1 Kunst 12.03.1998 3\r\n");
        skriv("kat_emneliste.txt", "# 2 30 1\r\n# 1 17 1\r\n# 1 4 2\r\n# 1 9 3\r\n");
        skriv("emne.txt",
              emne_post("30") +
                  "# 17 x Aften ved havet \xA4 ukendt kunstner \xA4 olie \xA4 M \xA4 NA \xA4"
                  " - \xA4 - \xA4 Stort maleri i guldramme \xA4 - \xA4 - \xA4 - \xA4 - \xA4"
                  " - \xA4 - \xA4 - \xA4\r\n" +
                  emne_post("4") + emne_post("9"));
    }
};

std::string f(kat_opsaetning& k, int r, int felt) { return std::string(k.post(r)[felt].view()); }

}  // namespace

TEST_F(Indlaesning, WorkedExample) {
    eksempelfiler();
    auto k = indlaes();
    EXPECT_EQ(k->hent_katalog_nr(), "1");
    EXPECT_EQ(k->hent_auktionstype(), "Kunst");
    EXPECT_EQ(k->hent_auktionsdato(), "12.03.1998");
    ASSERT_EQ(k->hent_antal(), 3);
    EXPECT_EQ(f(*k, 1, 0), "17");
    EXPECT_EQ(f(*k, 1, 1), "1");
    EXPECT_EQ(f(*k, 1, 2), "Aften ved havet");
    EXPECT_EQ(f(*k, 1, 3), "ukendt kunstner");
    EXPECT_EQ(f(*k, 1, 4), "olie");
    EXPECT_EQ(f(*k, 1, 5), "M");
    EXPECT_EQ(f(*k, 1, 6), "NA");
    EXPECT_EQ(f(*k, 1, 7), "-");
    EXPECT_EQ(f(*k, 1, 9), "Stort maleri i guldramme");
    for (int felt = 10; felt <= 16; ++felt) EXPECT_EQ(f(*k, 1, felt), "-");
    EXPECT_EQ(f(*k, 2, 0) + "/" + f(*k, 2, 1) + "/" + f(*k, 2, 2), "4/2/f1-4");
    EXPECT_EQ(f(*k, 3, 0) + "/" + f(*k, 3, 1) + "/" + f(*k, 3, 16), "9/3/f15-9");
    EXPECT_TRUE(k->status().indlaest_helt);
    EXPECT_TRUE(k->status().meddelelser.empty());
}

TEST_F(Indlaesning, TokensMarkersAndFieldsFollowTheFileRules) {
    // #1 glued is no marker; extra tokens after an entry are ignored; a field
    // over two lines gets single spaces; a field starting with ñ keeps it.
    skriv("katalog.txt", "forord #1 X Y 9 # 1 Kunst\t12.03.1998\v2 ekstra\n# 1 Andet 0 0");
    skriv("kat_emneliste.txt", "# 3 1 1 #1 5 5 # 1 8 2 ekstra # 1 7 1");
    std::string e8 = "# 8 x \xA4 x \xA4 ord1   ord2\r\n  ord3 \xA4";
    for (int i = 3; i <= 15; ++i) e8 += " v \xA4";
    skriv("emne.txt", emne_post("99") + e8 + "\n" + emne_post("7") + emne_post("8"));
    auto k = indlaes();
    EXPECT_EQ(k->hent_auktionstype(), "Kunst");
    ASSERT_EQ(k->hent_antal(), 2);
    EXPECT_EQ(f(*k, 1, 0), "8");  // fewer than five lots keep the file order
    EXPECT_EQ(f(*k, 1, 2), "\xA4 x");
    EXPECT_EQ(f(*k, 1, 3), "ord1 ord2 ord3");
    EXPECT_EQ(f(*k, 2, 0), "7");
    EXPECT_EQ(f(*k, 2, 2), "f1-7");
}

TEST_F(Indlaesning, FiveLotsOrMoreAreSortedByLotNumber) {
    skriv("katalog.txt", "# 1 K D 6");
    skriv("kat_emneliste.txt", "# 1 1 10 # 1 2 9 # 1 3 010 # 1 4 2 # 1 5 100 # 1 6 1");
    std::string e;
    for (int t = 1; t <= 6; ++t) e += emne_post(std::to_string(t));
    skriv("emne.txt", e);
    auto k = indlaes();
    std::string orden;
    for (int r = 1; r <= 6; ++r) orden += f(*k, r, 1) + " ";
    // 010 and 10 share a key; the scan keeps the nearer one first.
    EXPECT_EQ(orden, "1 2 9 010 10 100 ");
    EXPECT_EQ(f(*k, 1, 2), "f1-6");
}

TEST_F(Indlaesning, ByteOneAEndsTheInput) {
    skriv("katalog.txt", "# 1 K D 2");
    skriv("kat_emneliste.txt", "# 1 5 1 # 1 6 2\x1A # 1 7 3");
    skriv("emne.txt", emne_post("5") + emne_post("6"));
    auto k = indlaes();
    EXPECT_EQ(k->hent_antal(), 2);
    EXPECT_TRUE(k->status().indlaest_helt);  // the lot after the mark is not the catalogue's

    skriv("katalog.txt", "# 1 K D\x1A 2");
    auto k2 = indlaes();
    EXPECT_FALSE(k2->status().indlaest_helt);
    EXPECT_EQ(k2->hent_antal(), 0);
}

TEST_F(Indlaesning, MissingCatalogueEndsAtEndOfInputAndIsIncomplete) {
    skriv("katalog.txt", "# 2 Boeger 20.04.1998 1 # 11 A B 3");
    skriv("kat_emneliste.txt", "# 1 4 2");
    skriv("emne.txt", emne_post("4"));
    auto k = indlaes();
    EXPECT_EQ(k->hent_antal(), 0);
    EXPECT_FALSE(k->status().indlaest_helt);
    EXPECT_EQ(k->hent_katalog_nr(), "1");
}

TEST_F(Indlaesning, NoKatalogFileWritesFejlAndLoadsNothing) {
    skriv("kat_emneliste.txt", "# 1 4 2");
    auto k = indlaes();
    EXPECT_EQ(k->status().standard_ud, "fejl");
    EXPECT_EQ(k->hent_antal(), 0);
    EXPECT_FALSE(k->status().indlaest_helt);
}

TEST_F(Indlaesning, FewerListEntriesThanLotsStopsAtTheEnd) {
    skriv("katalog.txt", "# 1 K D 4");
    skriv("kat_emneliste.txt", "# 1 4 1 # 2 5 1 # 1 6 2");
    skriv("emne.txt", emne_post("4") + emne_post("6"));
    auto k = indlaes();
    EXPECT_EQ(k->hent_antal(), 2);
    EXPECT_FALSE(k->status().indlaest_helt);
    EXPECT_EQ(f(*k, 2, 2), "f1-6");
    EXPECT_TRUE(k->post(3)[0].empty());
}

TEST_F(Indlaesning, MissingOrOutOfOrderTopicsLeaveDetailsBlankButTheLoadComplete) {
    skriv("katalog.txt", "# 1 K D 3");
    skriv("kat_emneliste.txt", "# 1 4 1 # 1 6 2 # 1 5 3");
    skriv("emne.txt", emne_post("4") + emne_post("5") + emne_post("6"));
    auto k = indlaes();
    ASSERT_EQ(k->hent_antal(), 3);
    EXPECT_EQ(f(*k, 1, 2), "f1-4");
    EXPECT_EQ(f(*k, 2, 2), "f1-6");
    EXPECT_TRUE(k->post(3)[2].empty());  // topic 5 stood before 6
    EXPECT_EQ(f(*k, 3, 0), "5");
    EXPECT_TRUE(k->status().indlaest_helt);
    EXPECT_EQ(k->status().meddelelser.size(), 1u);
}

TEST_F(Indlaesning, FieldCutOffBeforeItsEndMarkStopsAtTheEnd) {
    skriv("katalog.txt", "# 1 K D 1");
    skriv("kat_emneliste.txt", "# 1 4 1");
    skriv("emne.txt", "# 4 x Titel \xA4 Kunstner uden ende");
    auto k = indlaes();
    EXPECT_EQ(f(*k, 1, 2), "Titel");
    EXPECT_EQ(f(*k, 1, 3), "Kunstner uden ende");
    EXPECT_TRUE(k->post(1)[4].empty());
}

TEST_F(Indlaesning, MoreThan1999LotsNeverPassTheTable) {
    skriv("katalog.txt", "# 1 K D 5000");
    std::string liste, emner;
    for (int i = 1; i <= 2100; ++i) {
        liste += "# 1 " + std::to_string(i) + " " + std::to_string(i) + "\r\n";
        if (i % 50 == 0) emner += emne_post(std::to_string(i));
    }
    skriv("kat_emneliste.txt", liste);
    skriv("emne.txt", emner);
    auto k = indlaes();
    EXPECT_EQ(k->hent_antal(), max_poster);
    EXPECT_FALSE(k->status().indlaest_helt);
    EXPECT_EQ(f(*k, 1999, 0), "1999");

    skriv("katalog.txt", "# 1 K D 3x");
    auto k2 = indlaes();
    EXPECT_FALSE(k2->status().indlaest_helt);
}

TEST_F(Indlaesning, TokensLongerThanTheReadBufferArriveWhole) {
    std::string lang(10 << 20, 'L');
    skriv("katalog.txt", "# 1 K D 1");
    skriv("kat_emneliste.txt", "# 1 4 1");
    skriv("emne.txt", "# 3 x " + lang + " \xA4 # 4 x " + lang + " \xA4 b \xA4");
    auto k = indlaes();
    EXPECT_EQ(k->post(1)[2].length(), lang.size());
    EXPECT_EQ(f(*k, 1, 3), "b");
}

TEST_F(Indlaesning, ALotCountThatDoesNotFitLoadsNothingAndIsNeverSaved) {
    skriv("kat_emneliste.txt", "# 1 4 1\r\n# 1 5 2\r\n");
    skriv("emne.txt", emne_post("4") + emne_post("5"));
    // 4294967297 would wrap to 1 and lose the second lot.
    for (const char* antal : {"4294967297", "2x", "-2"}) {
        skriv("katalog.txt", std::string("# 1 K D ") + antal);
        auto k = indlaes();
        EXPECT_EQ(k->hent_antal(), 0) << antal;
        EXPECT_FALSE(k->status().indlaest_helt) << antal;
        k->gem();
        EXPECT_FALSE(k->status().gemt) << antal;
        EXPECT_EQ(laes("kat_emneliste.txt"), "# 1 4 1\r\n# 1 5 2\r\n") << antal;
    }
    // Leading zeros are no digits of the value.
    for (const char* antal : {"000000002", "0000000002", "0000000000000000000002"}) {
        skriv("katalog.txt", std::string("# 1 K D ") + antal);
        EXPECT_EQ(indlaes()->hent_antal(), 2) << antal;
    }
}

TEST_F(Indlaesning, MoreListEntriesThanTheCountNameBothNumbersAndKeepTheList) {
    std::string liste = "# 2 30 1\r\n";
    for (int i = 1; i <= 130; ++i)
        liste += "# 1 " + std::to_string(i) + " " + std::to_string(i) + "\r\n";
    skriv("kat_emneliste.txt", liste);
    for (const char* antal : {"12", "0"}) {
        skriv("katalog.txt", std::string("# 1 K D ") + antal);
        auto k = indlaes();
        EXPECT_FALSE(k->status().indlaest_helt) << antal;
        ASSERT_FALSE(k->status().meddelelser.empty()) << antal;
        const std::string& m = k->status().meddelelser.front();
        EXPECT_NE(m.find("130"), std::string::npos) << m;
        EXPECT_NE(m.find(std::string("angiver ") + antal), std::string::npos) << m;
        k->gem();
        EXPECT_FALSE(k->status().gemt);
        EXPECT_EQ(laes("kat_emneliste.txt"), liste);
    }
}

TEST_F(Indlaesning, FileTextInMessagesShowsControlBytesEscapedAndIsCut) {
    skriv("katalog.txt", "# 1 K D 130\x1b]52;c;aGVq\x07" + std::string(200, 'x'));
    auto k = indlaes();
    ASSERT_FALSE(k->status().meddelelser.empty());
    const std::string& m = k->status().meddelelser.front();
    EXPECT_NE(m.find("\"130\\x1B]52;c;aGVq\\x07xxx"), std::string::npos) << m;
    EXPECT_EQ(m.find('\x1b'), std::string::npos);
    EXPECT_EQ(m.find('\x07'), std::string::npos);
    EXPECT_LT(m.size(), 200u);
}
