#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "kat_string.h"

using katsort::string;

namespace {

// Whether two strings share one text: the same bytes in the same place.
bool deler_tekst(const string& a, const string& b) {
    return !a.empty() && a.view().data() == b.view().data();
}

}  // namespace

TEST(String, CopiesShareTheTextUntilOneIsWritten) {
    string a("Akvarel");
    string b = a;
    EXPECT_TRUE(deler_tekst(a, b));
    b.put(0, 'a');
    EXPECT_FALSE(deler_tekst(a, b));
    EXPECT_EQ(a, "Akvarel");
    EXPECT_EQ(b, "akvarel");
    string c;
    c = a;
    c += " i ramme";
    EXPECT_EQ(a, "Akvarel");
    EXPECT_EQ(c, "Akvarel i ramme");
}

TEST(String, IndexingPastTheEndThrowsTheRangeError) {
    string s("ab");
    EXPECT_EQ(s[1], 'b');
    try {
        (void)s[2];
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "String reference out of range");
    }
    EXPECT_THROW((void)string()[0], std::out_of_range);
    EXPECT_THROW(s.put(5, 'x'), std::out_of_range);
}

TEST(String, EqualityIsByteExactAndCaseSensitive) {
    EXPECT_EQ(string("1"), string("1"));
    EXPECT_FALSE(string("1") == string("01"));
    EXPECT_FALSE(string("Akvarel") == string("akvarel"));
    EXPECT_EQ(string(), string(""));
    EXPECT_EQ(string(std::string_view("a\0b", 3)).length(), 3u);
}

TEST(String, StreamReadTakesOneTokenOfAnyLength) {
    std::string lang(100000, 'x');
    std::istringstream ind("  \t\r\n Titel \x91\xA4 " + lang + "\n");
    string a, b, c, d;
    ind >> a >> b >> c;
    EXPECT_EQ(a, "Titel");
    EXPECT_EQ(b, "\x91\xA4");
    EXPECT_EQ(c.length(), lang.size());
    ind >> d;
    EXPECT_TRUE(d.empty());
    d = "rest";
    ind >> d;  // on a failed stream too
    EXPECT_TRUE(d.empty());
}

TEST(String, AssignmentsKeepEveryCopyAliveAndFreeTheLast) {
    string a("Akvarel");
    const string& selv = a;
    a = selv;  // to itself
    EXPECT_EQ(a, "Akvarel");
    string b(a), c;
    c = std::move(b);
    EXPECT_TRUE(deler_tekst(c, a));
    EXPECT_TRUE(b.empty());
    a = string("Olie");  // the old text lives on in c
    EXPECT_EQ(c, "Akvarel");
    const string& ogsaa_selv = c;
    c = ogsaa_selv;
    c += " i ramme";
    EXPECT_EQ(c, "Akvarel i ramme");
}
