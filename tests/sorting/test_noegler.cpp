#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "kat_opsaetning.h"
#include "noegle_tekster.h"

using katsort::string;

namespace {

std::uint64_t bits(double d) { return std::bit_cast<std::uint64_t>(d); }

struct alfa_tilfaelde {
    const char* tekst;
    double noegle;  // the exact sum, rounded as the key prescribes (worked out independently)
};

// Danish letters in code page 850: ø 0x9B, å 0x86, Æ 0x92.
const alfa_tilfaelde alfa_vaerdier[] = {
    {"", 0.0},
    {"/", 0.0},
    {"0", 0x1.027e72f1f1281p+93},
    {"10", 0x1.03c9523d64484p+94},
    {"9", 0x1.431e0fae6d721p+96},
    {"a b", 0x1.92b9ee2e2f6d2p+98},
    {"a", 0x1.93e5939a08ceap+98},
    {"A", 0x1.93e5939a08ceap+98},
    {"ab", 0x1.98043b5a87c54p+98},
    {"abc", 0x1.980efc35f145bp+98},
    {"ABC", 0x1.980efc35f145bp+98},
    {"b", 0x1.9bf987319857ep+98},
    {"a\x9B", 0x1.9c9ef6d751e80p+98},
    {"z", 0x1.2eec2eb3869afp+99},
    {"\x86", 0x1.5f63e440e3d27p+99},
    {"\x92", 0x1.8fdb99ce410a0p+99},
    {"\x9B", 0x1.b43561f846f3ap+99},
    {"abcdefgh", 0x1.980f188eb7f3dp+98},
    {"abcdefgha", 0x1.980f188eb7f3ep+98},
    {"abcdefghz", 0x1.980f188eb7f3ep+98},
    {"abcdefgh0", 0x1.980f188eb7f3dp+98},
    {"abcdefgh/", 0x1.980f188eb7f3dp+98},
    {"aaaaaaaaaaaaaaa", 0x1.97f9ff1ce21bcp+98},
    {"aaaaaaaaaaaaaaaa", 0x1.97f9ff1ce21bcp+98},
    {"-", -0x1.027e72f1f1281p+94},
    {"(a", -0x1.a40d7ac927e12p+95},
};

}  // namespace

TEST(AlfaNoegle, WorkedValuesBitForBit) {
    for (const auto& t : alfa_vaerdier) {
        EXPECT_EQ(bits(kat_opsaetning::alfa_noegle(t.tekst)), bits(t.noegle)) << t.tekst;
        EXPECT_EQ(bits(kat_opsaetning::alfa_noegle_portabel(t.tekst)), bits(t.noegle)) << t.tekst;
    }
}

TEST(AlfaNoegle, OrderFollowsTheWeightedSum) {
    auto k = [](const char* s) { return kat_opsaetning::alfa_noegle(s); };
    EXPECT_LT(k("10"), k("9"));
    EXPECT_LT(k("a b"), k("a"));
    EXPECT_LT(k("b"), k("a\x9B"));  // aø carries past b
    EXPECT_LT(k("z"), k("\x86"));
    EXPECT_LT(k("\x86"), k("\x8F"));  // å before Å
    EXPECT_LT(k("\x8F"), k("\x91"));  // Å before æ
    EXPECT_LT(k("\x92"), k("\x9B"));  // Æ before ø
    EXPECT_LT(k("\x9B"), k("\x9D"));  // ø before Ø
    EXPECT_LT(k("-"), k(""));
    EXPECT_LT(k("(a"), k(""));
    EXPECT_LT(k(""), k("0"));
    EXPECT_EQ(k("Akvarel"), k("akvarel"));
}

// The fast key against exact integer arithmetic, on texts built to stress the
// rounding: shared prefixes, long tails, control bytes, 255, tiny weights.
TEST(AlfaNoegle, FastKeyAgreesWithPortableArithmeticOnRandomTexts) {
    for (const std::string& tekst : afrundingstekster()) {
        string s{std::string_view(tekst)};
        ASSERT_EQ(bits(kat_opsaetning::alfa_noegle(s)),
                  bits(kat_opsaetning::alfa_noegle_portabel(s)))
            << "text of " << tekst.size() << " bytes";
    }
}

TEST(TalNoegle, WorkedValues) {
    struct {
        const char* tekst;
        std::int32_t tal;
    } const vaerdier[] = {{"", 0},
                          {"12", 12},
                          {"007", 7},
                          {"1a", 59},
                          {"-5", -25},
                          {"A", 17},
                          {"2147483647", 2147483647},
                          {"2147483648", INT32_MIN},
                          {"4294967297", 1}};
    for (const auto& v : vaerdier) EXPECT_EQ(kat_opsaetning::tal_noegle(v.tekst), v.tal) << v.tekst;
}

TEST(TalNoegle, AnyTextGivesTheLow32BitsWithoutOverflow) {
    // Bytes from 128 count as negative digits; long texts wrap (no UB under the sanitizer).
    EXPECT_EQ(kat_opsaetning::tal_noegle("\x80"), -176);
    std::string nitaller(38, '9');  // 10^38 - 1, which is -1 modulo 2^32
    EXPECT_EQ(kat_opsaetning::tal_noegle(string(std::string_view(nitaller))), -1);
    std::string lang(5000, '\xFF');
    (void)kat_opsaetning::tal_noegle(string(std::string_view(lang)));
}

TEST(TalTilTekst, WorkedValues) {
    EXPECT_EQ(kat_opsaetning::tal_til_tekst(1), "1");
    EXPECT_EQ(kat_opsaetning::tal_til_tekst(120), "120");
    EXPECT_EQ(kat_opsaetning::tal_til_tekst(1999), "1999");
    EXPECT_EQ(kat_opsaetning::tal_til_tekst(2147483647), "2147483647");
    EXPECT_TRUE(kat_opsaetning::tal_til_tekst(0).empty());
    EXPECT_TRUE(kat_opsaetning::tal_til_tekst(-5).empty());
}
