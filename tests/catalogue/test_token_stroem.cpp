// The token reader: the marker search agrees with reading token by token at
// every place relative to the read buffer, and each text reads as the
// tokens before its end mark.
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

TEST_F(TokenStroem, EachTextReadsAsItsTokensUpToTheEndMark) {
    const struct {
        std::string tekst;
        std::vector<std::string> tokens;
        bool afbrudt_af_1a;  // with more than whitespace and end marks behind it
    } tilfaelde[] = {
        {"", {}, false},
        {"  \r\n", {}, false},
        {"# 1 a\tb\vc\fd\r\ne", {"#", "1", "a", "b", "c", "d", "e"}, false},
        {"# 1 4 1\r\n\x1A# 2 5 6", {"#", "1", "4", "1"}, true},
        {"x\x1A \r\n\x1A", {"x"}, false},
        {"\x91\xA4 #1 #", {"\x91\xA4", "#1", "#"}, false},
    };
    for (const auto& t : tilfaelde) {
        skriv("t.txt", t.tekst);
        token_stroem fil("t.txt");
        EXPECT_TRUE(fil.aaben());
        EXPECT_EQ(alle(fil), t.tokens) << t.tekst;
        EXPECT_EQ(fil.afbrudt_af_1a(), t.afbrudt_af_1a) << t.tekst;
    }
    token_stroem mangler("findes_ikke.txt");
    EXPECT_FALSE(mangler.aaben());
    EXPECT_TRUE(mangler.findes_ikke());
    EXPECT_TRUE(mangler.naeste().empty());
}
