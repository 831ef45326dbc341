// The token reader: the marker search agrees with reading token by token at
// every place relative to the read buffer, and a text in memory reads as the
// same text in a file does.
#include <string>
#include <vector>

#include "katalogmappe.h"
#include "token_stroem.h"

namespace {

class TokenStroem : public katalogmappe {
   protected:
    static std::vector<std::string> alle(token_stroem& ind) {
        std::vector<std::string> tokens;
        for (std::string_view t = ind.naeste(); !t.empty(); t = ind.naeste())
            tokens.emplace_back(t);
        return tokens;
    }
};

}  // namespace

TEST_F(TokenStroem, MarkerSearchAgreesWithTokenByTokenReading) {
    // Hash signs at every position relative to the read buffer's edges.
    std::string tekst;
    for (int i = 0; i < 70000; ++i) tekst += (i % 7 == 0) ? "# " : (i % 5 == 0 ? "a# " : "#b x ");
    skriv("t.txt", tekst);
    token_stroem a("t.txt"), b("t.txt");
    int markoerer = 0;
    for (;;) {
        std::string_view t;
        do t = a.naeste();
        while (!t.empty() && t != "#");
        bool fundet = b.spring_til_markoer();
        ASSERT_EQ(fundet, !t.empty());
        if (!fundet) break;
        ++markoerer;
        ASSERT_EQ(std::string(a.naeste()), std::string(b.naeste()));
    }
    EXPECT_GT(markoerer, 1000);
}

TEST_F(TokenStroem, MemoryReadsAsTheFileDoesUpToTheEndMark) {
    const std::string tekster[] = {"",
                                   "  \r\n",
                                   "# 1 a\tb\vc\fd\r\ne",
                                   "# 1 4 1\r\n\x1A# 2 5 6",
                                   "x\x1A \r\n\x1A",
                                   "\x91\xA4 #1 #"};
    for (const std::string& tekst : tekster) {
        skriv("t.txt", tekst);
        token_stroem fil("t.txt");
        token_stroem hukommelse(token_stroem::fra_hukommelsen{tekst});
        EXPECT_EQ(alle(hukommelse), alle(fil)) << tekst;
        EXPECT_EQ(hukommelse.afbrudt_af_1a(), fil.afbrudt_af_1a()) << tekst;
        EXPECT_TRUE(hukommelse.aaben());
    }
    token_stroem mangler(token_stroem::mangler{});
    EXPECT_FALSE(mangler.aaben());
    EXPECT_TRUE(mangler.naeste().empty());
}
