#include "sikker_fil.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "fejltekst.h"
#include "laasindhold.h"
#include "tekst850.h"
#include "unix/mappe.h"

using tekst850::operator""_850;

namespace {

bool skriv_alt(int fd, std::string_view indhold) {
    while (!indhold.empty()) {
        ssize_t n = ::write(fd, indhold.data(), indhold.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        indhold.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string fejl_med(const std::string& hvad) { return hvad + ": " + fejltekst(errno); }

// Makes the rename itself durable.
void synk_mappe(const std::string& mappe) {
    int d = ::open(mappe.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d < 0) return;
    ::fsync(d);
    ::close(d);
}

bool samme_fil(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

fil_id id_for_stat(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// The file a name stands for: the name itself, or where its symbolic links
// lead, so the list in a shared folder is replaced there.
bool find_maal(const char* navn, std::string& maal, erstatning& r) {
    struct stat st {};
    if (::lstat(navn, &st) != 0 || !S_ISLNK(st.st_mode)) {
        maal = navn;
        return true;
    }
    std::unique_ptr<char, decltype(&std::free)> sti(::realpath(navn, nullptr), &std::free);
    if (!sti) {
        r.fejl = fejl_med(std::string("Kan ikke følge den symbolske henvisning "_850) + navn);
        return false;
    }
    maal = sti.get();
    return true;
}

std::vector<std::string> xattr_navne(int fd, const char* sti) {
    ssize_t n = fd >= 0 ? ::flistxattr(fd, nullptr, 0) : ::listxattr(sti, nullptr, 0);
    if (n <= 0) return {};
    std::string navne(static_cast<std::size_t>(n), '\0');
    n = fd >= 0 ? ::flistxattr(fd, navne.data(), navne.size())
                : ::listxattr(sti, navne.data(), navne.size());
    if (n <= 0) return {};
    std::vector<std::string> ud;
    for (std::size_t p = 0; p < static_cast<std::size_t>(n); p += ud.back().size() + 1)
        ud.emplace_back(navne.c_str() + p);
    return ud;
}

void kopier_xattrs(int fd, const std::string& maal, const std::vector<std::string>& navne,
                   erstatning& r) {
    std::string vaerdi;
    for (const auto& attr : navne) {
        ssize_t m = ::getxattr(maal.c_str(), attr.c_str(), nullptr, 0);
        if (m >= 0) {
            vaerdi.assign(static_cast<std::size_t>(m), '\0');
            m = ::getxattr(maal.c_str(), attr.c_str(), vaerdi.data(), vaerdi.size());
        }
        if (m < 0 ||
            ::fsetxattr(fd, attr.c_str(), vaerdi.data(), static_cast<std::size_t>(m), 0) != 0)
            r.bemaerkninger.push_back("Attributten " + attr +
                                      " kunne ikke overføres til den nye "_850 + maal);
    }
}

// What the side file got from the folder (a default ACL) and the old file
// doesn't have, goes: the new list may be read and written by exactly those
// who could before. The system's security labels are the system's affair.
void fjern_arvede_xattrs(int fd, const std::vector<std::string>& gamle, erstatning& r) {
    for (const auto& attr : xattr_navne(fd, nullptr)) {
        if (attr.rfind("security.", 0) == 0) continue;
        if (std::find(gamle.begin(), gamle.end(), attr) != gamle.end()) continue;
        if (::fremovexattr(fd, attr.c_str()) != 0 && errno != ENODATA)
            r.bemaerkninger.push_back("Attributten " + attr +
                                      " kunne ikke fjernes fra den nye liste");
    }
}

// Owner and group where permitted, the ACLs and other extended attributes
// exactly as the old file had them, then the mode (a change of owner clears
// set-user-ID bits, and the mode sets the ACL's mask as it was).
void overtag_identitet(int fd, const std::string& maal, const struct stat& gammel, erstatning& r) {
    if (::fchown(fd, gammel.st_uid, gammel.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), gammel.st_gid) != 0)
        r.bemaerkninger.push_back(maal + " ejes nu af dig; ejer og gruppe kunne ikke bevares");
    else if (::getuid() != gammel.st_uid && ::geteuid() != 0)
        r.bemaerkninger.push_back(maal + " ejes nu af dig; gruppen er bevaret");
    const auto gamle = xattr_navne(-1, maal.c_str());
    kopier_xattrs(fd, maal, gamle, r);
    fjern_arvede_xattrs(fd, gamle, r);
    // The side file was made with the old mode already; this also sets the
    // special bits and the ACL's mask. Where the file system refuses it
    // (some network folders), the operator hears of it.
    if (::fchmod(fd, gammel.st_mode & 07777) != 0)
        r.bemaerkninger.push_back(
            fejl_med("Rettighederne på den nye "_850 + maal + " kunne ikke sættes som før"_850));
}

// The mode a new file gets: the old list's, or what the umask gives.
mode_t ny_rettighed(bool har_gammel, const struct stat& gammel) {
    if (har_gammel) return gammel.st_mode & 0777;
    mode_t maske = ::umask(0);
    ::umask(maske);
    return 0666 & ~maske;
}

// Opens the side file: without a name while it is written, where the file
// system allows (a save cut off then leaves nothing), else at `midl`, a
// name no other run uses. Made with `rettighed` exactly, the umask aside.
int opret_sidefil(const std::string& mappe, const std::string& midl, mode_t rettighed,
                  bool& navnloes) {
    const mode_t maske = ::umask(0);
    int fd = ::open(mappe.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, rettighed);
    navnloes = fd >= 0;
    if (!navnloes)
        fd = ::open(midl.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, rettighed);
    const int fejl = errno;
    ::umask(maske);
    errno = fejl;
    return fd;
}

// Writes the side file in full, as the text is made, and forces it to disk.
bool skriv_midlertidig(int fd, const std::string& midl, const indhold_t& indhold, erstatning& r) {
    int skrivefejl = 0;
    udskrift ud([&](std::string_view del) {
        if (skriv_alt(fd, del)) return true;
        skrivefejl = errno;
        return false;
    });
    bool lavet = indhold(ud);
    if (!ud.toem()) {
        errno = skrivefejl;
        r.fejl = fejl_med("Kan ikke skrive " + midl);
        return false;
    }
    if (!lavet) return false;
    if (::fsync(fd) != 0) {
        r.fejl = fejl_med("Kan ikke gemme " + midl + " på disken"_850);
        return false;
    }
    return true;
}

std::string aendret_under_gemningen(const std::string& maal) {
    return maal + " blev ændret af et andet program under gemningen"_850;
}

// Just before the new list takes its place: the old one is still the one
// that was read.
bool uaendret(const std::string& maal, const fil_id* laest, erstatning& r) {
    struct stat nu {};
    if (!laest) return true;
    if (::stat(maal.c_str(), &nu) != 0) {
        r.fejl = fejl_med("Kan ikke se " + maal);
        return false;
    }
    if (!(id_for_stat(nu) == *laest)) {
        r.fejl = aendret_under_gemningen(maal);
        return false;
    }
    return true;
}

// The side file this save made: removed again, while it is still ours,
// unless it took the list's place; also when making the text throws.
// Gives a file made with O_TMPFILE its name; never replaces what has it.
bool giv_navn(int fd, const std::string& navn) {
    if (::linkat(fd, "", AT_FDCWD, navn.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT && errno != EPERM) return false;  // AT_EMPTY_PATH needs a privilege
    const std::string ved_fd = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, ved_fd.c_str(), AT_FDCWD, navn.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// The side file this save made, under a name that is this run's alone:
// removed again unless it took the list's place, also when making the text
// throws. No other run's side file is ever touched.
class sidefil {
   public:
    sidefil(int fd, std::string navn, bool har_navn)
        : fd_(fd), navn_(std::move(navn)), har_navn_(har_navn) {}
    ~sidefil() {
        if (har_navn_ && !paa_plads_) ::unlink(navn_.c_str());
        ::close(fd_);
    }
    sidefil(const sidefil&) = delete;
    sidefil& operator=(const sidefil&) = delete;
    void har_faaet_navn() { har_navn_ = true; }
    void paa_plads() { paa_plads_ = true; }

   private:
    int fd_;
    std::string navn_;
    bool har_navn_;
    bool paa_plads_ = false;
};

// Write-protected as the operator means it: nobody may write the file
// (chmod a-w, as the read-only attribute on Windows), or it is immutable. A
// colleague's list that only its owner may write is not: in a folder the
// group shares, the save replaces it as it always has.
bool skrivebeskyttet_stat(const std::string& maal, const struct stat& st) {
    if ((st.st_mode & 0222) == 0) return true;
    return ::faccessat(AT_FDCWD, maal.c_str(), W_OK, AT_EACCESS) != 0 && errno == EPERM;
}

// In a folder with the sticky bit only a file's owner (or the folder's) may
// rename over it or remove it: a colleague's file there can't be replaced.
bool andens_i_klistret_mappe(const std::string& mappe, const struct stat& fil) {
    struct stat m {};
    const uid_t mig = ::geteuid();
    return mig != 0 && ::stat(mappe.c_str(), &m) == 0 && (m.st_mode & S_ISVTX) &&
           fil.st_uid != mig && m.st_uid != mig;
}

// Whether the file system can't swap two names in one step (NFS, FUSE).
bool kan_ikke_bytte(int fejl) { return fejl == EINVAL || fejl == ENOSYS || fejl == EOPNOTSUPP; }

// Puts the side file in the list's place. Where the file system can, the
// two swap names in one step, and the old list, now at the side file's
// name, proves that nobody else's list was replaced: if it is not the one
// that was read, they swap back, and the other list stays. Elsewhere a
// rename, after which the list must be ours. Either way the message is true.
bool saet_paa_plads(const std::string& midl, const std::string& maal, bool har_gammel,
                    const fil_id* laest, sidefil& side, erstatning& r) {
    struct stat vores {};
    if (::lstat(midl.c_str(), &vores) != 0) {
        r.fejl = fejl_med("Kan ikke se " + midl);
        return false;
    }
    const unsigned bytning = har_gammel ? RENAME_EXCHANGE : RENAME_NOREPLACE;
    if (::renameat2(AT_FDCWD, midl.c_str(), AT_FDCWD, maal.c_str(), bytning) == 0) {
        if (!har_gammel) {
            side.paa_plads();
            return true;
        }
        struct stat udskiftet {};
        if (::lstat(midl.c_str(), &udskiftet) == 0 &&
            (!laest || id_for_stat(udskiftet) == *laest)) {
            side.paa_plads();
            if (::unlink(midl.c_str()) != 0)  // the old list
                r.bemaerkninger.push_back(
                    fejl_med("Den gamle liste ligger stadig i " + midl + " og kunne ikke slettes"));
            return true;
        }
        r.fejl = aendret_under_gemningen(maal);
        if (::renameat2(AT_FDCWD, midl.c_str(), AT_FDCWD, maal.c_str(), RENAME_EXCHANGE) != 0) {
            side.paa_plads();  // ours stays in place; the other list is kept by its side
            r.gammel_beholdt = false;
            r.fejl = fejl_med(maal + " blev ændret af et andet program under gemningen, og "_850 +
                              "den anden udgave ligger nu i " + midl);
        }
        return false;
    }
    if (errno == EEXIST) {
        r.fejl = maal + " blev oprettet af et andet program under gemningen";
        return false;
    }
    if (!kan_ikke_bytte(errno)) {
        r.fejl = fejl_med("Kan ikke omdøbe "_850 + midl + " til " + maal);
        return false;
    }
    if (::rename(midl.c_str(), maal.c_str()) != 0) {
        r.fejl = fejl_med("Kan ikke omdøbe "_850 + midl + " til " + maal);
        return false;
    }
    side.paa_plads();
    struct stat nu {};
    if (::stat(maal.c_str(), &nu) == 0 && !samme_fil(nu, vores)) {
        r.gammel_beholdt = false;
        r.fejl = maal + " blev erstattet af et andet program, lige da katsort gemte; "_850 +
                 "din sortering er ikke i listen";
        return false;
    }
    return true;
}

// What stops the file at `maal` (`gammel`, when there is one) from being
// replaced before anything is written: in full, and in a few words for the
// screen; nothing when nothing does.
struct spaerring {
    std::string fuld, kort;
};

std::optional<spaerring> spaerring_for(const std::string& maal, const struct stat* gammel) {
    if (gammel && skrivebeskyttet_stat(maal, *gammel))
        return spaerring{maal + " er skrivebeskyttet", "er skrivebeskyttet"};
    if (gammel && andens_i_klistret_mappe(mappe_for(maal), *gammel))
        return spaerring{maal + " tilhører en anden, og mappen lader kun ejeren erstatte den"_850,
                         "tilhører en anden bruger"_850};
    return std::nullopt;
}

erstatning erstat(const char* navn, const char* midlertidig, const indhold_t& indhold,
                  const fil_id* laest, const gemmetrin& trin) {
    erstatning r;
    std::string maal;
    if (!find_maal(navn, maal, r)) return r;
    struct stat gammel {};
    const bool har_gammel = ::stat(maal.c_str(), &gammel) == 0;
    if (auto s = spaerring_for(maal, har_gammel ? &gammel : nullptr)) {
        r.fejl = s->fuld;
        return r;
    }
    const std::string mappe = mappe_for(maal);
    const std::string eget = koerslens_navn(midlertidig, denne_koersel());
    const std::string midl = mappe == "." ? eget : mappe + "/" + eget;

    bool navnloes = false;
    int fd = opret_sidefil(mappe, midl, ny_rettighed(har_gammel, gammel), navnloes);
    if (fd < 0) {
        r.fejl = fejl_med("Kan ikke oprette " + midl);
        return r;
    }
    sidefil side(fd, midl, !navnloes);
    if (har_gammel) overtag_identitet(fd, maal, gammel, r);
    if (!skriv_midlertidig(fd, midl, indhold, r)) return r;
    if (navnloes) {
        if (!giv_navn(fd, midl)) {
            r.fejl = fejl_med("Kan ikke oprette " + midl);
            return r;
        }
        side.har_faaet_navn();
    }
    if (!uaendret(maal, laest, r)) return r;
    if (trin.foer_udskiftning) trin.foer_udskiftning();
    if (!saet_paa_plads(midl, maal, har_gammel, laest, side, r)) return r;
    synk_mappe(mappe);
    if (har_gammel && gammel.st_nlink > 1)
        r.bemaerkninger.push_back(maal + " havde flere navne (hårde links, "_850 +
                                  std::to_string(gammel.st_nlink) +
                                  " i alt); de andre navne viser stadig den gamle liste");
    r.ok = true;
    return r;
}

}  // namespace

int aabn_til_laesning(const char* navn, int& fejl) {
    // Without blocking: opening a FIFO for reading would wait for a writer.
    int fd;
    do fd = ::open(navn, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fejl = errno;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fejl = ikke_almindelig;
        return -1;
    }
    return fd;
}

fil_id id_for(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return {};
    return id_for_stat(st);
}

bool skrivebeskyttet(const char* navn) {
    struct stat st {};
    return ::stat(navn, &st) == 0 && skrivebeskyttet_stat(navn, st);
}

std::string hindring_for_erstatning(const char* navn, const char*) {
    erstatning r;
    std::string maal;
    if (!find_maal(navn, maal, r)) return std::string(navn) + " peger ikke på nogen fil"_850;
    struct stat st {};
    const bool har = ::stat(maal.c_str(), &st) == 0;
    if (auto s = spaerring_for(maal, har ? &st : nullptr)) return std::string(navn) + " " + s->kort;
    const std::string mappe = mappe_for(maal);
    if (::faccessat(AT_FDCWD, mappe.c_str(), W_OK | X_OK, AT_EACCESS) != 0 &&
        (errno == EACCES || errno == EROFS || errno == EPERM))
        return "der kan ikke skrives i mappen";
    return {};
}

erstatning erstat_fil(const char* navn, const char* midlertidig, const indhold_t& indhold,
                      const fil_id* laest, const gemmetrin& trin) {
    // A file size limit must give a write error here, not kill the program.
    struct ignorer_sigxfsz {
        struct sigaction foer {};
        ignorer_sigxfsz() {
            struct sigaction ignorer {};
            ignorer.sa_handler = SIG_IGN;
            sigaction(SIGXFSZ, &ignorer, &foer);
        }
        ~ignorer_sigxfsz() { sigaction(SIGXFSZ, &foer, nullptr); }
    } under_gemningen;
    return erstat(navn, midlertidig, indhold, laest, trin);
}
