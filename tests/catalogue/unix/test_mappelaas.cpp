// The folder lock on Linux: a lock on the folder of the real list that
// leaves no name behind and never touches a file, with the holder's pid in
// the refusal; a lock that can't be taken for any other reason refuses the
// start rather than let it run unlocked.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "katalogmappe.h"
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

const std::string optaget = "katsort k\x9Brer allerede i denne mappe";

}  // namespace

TEST_F(Mappelaas, OneLockPerFolderOfTheRealListAndNothingElseIsTouched) {
    struct tilfaelde {
        const char* hvad;
        const char* liste;  // where the real list is
        bool link;          // kat_emneliste.txt a symbolic link to it
        bool laasenavn;     // a colleague's hard link to it at the old lock's name
        const char* anden;  // the list the second lock is taken for
        bool konflikt;
    } tabel[] = {
        {"the same list", "kat_emneliste.txt", false, true, "kat_emneliste.txt", true},
        {"a missing list locks this folder", "kat_emneliste.txt", false, false, "mangler.txt",
         true},
        {"a linked list locks its real folder", "delt/kat_emneliste.txt", true, true,
         "delt/kat_emneliste.txt", true},
        {"and leaves this folder free", "delt/kat_emneliste.txt", true, false, "mangler.txt",
         false},
    };
    for (const auto& t : tabel) {
        SCOPED_TRACE(t.hvad);
        for (const auto& f : std::filesystem::directory_iterator("."))
            std::filesystem::remove_all(f.path());
        std::filesystem::create_directory("delt");
        skriv(t.liste, "# 1 4 2\r\n");
        ASSERT_EQ(::chmod(t.liste, 0640), 0);
        if (t.laasenavn) {
            const auto laasenavn = std::filesystem::path(t.liste).replace_filename("katsort.laas");
            ASSERT_EQ(::link(t.liste, laasenavn.c_str()), 0);
        }
        if (t.link) {
            ASSERT_EQ(::symlink(t.liste, "kat_emneliste.txt"), 0);
        }
        const std::set<std::string> foer = navne();

        std::string hvorfor;
        auto foerste = std::make_unique<mappelaas>();
        ASSERT_TRUE(foerste->tag("kat_emneliste.txt", hvorfor)) << hvorfor;
        {
            mappelaas anden;  // another open of the folder: held out like another process
            hvorfor.clear();
            EXPECT_EQ(anden.tag(t.anden, hvorfor), !t.konflikt) << hvorfor;
            if (t.konflikt) {
                EXPECT_EQ(hvorfor, optaget + " (pid " + std::to_string(::getpid()) +
                                       "); afslut den f\x9Brst");
            }
        }
        EXPECT_EQ(navne(), foer);
        foerste.reset();
        mappelaas igen;
        EXPECT_TRUE(igen.tag(t.anden, hvorfor)) << hvorfor;  // released with its holder

        EXPECT_EQ(navne(), foer);
        EXPECT_EQ(laes(t.liste), "# 1 4 2\r\n");
        EXPECT_EQ(stat_af(t.liste).st_mode & 07777, 0640u);
        EXPECT_EQ(stat_af(t.liste).st_nlink, t.laasenavn ? 2u : 1u);
    }
}

TEST_F(Mappelaas, AFolderWeMayNotWriteIsLockedAllTheSameAndOneWeCantReadRefuses) {
    struct tilfaelde {
        const char* hvad;
        mode_t rettigheder;
        bool laast;  // else refused with a reason, not as held
    } tabel[] = {
        {"read-only: the lock needs no writing", 0555, true},
        {"no reading: the run must not go on unlocked", 0111, false},
    };
    for (const auto& t : tabel) {
        SCOPED_TRACE(t.hvad);
        ASSERT_EQ(::chmod(".", t.rettigheder), 0);
        // As an operator without root's rights, who is bound by the folder's mode.
        EXPECT_TRUE(som_almindelig_bruger([&] {
            mappelaas foerste, anden;
            std::string hvorfor;
            if (!t.laast)
                return !foerste.tag("kat_emneliste.txt", hvorfor) &&
                       hvorfor.find("kan ikke l\x86ses") != std::string::npos &&
                       hvorfor.find(optaget) == std::string::npos;
            return foerste.tag("kat_emneliste.txt", hvorfor) &&
                   !anden.tag("kat_emneliste.txt", hvorfor) && hvorfor.rfind(optaget, 0) == 0;
        }));
        ASSERT_EQ(::chmod(".", 0755), 0);
        EXPECT_TRUE(navne().empty());
    }
}
