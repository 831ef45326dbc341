// The list file end to end: whatever sits next to it, whoever else works in
// the folder and whatever the files hold, Esc never loses lots, and a save
// that can't be done safely is refused with the reason.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "e2e.h"

using namespace e2e;

namespace {

class Liste : public E2e {
   protected:
    // Starts the program, waits for the list, presses Esc: the exit status.
    int koer_og_gem(const std::string& forventet_titel = "Titel 1") {
        koersel k(mappe);
        if (!k.vent_paa([&](const vterm_skaerm& s) {
                return listen_vist(s) &&
                       s.raekke(5, 16, 16 + static_cast<int>(forventet_titel.size())) ==
                           forventet_titel;
            }))
            return -1;
        k.skriv("\x1b");
        int status = k.vent_paa_slut(10000);
        output = k.alt_output();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool sagt(const std::string& del) const { return output.find(del) != std::string::npos; }

    // Runs the program without any terminal; its standard error goes to `fejl`.
    int uden_terminal(std::string& fejl) {
        std::string fil = (mappe / "stderr.txt").string();
        pid_t pid = fork();
        if (pid == 0) {
            setsid();
            if (chdir(mappe.c_str()) != 0) _exit(126);
            int ud = open(fil.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(ud, 2);
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            execl(katsort_binaer(), "katsort", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        fejl = laes("stderr.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string output;
};

}  // namespace

TEST_F(Liste, ALinkOrAFifoAtTheSideFileIsRefusedAndNothingIsWritten) {
    katalog(5);
    const std::string foer = laes("kat_emneliste.txt");
    skriv("andet.txt", "en anden fil");
    fs::create_symlink("andet.txt", mappe / "kat_emneliste2.txt");
    EXPECT_EQ(koer_og_gem(), 1);
    EXPECT_TRUE(sagt("kat_emneliste2.txt findes og er ikke en almindelig fil")) << output;
    EXPECT_EQ(laes("andet.txt"), "en anden fil");
    EXPECT_EQ(laes("kat_emneliste.txt"), foer);
    EXPECT_FALSE(fs::is_symlink(mappe / "kat_emneliste.txt"));

    fs::remove(mappe / "kat_emneliste2.txt");
    fs::create_symlink("kat_emneliste.txt", mappe / "kat_emneliste2.txt");
    EXPECT_EQ(koer_og_gem(), 1);
    EXPECT_EQ(laes("kat_emneliste.txt"), foer);
    EXPECT_FALSE(fs::is_symlink(mappe / "kat_emneliste.txt"));

    fs::remove(mappe / "kat_emneliste2.txt");
    ASSERT_EQ(mkfifo((mappe / "kat_emneliste2.txt").c_str(), 0644), 0);
    EXPECT_EQ(koer_og_gem(), 1);  // ends: writing into a FIFO would wait for ever
    EXPECT_EQ(laes("kat_emneliste.txt"), foer);
}

TEST_F(Liste, AShortLotCountKeepsEveryLotAndNamesBothNumbers) {
    katalog(130);
    const std::string foer = laes("kat_emneliste.txt");
    skriv("katalog.txt", "# 1 Kunst 12.03.1998 12\r\n");
    EXPECT_EQ(koer_og_gem(), 1);
    EXPECT_TRUE(
        sagt("kat_emneliste.txt har 130 emner for katalog \"1\", men katalog.txt "
             "angiver 12"))
        << output;
    EXPECT_EQ(laes("kat_emneliste.txt"), foer);

    skriv("katalog.txt", "# 1 Kunst 12.03.1998 4294967297\r\n");  // wraps to 1 if converted
    EXPECT_EQ(koer_og_gem(""), 1);
    EXPECT_EQ(laes("kat_emneliste.txt"), foer);
}

TEST_F(Liste, ASecondKatsortInTheFolderSaysWhoHoldsItAndTouchesNothing) {
    katalog(5);
    koersel a(mappe);
    ASSERT_TRUE(a.vent_paa(listen_vist));
    const std::string foer = laes("kat_emneliste.txt");
    std::string fejl;
    EXPECT_EQ(uden_terminal(fejl), 2);
    EXPECT_NE(
        fejl.find("katsort k\xC3\xB8rer allerede i denne mappe (pid " + std::to_string(a.pid())),
        std::string::npos)
        << fejl;
    EXPECT_EQ(laes("kat_emneliste.txt"), foer);
    a.skriv("\x1b");
    EXPECT_EQ(a.vent_paa_slut(), 0);  // the first one saves as usual

    // A run that was killed leaves no lock behind: the next start gets past
    // the lock (and stops only for want of a terminal).
    {
        koersel b(mappe);
        ASSERT_TRUE(b.vent_paa(listen_vist));
        kill(b.pid(), SIGKILL);
        b.vent_paa_slut();
    }
    EXPECT_EQ(uden_terminal(fejl), 2);
    EXPECT_NE(fejl.find("skal startes i en terminal"), std::string::npos) << fejl;
}

// Esc asked for the save, which needs no terminal: the terminal hanging up
// while it runs ends the program, as a hangup does, only once the new list
// is in place.
TEST_F(Liste, AHangupDuringTheSaveWaitsForTheNewList) {
    katalog(41);
    // Entries of other catalogues, some megabytes, make the save take a while.
    std::string liste = laes("kat_emneliste.txt");
    for (int i = 0; i < 300000; ++i)
        liste += "\r\n# 2 " + std::to_string(1000 + i) + " " + std::to_string(i % 900 + 1);
    skriv("kat_emneliste.txt", liste);
    const fs::path gemt = mappe / "gemt", lagt_paa = mappe / "lagt_paa";
    for (const fs::path& hvor : {gemt, lagt_paa}) {
        fs::create_directory(hvor);
        for (const char* fil : {"katalog.txt", "kat_emneliste.txt", "emne.txt"})
            fs::copy(mappe / fil, hvor / fil);
    }
    // Sorted by title, so the new list differs from the old.
    auto sorter_og_gem = [](koersel& k) {
        if (!k.vent_paa(listen_vist, 60000)) return false;
        k.skriv(f1 + "t");
        if (!k.vent_paa([](const vterm_skaerm& s) { return s.raekke(20, 38, 43) == "Titel"; }))
            return false;
        k.skriv("i");
        if (!k.vent_paa([](const vterm_skaerm& s) { return s.raekke(6, 16, 24) == "Titel 10"; },
                        60000))
            return false;
        k.skriv("\x1b");
        return k.vent_paa(gemmer);
    };
    {
        koersel k(gemt.string());
        ASSERT_TRUE(sorter_og_gem(k));
        ASSERT_EQ(k.vent_paa_slut(60000), 0);
    }
    const std::string ny = laes("gemt/kat_emneliste.txt");
    ASSERT_NE(ny, liste);

    koersel k(lagt_paa.string());
    ASSERT_TRUE(sorter_og_gem(k));
    k.laeg_paa();
    int status = k.vent_paa_slut(60000);
    ASSERT_NE(status, -1);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << status;
    EXPECT_TRUE(laes("lagt_paa/kat_emneliste.txt") == ny) << "the list is not the new one";
    EXPECT_FALSE(fs::exists(lagt_paa / "kat_emneliste2.txt"));
}

TEST_F(Liste, AnEntryAddedByAnotherToolMeanwhileIsKept) {
    katalog(5);
    koersel k(mappe);
    ASSERT_TRUE(k.vent_paa(listen_vist));
    std::string andres = laes("kat_emneliste.txt") + "\r\n# 1 999 6";
    skriv("kat_emneliste.txt", andres);
    k.skriv("\x1b");
    int status = k.vent_paa_slut();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(laes("kat_emneliste.txt"), andres);
    EXPECT_NE(k.alt_output().find("andet program"), std::string::npos);
}

TEST_F(Liste, TheListKeepsItsModeAttributesLinkAndHardLinkNews) {
    katalog(5);
    const fs::path liste = mappe / "kat_emneliste.txt";
    fs::permissions(liste, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(setxattr(liste.c_str(), "user.kilde", "auktion", 7, 0), 0);
    EXPECT_EQ(koer_og_gem(), 0);
    EXPECT_EQ(fs::status(liste).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    char v[8] = {};
    EXPECT_EQ(getxattr(liste.c_str(), "user.kilde", v, sizeof v), 7);

    // A list shared from another folder through a link: replaced there.
    fs::create_directory(mappe / "delt");
    fs::rename(liste, mappe / "delt" / "liste.txt");
    fs::create_symlink("delt/liste.txt", liste);
    EXPECT_EQ(koer_og_gem(), 0);
    EXPECT_TRUE(fs::is_symlink(liste));
    EXPECT_NE(laes("delt/liste.txt").find("# 1 105 5 \r\n"), std::string::npos);

    // Another hard link keeps the old list, and the operator hears of it.
    fs::remove(liste);
    fs::create_hard_link(mappe / "delt" / "liste.txt", liste);
    EXPECT_EQ(koer_og_gem(), 0);
    EXPECT_TRUE(sagt("h\xC3\xA5rde links, 2 i alt")) << output;
}

TEST_F(Liste, FileTextReachesTheTerminalOnlyEscaped) {
    katalog(5);
    skriv("katalog.txt", "# 1 Kunst 12.03.1998 5\x1b]0;titel\x07\x1b]52;c;aGVq\x07\r\n");
    EXPECT_EQ(koer_og_gem(""), 1);
    EXPECT_EQ(output.find("\x1b]"), std::string::npos);
    EXPECT_TRUE(sagt("\"5\\x1B]0;titel\\x07\\x1B]52;c;aGVq\\x07\"")) << output;
}

TEST_F(Liste, AFifoAsAnInputFileIsMissingInsteadOfHanging) {
    katalog(5);
    const std::string foer = laes("kat_emneliste.txt");
    fs::remove(mappe / "katalog.txt");
    ASSERT_EQ(mkfifo((mappe / "katalog.txt").c_str(), 0644), 0);
    EXPECT_EQ(koer_og_gem(""), 1);
    EXPECT_TRUE(sagt("fejl"));
    EXPECT_TRUE(sagt("katalog.txt kan ikke l\xC3\xA6ses: er ikke en almindelig fil")) << output;
    EXPECT_EQ(laes("kat_emneliste.txt"), foer);
}
