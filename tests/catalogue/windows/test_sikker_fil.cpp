// The file operations on Windows: the side file is the save's own, the list
// is replaced in one step and not at all when it changed meanwhile, inputs
// that are devices count as missing, and the folder lock holds a second run
// out (here a second lock in the same process, which Windows also refuses),
// never writes through what else stands at its name, and goes with its holder.
#include <io.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "katalogmappe.h"
#include "laasindhold.h"
#include "mappelaas.h"
#include "sikker_fil.h"
#include "windows/virkelig_sti.h"

namespace {

class SikkerFilWindows : public katalogmappe {};

}  // namespace

// The side file's name is this run's own: another run's side file or a
// folder at the plain name is left as it is.
TEST_F(SikkerFilWindows, TheListIsReplacedAndWhatStandsAtThePlainSideNameStays) {
    skriv("kat_emneliste.txt", "gammel");
    skriv("kat_emneliste2.txt", "en anden gemning");
    erstatning r = gem("ny\r\n");
    ASSERT_TRUE(r.ok) << r.fejl;
    EXPECT_EQ(laes("kat_emneliste.txt"), "ny\r\n");
    EXPECT_EQ(laes("kat_emneliste2.txt"), "en anden gemning");

    std::filesystem::remove("kat_emneliste2.txt");
    std::filesystem::create_directory("kat_emneliste2.txt");
    r = gem("nyere");
    ASSERT_TRUE(r.ok) << r.fejl;
    EXPECT_EQ(laes("kat_emneliste.txt"), "nyere");
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
    EXPECT_EQ(hvorfor, "katsort k\x9Brer allerede i denne mappe (pid " +
                           std::to_string(GetCurrentProcessId()) + "); afslut den f\x9Brst");
    foerste.reset();
    EXPECT_FALSE(findes("katsort.laas"));  // gone with its holder
    mappelaas tredje;
    EXPECT_TRUE(tredje.tag("kat_emneliste.txt", hvorfor)) << hvorfor;
}

TEST_F(SikkerFilWindows, WhatElseStandsAtTheLocksNameIsNeverWrittenThrough) {
    struct tilfaelde {
        const char* hvad;
        std::function<void()> stil;   // puts it there
        bool fjernes;                 // only a left-over lock of a run that died may go
        const char* tekst;            // what a file that stays still holds
        bool andens_koersel = false;  // a run of another machine, named
    } tabel[] = {
        {"a folder", [] { std::filesystem::create_directory("katsort.laas"); }, false, nullptr},
        {"a read-only file",
         [] {
             skriv("katsort.laas", "en kollegas fil");
             SetFileAttributesW(L"katsort.laas", FILE_ATTRIBUTE_READONLY);
         },
         false, "en kollegas fil"},
        {"a hard link to the list",
         [] { CreateHardLinkW(L"katsort.laas", L"kat_emneliste.txt", nullptr); }, false,
         "# 1 4 2\r\n"},
        {"the lock of a run that died", [] { skriv("katsort.laas", ""); }, true, nullptr},
        {"a run of this machine that died, named in it",
         [] {
             skriv("katsort.laas", som_tekst({denne_koersel().vaert, 4711, "anna", "i morges"}));
         },
         true, nullptr},
        {"another text: a colleague's file", [] { skriv("katsort.laas", "huskeliste"); }, false,
         "huskeliste"},
        {"a Unix run of another machine",
         [] {
             skriv("katsort.laas", som_tekst({"kasse2", 4711, "anna", "08.12.2026 09:15"}));
         },
         false, nullptr, true},
    };
    for (const auto& t : tabel) {
        SCOPED_TRACE(t.hvad);
        skriv("kat_emneliste.txt", "# 1 4 2\r\n");
        t.stil();
        ASSERT_TRUE(findes("katsort.laas"));
        std::string hvorfor;
        {
            mappelaas laas;
            EXPECT_EQ(laas.tag("kat_emneliste.txt", hvorfor), t.fjernes) << hvorfor;
            EXPECT_EQ(hvorfor.find(" p\x86 kasse2 (pid 4711, anna, siden 08.12.2026 09:15)") !=
                          std::string::npos,
                      t.andens_koersel)
                << hvorfor;
            if (!t.fjernes) {
                EXPECT_NE(hvorfor.find("katsort.laas"), std::string::npos) << hvorfor;
            }
        }
        EXPECT_EQ(laes("kat_emneliste.txt"), "# 1 4 2\r\n");
        EXPECT_EQ(findes("katsort.laas"), !t.fjernes);
        if (t.tekst) {
            EXPECT_EQ(laes("katsort.laas"), t.tekst);
        }
        SetFileAttributesW(L"katsort.laas", FILE_ATTRIBUTE_NORMAL);
        std::error_code ec;
        std::filesystem::remove("katsort.laas", ec);
    }
}

TEST_F(SikkerFilWindows, TheLockOfALinkedListIsInTheRealListsFolder) {
    std::filesystem::create_directory("delt");
    skriv("delt\\kat_emneliste.txt", "# 1 4 2\r\n");
    CreateSymbolicLinkW(L"kat_emneliste.txt", L"delt\\kat_emneliste.txt",
                        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    if (!findes("kat_emneliste.txt"))
        GTEST_SKIP() << "no symbolic links here (Wine makes none); the end-to-end test has one";
    mappelaas gennem_link, direkte;
    std::string hvorfor;
    ASSERT_TRUE(gennem_link.tag("kat_emneliste.txt", hvorfor)) << hvorfor;
    EXPECT_FALSE(direkte.tag("delt\\kat_emneliste.txt", hvorfor));
    EXPECT_FALSE(findes("katsort.laas"));
}

TEST_F(SikkerFilWindows, TheFolderOfAPath) {
    struct {
        const wchar_t *sti, *mappe;
    } tabel[] = {{L"C:\\auktion\\kat_emneliste.txt", L"C:\\auktion"},
                 {L"C:\\kat_emneliste.txt", L"C:"},
                 {L"\\\\server\\del\\kat_emneliste.txt", L"\\\\server\\del"},
                 {L"D:/auktion/kat_emneliste.txt", L"D:/auktion"},
                 {L"kat_emneliste.txt", L"."}};
    for (const auto& t : tabel) EXPECT_EQ(mappe_af(t.sti), t.mappe) << t.sti;
    // A list that is missing has the current folder, like one that is there.
    skriv("kat_emneliste.txt", "");
    const std::wstring her = mappe_af(virkelig_sti(L"kat_emneliste.txt"));
    EXPECT_EQ(mappe_af(virkelig_sti(L"mangler.txt")), her);
    EXPECT_EQ(her.rfind(L"\\\\?\\", 0), std::wstring::npos);
    EXPECT_TRUE(std::filesystem::equivalent(her, std::filesystem::current_path()));
}
