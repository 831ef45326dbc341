// The file operations on Windows: the side file is the save's own, the list
// is replaced in one step and not at all when it changed meanwhile, inputs
// that are devices count as missing, and the folder lock holds a second run
// out (here a second lock in the same process, which Windows also refuses).
#include <io.h>
#include <windows.h>

#include <memory>
#include <string>

#include "katalogmappe.h"
#include "mappelaas.h"
#include "sikker_fil.h"

namespace {

class SikkerFilWindows : public katalogmappe {
   protected:
    erstatning gem(std::string_view indhold, const fil_id* laest = nullptr) {
        return erstat_fil(
            "kat_emneliste.txt", "kat_emneliste2.txt",
            [&](udskrift& ud) {
                ud << indhold;
                return true;
            },
            laest);
    }
};

}  // namespace

TEST_F(SikkerFilWindows, TheListIsReplacedAndAStaleSideFileGoes) {
    skriv("kat_emneliste.txt", "gammel");
    skriv("kat_emneliste2.txt", "fra en afbrudt gemning");
    erstatning r = gem("ny\r\n");
    ASSERT_TRUE(r.ok) << r.fejl;
    EXPECT_EQ(laes("kat_emneliste.txt"), "ny\r\n");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}

TEST_F(SikkerFilWindows, AFolderAtTheSideFileIsRefusedAndTheListStays) {
    skriv("kat_emneliste.txt", "gammel");
    std::filesystem::create_directory("kat_emneliste2.txt");
    erstatning r = gem("ny");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.fejl.find("kat_emneliste2.txt findes og er ikke en almindelig fil"),
              std::string::npos)
        << r.fejl;
    EXPECT_EQ(laes("kat_emneliste.txt"), "gammel");
    EXPECT_TRUE(std::filesystem::is_directory("kat_emneliste2.txt"));
}

TEST_F(SikkerFilWindows, AReadOnlyListIsWriteProtected) {
    skriv("kat_emneliste.txt", "gammel");
    ASSERT_TRUE(SetFileAttributesW(L"kat_emneliste.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(skrivebeskyttet("kat_emneliste.txt"));
    erstatning r = gem("ny");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.fejl, "kat_emneliste.txt er skrivebeskyttet");
    SetFileAttributesW(L"kat_emneliste.txt", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(laes("kat_emneliste.txt"), "gammel");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}

TEST_F(SikkerFilWindows, AListChangedSinceItWasReadIsNotReplaced) {
    skriv("kat_emneliste.txt", "gammel");
    int fejl = 0;
    int fd = aabn_til_laesning("kat_emneliste.txt", fejl);
    ASSERT_GE(fd, 0);
    fil_id laest = id_for(fd);
    _close(fd);
    EXPECT_FALSE(laest == fil_id{});
    skriv("kat_emneliste.txt", "en kollegas udgave");
    erstatning r = gem("ny", &laest);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(laes("kat_emneliste.txt"), "en kollegas udgave");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}

TEST_F(SikkerFilWindows, ADeviceIsNoFileToRead) {
    int fejl = 0;
    EXPECT_EQ(aabn_til_laesning("NUL", fejl), -1);
    EXPECT_EQ(fejl, ikke_almindelig);
    EXPECT_EQ(aabn_til_laesning("findes-ikke.txt", fejl), -1);
    EXPECT_NE(fejl, ikke_almindelig);
}

TEST_F(SikkerFilWindows, TheFolderLockKeepsASecondRunOutUntilTheFirstEnds) {
    auto foerste = std::make_unique<mappelaas>();
    std::string hvorfor;
    ASSERT_TRUE(foerste->tag("kat_emneliste.txt", hvorfor)) << hvorfor;
    mappelaas anden;
    EXPECT_FALSE(anden.tag("kat_emneliste.txt", hvorfor));
    EXPECT_NE(hvorfor.find("katsort k\x9Brer allerede i denne mappe (pid " +
                           std::to_string(GetCurrentProcessId())),
              std::string::npos)
        << hvorfor;
    foerste.reset();
    mappelaas tredje;
    EXPECT_TRUE(tredje.tag("kat_emneliste.txt", hvorfor)) << hvorfor;
}
