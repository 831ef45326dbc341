#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bogstavelig_sorter.h"
#include "kat_opsaetning.h"
#include "noegle_tekster.h"

using katsort::string;

namespace {

std::unique_ptr<kat_opsaetning> ny_store() { return std::make_unique<kat_opsaetning>(); }

void saet(kat_opsaetning& k, int r, std::vector<const char*> felter) {
    for (std::size_t f = 0; f < felter.size(); ++f) k.post(r)[f] = felter[f];
}

std::string raekke(kat_opsaetning& k, int r, std::initializer_list<int> felter) {
    std::string s;
    for (int f : felter) {
        if (!s.empty()) s += ",";
        s += std::string(k.post(r)[f].view());
    }
    return s;
}

}  // namespace

TEST(Sorter, NumericKeysAreNotStable) {
    // 5 (P), 5 (Q), 3 (R), 7 (S), 8 (T) come out as R, Q, P, S, T.
    auto k = ny_store();
    const char* navne[] = {"P", "Q", "R", "S", "T"};
    const char* numre[] = {"5", "5", "3", "7", "8"};
    for (int r = 1; r <= 5; ++r) saet(*k, r, {numre[r - 1], "0", navne[r - 1]});
    int noegler[5] = {0, -1, -1, -1, -1};
    k->sorter(1, 5, noegler, 0, 1, 1);
    std::string orden;
    for (int r = 1; r <= 5; ++r) orden += std::string(k->post(r)[2].view());
    EXPECT_EQ(orden, "RQPST");
    EXPECT_EQ(k->post(0)[2], "T");  // the swap slot holds the last record moved
}

TEST(Sorter, EightLotsF1ThenEsc) {
    auto k = ny_store();
    const char* loaded[8][4] = {{"10", "1", "B", "Vase"},   {"11", "2", "A", "Stol"},
                                {"12", "3", "B", "Lampe"},  {"13", "4", "A", "Bord"},
                                {"14", "5", "A", "Ur"},     {"15", "6", "B", "Kande"},
                                {"16", "7", "A", "Maleri"}, {"17", "8", "A", "Fad"}};
    for (int r = 1; r <= 8; ++r) {
        k->post(r)[0] = loaded[r - 1][0];
        k->post(r)[1] = loaded[r - 1][1];
        k->post(r)[4] = loaded[r - 1][2];
        k->post(r)[2] = loaded[r - 1][3];
    }
    int noegler[5] = {4, 2, -1, -1, -1};
    k->sorter(1, 8, noegler, 0, 2, 0);
    const char* efter_f1[] = {"13,1,A,Bord", "17,2,A,Fad",   "16,3,A,Maleri", "11,4,A,Stol",
                              "14,5,A,Ur",   "15,6,B,Kande", "10,7,B,Vase",   "12,8,B,Lampe"};
    for (int r = 1; r <= 8; ++r) EXPECT_EQ(raekke(*k, r, {0, 1, 4, 2}), efter_f1[r - 1]) << r;

    noegler[0] = 0;
    k->sorter(1, 8, noegler, 0, 1, 1);
    const char* efter_esc[] = {"10,7,B,Vase", "11,4,A,Stol",  "12,8,B,Lampe",  "13,1,A,Bord",
                               "14,5,A,Ur",   "15,6,B,Kande", "16,3,A,Maleri", "17,2,A,Fad"};
    for (int r = 1; r <= 8; ++r) EXPECT_EQ(raekke(*k, r, {0, 1, 4, 2}), efter_esc[r - 1]) << r;
}

TEST(Sorter, FewerThanFiveRecordsKeepOrderAndNumbers) {
    auto k = ny_store();
    for (int r = 1; r <= 4; ++r) saet(*k, r, {"1", "9", r % 2 ? "b" : "a"});
    int noegler[5] = {2, -1, -1, -1, -1};
    k->sorter(1, 4, noegler, 0, 1, 0);
    EXPECT_EQ(raekke(*k, 1, {1, 2}), "9,b");
    EXPECT_EQ(raekke(*k, 2, {1, 2}), "9,a");
    EXPECT_TRUE(k->post(0)[2].empty());
}

TEST(Sorter, RunsAreExactTextAndStopAtTheRangeEnd) {
    // Akvarel and akvarel share a key but form separate runs; the next key
    // then leaves each short run alone. Record 7 holds the same text but is
    // outside the range.
    auto k = ny_store();
    const char* kat[] = {"akvarel", "Akvarel", "Akvarel", "Akvarel",
                         "Akvarel", "Akvarel", "Akvarel"};
    const char* titel[] = {"e", "d", "c", "b", "a", "f", "0"};
    for (int r = 1; r <= 7; ++r) {
        k->post(r)[5] = kat[r - 1];
        k->post(r)[2] = titel[r - 1];
    }
    int noegler[5] = {5, 2, -1, -1, -1};
    k->sorter(1, 6, noegler, 0, 2, 1);
    std::string orden;
    for (int r = 1; r <= 7; ++r) orden += std::string(k->post(r)[2].view());
    // One key for all: the first pass keeps the order; the run of five
    // "Akvarel" (records 2..6) is then ordered by title, without record 7.
    EXPECT_EQ(orden, "eabcdf0");
}

TEST(Sorter, SameFieldTwiceChangesNothingAtTheSecondLevel) {
    auto k = ny_store();
    const char* tit[] = {"b", "a", "c", "a", "b", "a"};
    for (int r = 1; r <= 6; ++r) saet(*k, r, {"1", "1", tit[r - 1]});
    int een[5] = {2, -1, -1, -1, -1};
    int to[5] = {2, 2, -1, -1, -1};
    auto a = ny_store();
    for (int r = 1; r <= 6; ++r) saet(*a, r, {"1", "1", tit[r - 1]});
    k->sorter(1, 6, een, 0, 1, 0);
    a->sorter(1, 6, to, 0, 2, 0);
    for (int r = 0; r <= 6; ++r) EXPECT_EQ(raekke(*k, r, {0, 1, 2}), raekke(*a, r, {0, 1, 2}));
}

// The fast sort against the per-comparison procedure: every field of every
// record, record 0 included, must match after each sort.
TEST(Sorter, FastSortMatchesLiteralProcedureOnRandomTables) {
    std::mt19937 rng(4711);
    const auto& ord = sorteringsord;
    auto a = ny_store();
    auto b = ny_store();
    for (int runde = 0; runde < 60; ++runde) {
        int n = runde < 10 ? runde : static_cast<int>(rng() % 300) + 5;
        int ordvalg = 2 + static_cast<int>(rng() % 15);
        for (int r = 0; r <= n; ++r) {
            for (int f = 0; f < antal_felter; ++f) {
                string v(ord[rng() % static_cast<unsigned>(ordvalg)]);
                if (f <= 1) v = kat_opsaetning::tal_til_tekst(static_cast<int>(rng() % 50));
                a->post(r)[f] = v;
                b->post(r)[f] = v;
            }
        }
        int noegler[5] = {4, 2, 3, 5, 6};
        int antal = 1 + static_cast<int>(rng() % 5);
        if (runde % 3 == 0) noegler[1] = 0;
        if (runde % 5 == 0) noegler[2] = 1;
        int behold = static_cast<int>(rng() % 2);
        a->sorter(1, n, noegler, 0, antal, behold);
        bogstavelig_sorter(*b, 1, n, noegler, 0, antal, behold);
        for (int r = 0; r <= n; ++r)
            for (int f = 0; f < antal_felter; ++f)
                ASSERT_EQ(a->post(r)[f], b->post(r)[f]) << "round " << runde << " record " << r;
    }
}
