#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "console.h"
#include "kat_opsaetning.h"
#include "katalogmappe.h"

extern char** environ;

namespace {

class Skrivning : public katalogmappe {
   protected:
    // Records as (topic, lot) pairs; the load is taken as complete.
    std::unique_ptr<kat_opsaetning> store(
        std::initializer_list<std::pair<const char*, const char*>> r) {
        auto k = std::make_unique<kat_opsaetning>();
        k->katalog_nr = "1";
        int i = 0;
        for (auto [emne_nr, nr] : r) {
            ++i;
            k->post(i)[0] = emne_nr;
            k->post(i)[1] = nr;
        }
        k->antal_poster = i;
        return k;
    }
};

const char* const eksempel_liste = "# 2 30 1\r\n# 1 17 1\r\n# 1 4 2\r\n# 1 9 3\r\n# 3 5 7";

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

TEST_F(Skrivning, WriteErrorLeavesTheOldListIntact) {
    std::string gammel;
    for (int i = 1; i <= 3000; ++i)
        gammel += "# 1 " + std::to_string(i) + " " + std::to_string(i) + "\r\n";
    skriv("kat_emneliste.txt", gammel);
    auto k = store({});
    k->antal_poster = 1999;
    for (int i = 1; i <= 1999; ++i) {
        k->post(i)[0] = kat_opsaetning::tal_til_tekst(i);
        k->post(i)[1] = kat_opsaetning::tal_til_tekst(i);
    }
    // A small file size limit, in a child so the limit stays there.
    pid_t barn = fork();
    if (barn == 0) {
        rlimit graense{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &graense);
        k->gem();
        _exit(k->status().gemt ? 1 : 0);
    }
    int status = 0;
    waitpid(barn, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(laes("kat_emneliste.txt"), gammel);
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}

TEST_F(Skrivning, ReadOnlyFolderLeavesTheOldListIntact) {
    skriv("kat_emneliste.txt", eksempel_liste);
    chmod("kat_emneliste.txt", 0644);
    chmod(".", 0555);
    auto k = store({{"4", "1"}});
    // As root the folder's mode doesn't stop writes: save as nobody then.
    pid_t barn = fork();
    if (barn == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        k->gem();
        bool grund = !k->status().meddelelser.empty() &&
                     k->status().meddelelser.back().find("kat_emneliste2.txt") != std::string::npos;
        _exit(k->status().gemt ? 1 : grund ? 0 : 2);
    }
    int status = 0;
    waitpid(barn, &status, 0);
    chmod(".", 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(laes("kat_emneliste.txt"), eksempel_liste);
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}

// Killed at any moment of a save, the list is the old one or the new one,
// complete. Each save reverses the lot numbers, so the file alternates
// between two known texts.
TEST_F(Skrivning, KilledAtAnyMomentTheListIsOldOrNew) {
    const int lots = 1999;
    std::string liste, emner;
    for (int i = 0; i < 60000; ++i)
        liste += "# 2 " + std::to_string(100000 + i) + " " + std::to_string(i % 900 + 1) + "\r\n";
    for (int i = 1; i <= lots; ++i) {
        liste += "# 1 " + std::to_string(i) + " " + std::to_string(i) + "\r\n";
        emner += emne_post(std::to_string(i));
    }
    for (int i = 0; i < 60000; ++i)
        liste += "# 3 " + std::to_string(200000 + i) + " " + std::to_string(i % 900 + 1) + "\r\n";
    skriv("katalog.txt", "# 1 K D " + std::to_string(lots));
    skriv("kat_emneliste.txt", liste);
    skriv("emne.txt", emner);

    // The save runs in a program of its own that loads, reverses and saves.
    auto koer_i_barn = [&](int draeb_efter_us) {
        pid_t barn = -1;
        char* argv[] = {const_cast<char*>(KATSORT_GEM_HJAELPER), nullptr};
        if (posix_spawn(&barn, KATSORT_GEM_HJAELPER, nullptr, nullptr, argv, environ) != 0)
            return -1;
        if (draeb_efter_us >= 0) {
            usleep(static_cast<useconds_t>(draeb_efter_us));
            kill(barn, SIGKILL);
        }
        int status = 0;
        waitpid(barn, &status, 0);
        return status;
    };
    // The first save writes the list in the saved layout; from then on the
    // saves alternate between two texts.
    // Kill moments spread over the length of a whole run, the shorter of two.
    auto tidtag = [&] {
        auto start = std::chrono::steady_clock::now();
        int status = koer_i_barn(-1);
        auto us = std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
        return status == 0 ? us : -1;
    };
    ASSERT_EQ(koer_i_barn(-1), 0);
    const std::string a = laes("kat_emneliste.txt");
    auto varighed = tidtag();
    ASSERT_GT(varighed, 0);
    const std::string b = laes("kat_emneliste.txt");
    ASSERT_TRUE(a != b);
    auto igen = tidtag();
    ASSERT_GT(igen, 0);
    varighed = std::min(varighed, igen);
    ASSERT_TRUE(laes("kat_emneliste.txt") == a);

    std::mt19937 rng(31);
    int draebt = 0, faerdige = 0;
    for (int runde = 0; runde < 300; ++runde) {
        int status =
            koer_i_barn(static_cast<int>(rng() % static_cast<unsigned>(varighed * 12 / 10 + 1)));
        (WIFSIGNALED(status) ? draebt : faerdige)++;
        std::string nu = laes("kat_emneliste.txt");
        ASSERT_TRUE(nu == a || nu == b) << "round " << runde << ": " << nu.size() << " bytes";
    }
    EXPECT_GT(draebt, 60);
    std::printf("save killed %d times, completed %d times; the list was whole every time\n", draebt,
                faerdige);
}

TEST(Kommando, RunsThroughTheShellAndReturnsTheExitCode) {
    EXPECT_EQ(run_shell_command(nullptr), 1);
    EXPECT_EQ(run_shell_command("exit 3"), 3);
    EXPECT_EQ(run_shell_command("test \"$(echo a  b)\" = 'a b'"), 0);
    char skabelon[] = "/tmp/katsort-sh-XXXXXX";
    ASSERT_NE(mkdtemp(skabelon), nullptr);
    std::string mappe = skabelon;
    std::string cmd = "cd " + mappe + " && echo x > a && mv a b";
    EXPECT_EQ(run_shell_command(cmd.c_str()), 0);
    EXPECT_EQ(access((mappe + "/b").c_str(), F_OK), 0);
    EXPECT_EQ(run_shell_command(("rm -r " + mappe).c_str()), 0);
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
