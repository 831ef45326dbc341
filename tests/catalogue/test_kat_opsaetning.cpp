// The store: empty after construction, header values as copies, and every
// field write stays in its own record.
#include <gtest/gtest.h>

#include <memory>

#include "kat_opsaetning.h"

using katsort::string;

namespace {
std::unique_ptr<kat_opsaetning> ny_store() { return std::make_unique<kat_opsaetning>(); }
}  // namespace

TEST(Store, StartsEmptyWithHeaderValuesZero) {
    auto k = ny_store();
    EXPECT_EQ(k->hent_katalog_nr(), "0");
    EXPECT_EQ(k->hent_auktionstype(), "0");
    EXPECT_EQ(k->hent_auktionsdato(), "0");
    EXPECT_EQ(k->hent_antal(), 0);
    for (int r = 0; r < antal_pladser; ++r)
        for (int f = 0; f < antal_felter; ++f) ASSERT_TRUE(k->post(r)[f].empty());
    EXPECT_EQ(k->emneliste.felt[0], "0");
    EXPECT_EQ(k->emneliste.felt[1], "0");
}

TEST(Store, HeaderCopiesAndFieldWritesStayWhereTheyBelong) {
    auto k = ny_store();
    string t = k->hent_auktionstype();
    t += "x";
    EXPECT_EQ(k->hent_auktionstype(), "0");
    k->post(7)[3] = "Kunstner";
    EXPECT_EQ(k->post(7)[3], "Kunstner");
    EXPECT_TRUE(k->post(6)[3].empty());
    EXPECT_TRUE(k->post(8)[3].empty());
    EXPECT_TRUE(k->post(7)[2].empty());
}
