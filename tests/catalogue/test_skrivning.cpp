
#include <memory>
#include <random>
#include <string>

#include "kat_opsaetning.h"
#include "katalogmappe.h"

namespace {

class Skrivning : public katalogmappe {};

}  // namespace

TEST_F(Skrivning, WorkedExampleByteForByte) {
    skriv("kat_emneliste.txt", eksempel_liste);
    auto k = store({{"4", "1"}, {"9", "2"}, {"17", "3"}});
    k->gem();
    EXPECT_TRUE(k->status().gemt);
    EXPECT_EQ(laes("kat_emneliste.txt"),
              "# 2 30 1\r\n# 1 4 1 \r\n# 1 9 2 \r\n# 1 17 3 \r\n# 3 5 7");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));

    skriv("kat_emneliste.txt", "# 2 30 1\r\n# 1 17 1\r\n# 1 4 2\r\n# 1 9 3\r\n");
    k->gem();
    EXPECT_EQ(laes("kat_emneliste.txt"), "# 2 30 1\r\n# 1 4 1 \r\n# 1 9 2 \r\n# 1 17 3 \r\n");
}

TEST_F(Skrivning, GroupAtStartMiddleOrEndAndSurplusEntries) {
    auto k = store({{"4", "1"}, {"9", "2"}});
    skriv("kat_emneliste.txt", "# 1 4 1 # 1 9 2 # 1 99 3\n# 2 3 4\n\n# 3   5\n  6");
    k->gem();
    EXPECT_EQ(laes("kat_emneliste.txt"), "# 1 4 1 \r\n# 1 9 2 \r\n# 2 3 4\r\n# 3 5 6");
    skriv("kat_emneliste.txt", "# 2 3 4 # 1 0 0 # 3 5 6");
    k->gem();
    EXPECT_EQ(laes("kat_emneliste.txt"), "# 2 3 4\r\n# 1 4 1 \r\n# 1 9 2 \r\n# 3 5 6");
    skriv("kat_emneliste.txt", "# 2 3 4 # 3 5 6");
    k->gem();
    EXPECT_EQ(laes("kat_emneliste.txt"), "# 2 3 4\r\n# 3 5 6");
}

TEST_F(Skrivning, SeveralGroupsGetTheRecordsOnceAtTheFirst) {
    auto k = store({{"4", "1"}});
    skriv("kat_emneliste.txt", "# 2 3 4 # 1 4 1 # 3 5 6 # 1 8 8");
    k->gem();
    EXPECT_EQ(laes("kat_emneliste.txt"), "# 2 3 4\r\n# 1 4 1 \r\n# 3 5 6\r\n");
}

TEST_F(Skrivning, OtherCataloguesValuesAreCopiedAsTheyAre) {
    auto k = store({{"4", "1"}});
    const char gammel[] =
        "# 1 4 1 # 2 007 +5 # 3 0x1F 99999999999 # 4 \x01\xFF garbage\0z here # 5 -3 4";
    const char ny[] =
        "# 1 4 1 \r\n# 2 007 +5\r\n# 3 0x1F 99999999999\r\n# 4 \x01\xFF garbage\0z here\r\n# 5 -3 "
        "4";
    skriv("kat_emneliste.txt", std::string(gammel, sizeof gammel - 1));
    k->gem();
    EXPECT_TRUE(k->status().gemt);
    EXPECT_EQ(laes("kat_emneliste.txt"), std::string(ny, sizeof ny - 1));
}

TEST_F(Skrivning, LoadSaveLoadIsStable) {
    std::mt19937 rng(99);
    for (int runde = 0; runde < 25; ++runde) {
        int n = static_cast<int>(rng() % 60);
        std::string liste, emner;
        for (int c = 2; c <= 4; ++c)
            liste += "# " + std::to_string(c) + " " + std::to_string(rng() % 1000) + " 1\r\n";
        for (int i = 1; i <= n; ++i) {
            liste +=
                "# 1 " + std::to_string(i * 3) + " " + std::to_string(rng() % 500 + 1) + "\r\n";
            emner += emne_post(std::to_string(i * 3), std::string("T") + std::to_string(rng() % 7));
        }
        liste += "# 7 8 9";
        skriv("katalog.txt", "# 1 K D " + std::to_string(n));
        skriv("kat_emneliste.txt", liste);
        skriv("emne.txt", emner);
        auto a = std::make_unique<kat_opsaetning>();
        a->indlaes("1");
        int noegler[5] = {4, 2, -1, -1, -1};
        a->sorter(1, n, noegler, 0, 2, 0);
        noegler[0] = 0;
        a->sorter(1, n, noegler, 0, 1, 1);
        a->gem();
        ASSERT_TRUE(a->status().gemt);
        std::string foerste = laes("kat_emneliste.txt");
        auto b = std::make_unique<kat_opsaetning>();
        b->indlaes("1");
        b->sorter(1, n, noegler, 0, 1, 1);
        b->gem();
        ASSERT_EQ(laes("kat_emneliste.txt"), foerste) << "round " << runde;
        for (int i = 1; i <= n; ++i) {
            // The saved lot numbers are the renumbered ones, keyed by topic.
            ASSERT_EQ(a->post(i)[0], b->post(i)[0]);
            ASSERT_EQ(a->post(i)[1], b->post(i)[1]);
        }
    }
}

TEST_F(Skrivning, IncompleteLoadNeverReplacesTheList) {
    skriv("kat_emneliste.txt", eksempel_liste);
    auto k = std::make_unique<kat_opsaetning>();
    k->indlaes("1");  // no katalog.txt: 0 lots, incomplete
    k->gem();
    EXPECT_FALSE(k->status().gemt);
    EXPECT_EQ(laes("kat_emneliste.txt"), eksempel_liste);
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}

TEST_F(Skrivning, MissingOldListIsReportedAndNothingIsWritten) {
    auto k = store({{"4", "1"}});
    k->gem();
    EXPECT_FALSE(k->status().gemt);
    EXPECT_FALSE(findes("kat_emneliste.txt"));
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
    ASSERT_FALSE(k->status().meddelelser.empty());
    EXPECT_NE(k->status().meddelelser.back().find("kat_emneliste.txt"), std::string::npos);
}

TEST_F(Skrivning, ByteOneAInTheMiddleOfTheOldListKeepsIt) {
    std::string gammel = "# 1 4 1\r\n\x1A# 2 5 6";
    skriv("kat_emneliste.txt", gammel);
    auto k = store({{"4", "1"}});
    k->gem();
    EXPECT_FALSE(k->status().gemt);
    EXPECT_EQ(laes("kat_emneliste.txt"), gammel);
    skriv("kat_emneliste.txt", "# 1 4 1\r\n\x1A");  // an end mark at the very end is fine
    k->gem();
    EXPECT_TRUE(k->status().gemt);
}

TEST_F(Skrivning, ACatalogueEntryChangedMeanwhileKeepsTheOtherVersion) {
    skriv("katalog.txt", "# 1 K D 2");
    skriv("emne.txt", emne_post("4") + emne_post("9"));
    const std::string liste = "# 2 30 1\r\n# 1 4 1\r\n# 1 9 2\r\n# 3 5 7";
    for (const std::string& andres : {liste + "\r\n# 1 12 3", std::string("# 1 4 1\r\n# 1 9 7")}) {
        skriv("kat_emneliste.txt", liste);
        auto k = std::make_unique<kat_opsaetning>();
        k->indlaes("1");
        ASSERT_TRUE(k->status().indlaest_helt);
        skriv("kat_emneliste.txt", andres);  // another tool, while the operator sorts
        k->gem();
        EXPECT_FALSE(k->status().gemt);
        EXPECT_EQ(laes("kat_emneliste.txt"), andres);
        ASSERT_FALSE(k->status().meddelelser.empty());
        EXPECT_NE(k->status().meddelelser.back().find("andet program"), std::string::npos);
    }
}

TEST_F(Skrivning, OtherCataloguesChangedMeanwhileAreKept) {
    skriv("katalog.txt", "# 1 K D 2");
    skriv("emne.txt", emne_post("4") + emne_post("9"));
    skriv("kat_emneliste.txt", "# 2 30 1\r\n# 1 9 1\r\n# 1 4 2\r\n");
    auto k = std::make_unique<kat_opsaetning>();
    k->indlaes("1");
    skriv("kat_emneliste.txt", "# 2 31 1\r\n# 1 9 1\r\n# 1 4 2\r\n# 5 6 7");
    k->gem();
    EXPECT_TRUE(k->status().gemt);
    EXPECT_EQ(laes("kat_emneliste.txt"), "# 2 31 1\r\n# 1 9 1 \r\n# 1 4 2 \r\n# 5 6 7");
}
