// Replacing the list: whatever stands at the side file's name is never
// followed or written into, and the list keeps its owner, group, mode,
// ACLs and extended attributes, its symbolic link and the news about its
// hard links.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "katalogmappe.h"
#include "sikker_fil.h"

extern char** environ;

namespace {

class SikkerFil : public katalogmappe {
   protected:
    static bool har(const std::vector<std::string>& tekster, const std::string& del) {
        for (const auto& t : tekster)
            if (t.find(del) != std::string::npos) return true;
        return false;
    }
    static struct stat lstat_af(const std::string& navn) {
        struct stat st {};
        ::lstat(navn.c_str(), &st);
        return st;
    }
};

// A POSIX ACL as the system stores it: the owner rw, user `bruger` r, the
// group r, mask r, others nothing.
std::string acl_med_bruger(std::uint32_t bruger) {
    std::string a;
    auto tal = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) a += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    tal(2, 4);  // version
    const std::uint32_t ingen = 0xFFFFFFFF;
    struct {
        std::uint16_t tag, ret;
        std::uint32_t id;
    } poster[] = {
        {0x01, 6, ingen}, {0x02, 4, bruger}, {0x04, 4, ingen}, {0x10, 4, ingen}, {0x20, 0, ingen}};
    for (auto& p : poster) {
        tal(p.tag, 2);
        tal(p.ret, 2);
        tal(p.id, 4);
    }
    return a;
}

}  // namespace

// The side file's name is this run's own: whatever stands at the plain
// name (another run's side file, a colleague's link, a FIFO) is never
// followed, written, waited for or removed, and the save goes on.
TEST_F(SikkerFil, WhatStandsAtTheSideFilesPlainNameIsLeftAlone) {
    struct tilfaelde {
        const char* hvad;
        std::function<void()> laeg;
    } tabel[] = {
        {"another run's side file", [] { skriv("kat_emneliste2.txt", "en anden gemning"); }},
        {"a link to another file",
         [] { ASSERT_EQ(::symlink("andet.txt", "kat_emneliste2.txt"), 0); }},
        {"a link to the list",
         [] { ASSERT_EQ(::symlink("kat_emneliste.txt", "kat_emneliste2.txt"), 0); }},
        {"a hard link to a copy", [] { ASSERT_EQ(::link("andet.txt", "kat_emneliste2.txt"), 0); }},
        {"a FIFO: opening it would wait for a reader",
         [] { ASSERT_EQ(::mkfifo("kat_emneliste2.txt", 0644), 0); }},
        {"a folder", [] { ASSERT_EQ(::mkdir("kat_emneliste2.txt", 0755), 0); }},
    };
    for (const auto& t : tabel) {
        SCOPED_TRACE(t.hvad);
        for (const auto& f : std::filesystem::directory_iterator("."))
            std::filesystem::remove_all(f.path());
        skriv("kat_emneliste.txt", "gammel");
        skriv("andet.txt", "andet");
        t.laeg();
        const struct stat foer = lstat_af("kat_emneliste2.txt");
        erstatning r = gem("ny");
        ASSERT_TRUE(r.ok) << r.fejl;
        EXPECT_EQ(laes("kat_emneliste.txt"), "ny");
        EXPECT_FALSE(S_ISLNK(lstat_af("kat_emneliste.txt").st_mode));
        EXPECT_EQ(laes("andet.txt"), "andet");
        const struct stat efter = lstat_af("kat_emneliste2.txt");
        EXPECT_EQ(efter.st_ino, foer.st_ino);
        EXPECT_EQ(efter.st_mode, foer.st_mode);
        if (S_ISREG(efter.st_mode) && efter.st_ino != lstat_af("andet.txt").st_ino) {
            EXPECT_EQ(laes("kat_emneliste2.txt"), "en anden gemning");
        }
        std::set<std::string> navne;
        for (const auto& f : std::filesystem::directory_iterator("."))
            navne.insert(f.path().filename().string());
        EXPECT_EQ(navne,
                  (std::set<std::string>{"andet.txt", "kat_emneliste.txt", "kat_emneliste2.txt"}));
    }
}

TEST_F(SikkerFil, ModeAclsAndExtendedAttributesAreKept) {
    skriv("kat_emneliste.txt", "gammel");
    ASSERT_EQ(::chmod("kat_emneliste.txt", 0640), 0);
    ASSERT_EQ(::setxattr("kat_emneliste.txt", "user.katalog", "forår", 6, 0), 0);
    const std::string acl = acl_med_bruger(4242);
    bool med_acl =
        ::setxattr("kat_emneliste.txt", "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
    if (!med_acl) {
        EXPECT_EQ(errno, EOPNOTSUPP) << "ACLs are there but could not be set";
    }
    struct stat foer = lstat_af("kat_emneliste.txt");
    erstatning r = gem("ny");
    ASSERT_TRUE(r.ok) << r.fejl;
    struct stat efter = lstat_af("kat_emneliste.txt");
    EXPECT_NE(efter.st_ino, foer.st_ino);  // a new file took its place
    EXPECT_EQ(efter.st_mode & 07777, foer.st_mode & 07777);
    EXPECT_EQ(efter.st_uid, foer.st_uid);
    EXPECT_EQ(efter.st_gid, foer.st_gid);
    char v[16] = {};
    EXPECT_EQ(::getxattr("kat_emneliste.txt", "user.katalog", v, sizeof v), 6);
    EXPECT_STREQ(v, "forår");
    if (med_acl) {
        std::string igen(64, '\0');
        ssize_t n =
            ::getxattr("kat_emneliste.txt", "system.posix_acl_access", igen.data(), igen.size());
        ASSERT_GT(n, 0);
        igen.resize(static_cast<std::size_t>(n));
        EXPECT_EQ(igen, acl);
    }
    EXPECT_TRUE(r.bemaerkninger.empty()) << r.bemaerkninger.front();
}

TEST_F(SikkerFil, TheFoldersDefaultAclIsNotInherited) {
    skriv("kat_emneliste.txt", "gammel");  // made before the folder had its default ACL
    ASSERT_EQ(::chmod("kat_emneliste.txt", 0660), 0);
    const std::string acl = acl_med_bruger(4001);
    if (::setxattr(".", "system.posix_acl_default", acl.data(), acl.size(), 0) != 0)
        GTEST_SKIP() << "no ACLs here: " << std::strerror(errno);
    ASSERT_LT(::getxattr("kat_emneliste.txt", "system.posix_acl_access", nullptr, 0), 0);
    erstatning r = gem("ny");
    ASSERT_TRUE(r.ok) << r.fejl;
    EXPECT_LT(::getxattr("kat_emneliste.txt", "system.posix_acl_access", nullptr, 0), 0)
        << "the new list has an ACL the old one hadn't";
    EXPECT_EQ(lstat_af("kat_emneliste.txt").st_mode & 07777, 0660u);
}

TEST_F(SikkerFil, AWriteProtectedListOrAFailedSaveLeavesNothingBehind) {
    skriv("kat_emneliste.txt", "gammel");
    ASSERT_EQ(::chmod("kat_emneliste.txt", 0444), 0);
    erstatning r = gem("ny");  // also as root, who could write it
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.fejl, "kat_emneliste.txt er skrivebeskyttet");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));

    ASSERT_EQ(::chmod("kat_emneliste.txt", 0644), 0);
    EXPECT_THROW(erstat_fil(
                     "kat_emneliste.txt", "kat_emneliste2.txt",
                     [](udskrift& ud) -> bool {
                         ud << std::string(100000, 'x');
                         throw std::bad_alloc();
                     },
                     nullptr),
                 std::bad_alloc);
    EXPECT_EQ(laes("kat_emneliste.txt"), "gammel");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}

TEST_F(SikkerFil, OwnerAndGroupOfAColleagueAreKept) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
    skriv("kat_emneliste.txt", "gammel");
    ASSERT_EQ(::chown("kat_emneliste.txt", 4711, 4712), 0);
    ASSERT_EQ(::chmod("kat_emneliste.txt", 0640), 0);
    ASSERT_TRUE(gem("ny").ok);
    struct stat efter = lstat_af("kat_emneliste.txt");
    EXPECT_EQ(efter.st_uid, 4711u);
    EXPECT_EQ(efter.st_gid, 4712u);
    EXPECT_EQ(efter.st_mode & 07777, 0640u);
}

TEST_F(SikkerFil, ALinkedListIsReplacedInItsOwnFolder) {
    ASSERT_EQ(::mkdir("delt", 0755), 0);
    skriv("delt/liste.txt", "gammel");
    ASSERT_EQ(::symlink("delt/liste.txt", "kat_emneliste.txt"), 0);
    erstatning r = gem("ny");
    ASSERT_TRUE(r.ok) << r.fejl;
    EXPECT_TRUE(S_ISLNK(lstat_af("kat_emneliste.txt").st_mode));
    EXPECT_EQ(laes("delt/liste.txt"), "ny");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
    EXPECT_FALSE(findes("delt/kat_emneliste2.txt"));
}

TEST_F(SikkerFil, OtherHardLinksOfTheListAreReported) {
    skriv("kat_emneliste.txt", "gammel");
    ASSERT_EQ(::link("kat_emneliste.txt", "sikkerhedskopi.txt"), 0);
    erstatning r = gem("ny");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(laes("sikkerhedskopi.txt"), "gammel");
    EXPECT_TRUE(har(r.bemaerkninger, "h\x86rde links, 2 i alt")) << r.bemaerkninger.size();
}

TEST_F(SikkerFil, AListChangedSinceItWasReadIsNotReplaced) {
    skriv("kat_emneliste.txt", "gammel");
    int fd = ::open("kat_emneliste.txt", O_RDONLY);
    fil_id laest = id_for(fd);
    ::close(fd);
    skriv("kat_emneliste.txt", "en kollegas udgave");
    erstatning r = gem("ny", &laest);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(laes("kat_emneliste.txt"), "en kollegas udgave");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}

TEST_F(SikkerFil, WriteErrorLeavesTheOldListIntact) {
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

// Two saves that overlap (another client's, when a lock failed): neither
// touches the other's side file, the list is one of the two whole, and each
// says truly whether its sort is the list.
TEST_F(SikkerFil, OverlappingSavesKeepTheListWholeAndSayTrulyWhoseItIs) {
    skriv("kat_emneliste.txt", "gammel");
    struct stat st = lstat_af("kat_emneliste.txt");
    fil_id laest{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                 static_cast<std::uint64_t>(st.st_size),
                 static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    std::set<std::string> under_den_anden;
    int anden = -1;
    gemmetrin mellem;
    // Another run saves in full while this one waits just before it takes the list's place.
    mellem.foer_udskiftning = [&] {
        std::set<std::string> foer;
        for (const auto& f : std::filesystem::directory_iterator("."))
            foer.insert(f.path().string());
        pid_t pid = ::fork();
        if (pid == 0) ::_exit(gem("den andens", &laest).ok ? 0 : 1);
        ::waitpid(pid, &anden, 0);
        for (const auto& f : foer)
            if (!findes(f)) under_den_anden.insert(f);
    };
    erstatning r = gem("vores", &laest, mellem);
    ASSERT_TRUE(WIFEXITED(anden));
    EXPECT_EQ(WEXITSTATUS(anden), 0) << "the other save said it failed";
    EXPECT_TRUE(under_den_anden.empty()) << *under_den_anden.begin() << " went meanwhile";
    EXPECT_EQ(laes("kat_emneliste.txt"), r.ok ? "vores" : "den andens");
    EXPECT_FALSE(r.ok) << "ours replaced a list it never read";
    EXPECT_NE(r.fejl.find("af et andet program"), std::string::npos) << r.fejl;
    std::set<std::string> navne;
    for (const auto& f : std::filesystem::directory_iterator("."))
        navne.insert(f.path().filename().string());
    EXPECT_EQ(navne, std::set<std::string>{"kat_emneliste.txt"});
}

TEST_F(SikkerFil, ReadOnlyFolderLeavesTheOldListIntact) {
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
                     k->status().meddelelser.back().find("kat_emneliste2.") != std::string::npos;
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
TEST_F(SikkerFil, KilledAtAnyMomentTheListIsOldOrNew) {
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

TEST_F(SikkerFil, InputsThatAreNotRegularFilesCountAsMissing) {
    ASSERT_EQ(::mkfifo("katalog.txt", 0644), 0);       // would wait for a writer
    ASSERT_EQ(::symlink("/dev/zero", "emne.txt"), 0);  // would never end
    skriv("kat_emneliste.txt", "# 1 4 1");
    auto k = std::make_unique<kat_opsaetning>();
    k->indlaes("1");
    EXPECT_EQ(k->status().standard_ud, "fejl");
    EXPECT_EQ(k->hent_antal(), 0);
    ASSERT_FALSE(k->status().meddelelser.empty());
    EXPECT_NE(k->status().meddelelser.front().find("katalog.txt kan ikke l\x91ses: er ikke en "
                                                   "almindelig fil"),
              std::string::npos)
        << k->status().meddelelser.front();

    ::unlink("katalog.txt");
    skriv("katalog.txt", "# 1 K D 1");
    auto k2 = std::make_unique<kat_opsaetning>();
    k2->indlaes("1");
    EXPECT_EQ(k2->hent_antal(), 1);
    EXPECT_TRUE(k2->post(1)[2].empty());
}

// A shared folder with the sticky bit: a colleague's list there can't be
// replaced, and that is said at once, not after the side file was written.
TEST_F(SikkerFil, AColleaguesListInAStickyFolderIsRefusedBeforeAnythingIsWritten) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give the list to a colleague";
    skriv("kat_emneliste.txt", "kollegaens");
    ASSERT_EQ(::chown("kat_emneliste.txt", 4711, 4711), 0);
    ASSERT_EQ(::chmod("kat_emneliste.txt", 0666), 0);
    ASSERT_EQ(::chmod(".", 01777), 0);
    pid_t barn = fork();
    if (barn == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        bool hindring = hindring_for_erstatning("kat_emneliste.txt", "kat_emneliste2.txt") ==
                        "kat_emneliste.txt tilh\x9Brer en anden bruger";
        erstatning r = gem("ny");
        _exit(!r.ok && r.fejl.find("mappen lader kun ejeren") != std::string::npos && hindring ? 0
                                                                                               : 1);
    }
    int status = 0;
    waitpid(barn, &status, 0);
    ::chmod(".", 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(laes("kat_emneliste.txt"), "kollegaens");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}

// Killed while the new list is written, the save leaves nothing in the
// folder: the side file has no name until it is whole.
TEST_F(SikkerFil, KilledWhileWritingTheSaveLeavesNothingBehind) {
    int proeve = ::open(".", O_TMPFILE | O_WRONLY, 0600);
    if (proeve < 0) GTEST_SKIP() << "this file system has no nameless files";
    ::close(proeve);
    skriv("kat_emneliste.txt", "gammel");
    pid_t barn = fork();
    if (barn == 0) {
        erstat_fil(
            "kat_emneliste.txt", "kat_emneliste2.txt",
            [](udskrift& ud) -> bool {
                ud << std::string(1 << 20, 'x');
                ud.toem();
                ::raise(SIGKILL);
                return true;
            },
            nullptr);
        _exit(0);
    }
    int status = 0;
    waitpid(barn, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(laes("kat_emneliste.txt"), "gammel");
    EXPECT_FALSE(findes("kat_emneliste2.txt"));
}
