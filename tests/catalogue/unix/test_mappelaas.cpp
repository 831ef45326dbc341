// The folder lock on Linux: katsort.laas in the folder of the real list,
// naming its holder, gone with it; whatever else stands at its name is left
// as it is and refuses the start, which never runs unlocked where it could
// save.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "katalogmappe.h"
#include "laasindhold.h"
#include "mappelaas.h"

namespace {

class Mappelaas : public katalogmappe {
   protected:
    // Every name under the folder, also those in folders below it.
    static std::set<std::string> navne() {
        std::set<std::string> alle;
        for (const auto& f : std::filesystem::recursive_directory_iterator("."))
            alle.insert(f.path().generic_string());
        return alle;
    }
    // The answer of `proeve` run as user and group nobody when we are root.
    static bool som_almindelig_bruger(const std::function<bool()>& proeve) {
        if (::geteuid() != 0) return proeve();
        pid_t pid = ::fork();
        if (pid == 0) {
            bool ok = ::setgid(ingen) == 0 && ::setuid(ingen) == 0 && proeve();
            ::_exit(ok ? 0 : 1);
        }
        int status = -1;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    static constexpr unsigned ingen = 65534;
    static struct stat stat_af(const std::string& navn) {
        struct stat st {};
        ::stat(navn.c_str(), &st);
        return st;
    }
};

const std::string optaget_tekst = "katsort k\x9Brer allerede i denne mappe";

std::string laasen_i(const std::string& mappe) { return read_file(mappe + "/katsort.laas"); }

}  // namespace

TEST_F(Mappelaas, OneLockPerFolderOfTheRealListNamingItsHolderAndGoneWithIt) {
    struct tilfaelde {
        const char* hvad;
        const char* liste;  // where the real list is
        bool link;          // kat_emneliste.txt a symbolic link to it
        const char* anden;  // the list the second lock is taken for
        bool konflikt;
    } tabel[] = {
        {"the same list", "kat_emneliste.txt", false, "kat_emneliste.txt", true},
        {"a missing list locks this folder", "kat_emneliste.txt", false, "mangler.txt", true},
        {"a linked list locks its real folder", "delt/kat_emneliste.txt", true,
         "delt/kat_emneliste.txt", true},
        {"and leaves this folder free", "delt/kat_emneliste.txt", true, "mangler.txt", false},
    };
    for (const auto& t : tabel) {
        SCOPED_TRACE(t.hvad);
        for (const auto& f : std::filesystem::directory_iterator("."))
            std::filesystem::remove_all(f.path());
        std::filesystem::create_directory("delt");
        skriv(t.liste, "# 1 4 2\r\n");
        if (t.link) {
            ASSERT_EQ(::symlink(t.liste, "kat_emneliste.txt"), 0);
        }
        const std::set<std::string> foer = navne();
        const std::string laasens_mappe = t.link ? "delt" : ".";

        std::string hvorfor;
        auto foerste = std::make_unique<mappelaas>();
        ASSERT_TRUE(foerste->tag("kat_emneliste.txt", hvorfor)) << hvorfor;
        auto holder = laes_laasindhold(laasen_i(laasens_mappe));
        ASSERT_TRUE(holder);
        EXPECT_EQ(holder->pid, ::getpid());
        EXPECT_EQ(holder->vaert, denne_koersel().vaert);
        {
            mappelaas anden;  // held out like another process of this machine
            hvorfor.clear();
            EXPECT_EQ(anden.tag(t.anden, hvorfor), !t.konflikt) << hvorfor;
            if (t.konflikt) {
                EXPECT_EQ(hvorfor, optaget_tekst + " (pid " + std::to_string(::getpid()) +
                                       "); afslut den f\x9Brst");
            }
        }
        foerste.reset();
        EXPECT_EQ(navne(), foer);  // nothing left
        mappelaas igen;
        EXPECT_TRUE(igen.tag(t.anden, hvorfor)) << hvorfor;
        EXPECT_EQ(laes(t.liste), "# 1 4 2\r\n");
    }
}

TEST_F(Mappelaas, WhatStandsAtTheLocksNameIsLeftUnlessItIsALockWhoseRunHasEnded) {
    pid_t endt = ::fork();  // a process of this machine that has ended
    if (endt == 0) ::_exit(0);
    ::waitpid(endt, nullptr, 0);
    auto laas = [](const std::string& vaert, long pid) {
        return som_tekst({vaert, pid, "anna", "08.12.2026 09:15"});
    };
    const std::string her = denne_koersel().vaert;
    struct tilfaelde {
        const char* hvad;
        std::function<void()> laeg;
        bool taget;
        const char* i_meddelelsen;
    } tabel[] = {
        {"the lock of a run on this machine that ended",
         [&] { skriv("katsort.laas", laas(her, endt)); }, true, nullptr},
        {"a run of this machine that lives (another mount of the folder, say)",
         [&] { skriv("katsort.laas", laas(her, ::getppid())); }, false,
         "katsort k\x9Brer allerede i denne mappe (pid "},
        {"a run of another machine is named with how to remove its lock",
         [&] { skriv("katsort.laas", laas("kasse2", 4711)); }, false,
         " p\x86 kasse2 (pid 4711, anna, siden 08.12.2026 09:15); afslut den f\x9Brst, eller slet "
         "katsort.laas i mappen, hvis den ikke k\x9Brer mere"},
        {"an empty file (a power cut as it was made)", [] { skriv("katsort.laas", ""); }, false,
         "katsort.laas i mappen er ikke en l\x86s, som katsort har skrevet"},
        {"a colleague's hard link to the list",
         [] { ASSERT_EQ(::link("kat_emneliste.txt", "katsort.laas"), 0); }, false,
         "har flere navne"},
        {"a link, never followed",
         [] { ASSERT_EQ(::symlink("kat_emneliste.txt", "katsort.laas"), 0); }, false, "er et link"},
        {"a folder", [] { std::filesystem::create_directory("katsort.laas"); }, false,
         "er ikke en almindelig fil"},
    };
    for (const auto& t : tabel) {
        SCOPED_TRACE(t.hvad);
        for (const auto& f : std::filesystem::directory_iterator("."))
            std::filesystem::remove_all(f.path());
        skriv("kat_emneliste.txt", "# 1 4 2\r\n");
        t.laeg();
        const std::set<std::string> foer = navne();
        const std::string laasen = std::filesystem::is_regular_file("katsort.laas") &&
                                           !std::filesystem::is_symlink("katsort.laas")
                                       ? laes("katsort.laas")
                                       : "";
        std::string hvorfor;
        {
            mappelaas l;
            EXPECT_EQ(l.tag("kat_emneliste.txt", hvorfor), t.taget) << hvorfor;
            if (t.taget) {
                EXPECT_EQ(laes_laasindhold(laes("katsort.laas"))->pid, ::getpid());
            } else {
                EXPECT_NE(hvorfor.find(t.i_meddelelsen), std::string::npos) << hvorfor;
                EXPECT_EQ(navne(), foer);
                if (!laasen.empty()) {
                    EXPECT_EQ(laes("katsort.laas"), laasen);
                }
            }
        }
        EXPECT_EQ(laes("kat_emneliste.txt"), "# 1 4 2\r\n");
        if (t.taget) {
            EXPECT_FALSE(findes("katsort.laas"));
        }
    }
}

// When a signal ends the run, the name is left alone if it no longer stands
// for its lock (that the lock goes with such a run is shown end to end).
TEST_F(Mappelaas, ASignalRemovesTheRunsOwnLockOnly) {
    std::string hvorfor;
    {
        mappelaas l;
        ASSERT_TRUE(l.tag("kat_emneliste.txt", hvorfor)) << hvorfor;
        ASSERT_EQ(::unlink("katsort.laas"), 0);
        skriv("katsort.laas", "en kollegas");
        mappelaas::slip_ved_signal();
        EXPECT_EQ(laes("katsort.laas"), "en kollegas");
    }
    EXPECT_EQ(laes("katsort.laas"), "en kollegas");  // nor at the end of the run
}

TEST_F(Mappelaas, AFolderWeMayNotWriteInNeedsNoLockAndOneWeMayNotListIsLocked) {
    struct tilfaelde {
        const char* hvad;
        mode_t rettigheder;
        bool laast;  // else both run: neither can save
    } tabel[] = {
        {"read-only: nothing can be saved there, so nothing to guard", 0555, false},
        {"no access at all but entering", 0111, false},
        {"write and enter, not list", 0333, true},
    };
    for (const auto& t : tabel) {
        SCOPED_TRACE(t.hvad);
        ASSERT_EQ(::chmod(".", t.rettigheder), 0);
        // As an operator without root's rights, who is bound by the folder's mode.
        EXPECT_TRUE(som_almindelig_bruger([&] {
            mappelaas foerste, anden;
            std::string hvorfor;
            if (!foerste.tag("kat_emneliste.txt", hvorfor)) return false;
            bool anden_koerer = anden.tag("kat_emneliste.txt", hvorfor);
            return t.laast ? !anden_koerer && hvorfor.rfind(optaget_tekst, 0) == 0 : anden_koerer;
        }));
        ASSERT_EQ(::chmod(".", 0755), 0);
        EXPECT_TRUE(navne().empty());
    }
}
