// The folder lock on Unix: katsort.laas, created new (O_EXCL, which NFS,
// SMB and sshfs all carry out on the server), holding the machine, process,
// user and time of the run. Each client of a shared folder sees it. A lock
// whose process is gone on this machine is removed and taken anew; one of
// another machine is named, since no client can tell whether a run there
// lives (a flock can't: sshfs and SMB through FUSE keep it to one client).
#include "mappelaas.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "fejltekst.h"
#include "laasindhold.h"
#include "tekst850.h"
#include "unix/mappe.h"

using tekst850::operator""_850;

namespace {

// The folder of the real list, also when the name is a symbolic link into a
// shared folder; the folder of the name as given when there is no list.
std::string mappe_for_listen(const char* listefil) {
    std::unique_ptr<char, decltype(&std::free)> virkelig(::realpath(listefil, nullptr), &std::free);
    return mappe_for(virkelig ? virkelig.get() : listefil);
}

std::string denne_maskine() {
    char navn[HOST_NAME_MAX + 1] = "";
    if (::gethostname(navn, sizeof navn) != 0) return "ukendt";
    navn[HOST_NAME_MAX] = '\0';
    return navn;
}

std::string denne_bruger() {
    if (const passwd* pw = ::getpwuid(::getuid())) return pw->pw_name;
    return std::to_string(::getuid());
}

bool skriv_alt(int fd, const std::string& tekst) {
    std::size_t skrevet = 0;
    while (skrevet < tekst.size()) {
        ssize_t n = ::write(fd, tekst.data() + skrevet, tekst.size() - skrevet);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        skrevet += static_cast<std::size_t>(n);
    }
    return true;
}

std::string laes_op_til(int fd, std::size_t hoejst) {
    std::string tekst(hoejst, '\0');
    std::size_t laest = 0;
    while (laest < hoejst) {
        ssize_t n = ::pread(fd, tekst.data() + laest, hoejst - laest, static_cast<off_t>(laest));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        laest += static_cast<std::size_t>(n);
    }
    tekst.resize(laest);
    return tekst;
}

bool samme_fil(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the name still stands for the file open at `fd`.
bool stadig_navnet(int fd, const std::string& navn) {
    struct stat aaben {
    }, ved_navnet{};
    return ::fstat(fd, &aaben) == 0 && ::lstat(navn.c_str(), &ved_navnet) == 0 &&
           samme_fil(aaben, ved_navnet);
}

// Whether the process of a lock on this machine has ended.
bool koersel_endt(long pid) { return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

enum class udfald { taget, proev_igen, afvist };

// What stands at the lock's name: a lock of a run that has ended on this
// machine is removed, while the name still stands for it; anything else
// refuses the start and is left as it is.
udfald se_paa_eksisterende(const std::string& sti, std::string& hvorfor) {
    int fd = ::open(sti.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return udfald::proev_igen;
        hvorfor =
            ukendt_laas(errno == ELOOP ? "er et link" : "kan ikke læses: "_850 + fejltekst(errno));
        return udfald::afvist;
    }
    struct stat st {};
    udfald u = udfald::afvist;
    constexpr std::size_t hoejst = 4096;
    if (::fstat(fd, &st) != 0) {
        hvorfor = ukendt_laas("kan ikke undersøges: "_850 + fejltekst(errno));
    } else if (!S_ISREG(st.st_mode)) {
        hvorfor = ukendt_laas("er ikke en almindelig fil");
    } else if (st.st_nlink != 1) {
        hvorfor = ukendt_laas("har flere navne (hårde links) og er ikke katsorts lås"_850);
    } else if (auto holder = laes_laasindhold(laes_op_til(fd, hoejst)); !holder) {
        hvorfor = ukendt_laas("er ikke en lås, som katsort har skrevet"_850);
    } else if (holder->vaert != denne_maskine()) {
        hvorfor = optaget(*holder, false);
    } else if (!koersel_endt(holder->pid)) {
        hvorfor = optaget(*holder, true);
    } else if (!stadig_navnet(fd, sti)) {
        u = udfald::proev_igen;  // another run took its place meanwhile
    } else if (::unlink(sti.c_str()) != 0 && errno != ENOENT) {
        hvorfor = "en efterladt katsort.laas kan ikke fjernes: " + fejltekst(errno);
    } else {
        u = udfald::proev_igen;
    }
    ::close(fd);
    return u;
}

bool findes(const std::string& sti) {
    struct stat st {};
    return ::lstat(sti.c_str(), &st) == 0;
}

// For removing the lock from a signal handler: the path, prepared.
char signal_sti[PATH_MAX + 1] = "";
dev_t signal_enhed = 0;
ino_t signal_inode = 0;

}  // namespace

laasindhold denne_koersel() {
    return {denne_maskine(), static_cast<long>(::getpid()), denne_bruger(),
            tidspunkt(std::time(nullptr))};
}

bool mappelaas::tag(const char* listefil, std::string& hvorfor) {
    const std::string sti = mappe_for_listen(listefil) + "/" + filnavn;
    const std::string tekst = som_tekst(denne_koersel());
    // Three times at most: after a lock left behind was removed, another run may start first.
    for (int forsoeg = 0; forsoeg < 3; ++forsoeg) {
        int fd = ::open(sti.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0) {
            if (!skriv_alt(fd, tekst) || ::fsync(fd) != 0) {
                hvorfor = "katsort.laas kan ikke skrives i mappen: " + fejltekst(errno);
                ::unlink(sti.c_str());
                ::close(fd);
                return false;
            }
            fd_ = fd;
            sti_ = sti;
            husk_til_signal();
            return true;
        }
        int fejl = errno;
        // A folder we may not write in: we can't save in it either, so
        // there is nothing to guard, and the run goes on without a lock.
        if ((fejl == EACCES || fejl == EROFS || fejl == EPERM) && !findes(sti)) return true;
        if (fejl != EEXIST && !findes(sti)) {
            errno = fejl;
            hvorfor =
                std::string("mappen med ") + listefil + " kan ikke låses: "_850 + fejltekst(errno);
            return false;
        }
        if (se_paa_eksisterende(sti, hvorfor) == udfald::afvist) return false;
    }
    hvorfor = ukendt_laas("bliver ved at dukke op igen");
    return false;
}

void mappelaas::husk_til_signal() {
    struct stat st {};
    if (sti_.size() > PATH_MAX || ::fstat(fd_, &st) != 0) return;
    std::memcpy(signal_sti, sti_.c_str(), sti_.size() + 1);
    signal_enhed = st.st_dev;
    signal_inode = st.st_ino;
}

void mappelaas::slip_ved_signal() {
    struct stat st {};
    if (signal_sti[0] && ::lstat(signal_sti, &st) == 0 && st.st_dev == signal_enhed &&
        st.st_ino == signal_inode)
        ::unlink(signal_sti);
    signal_sti[0] = '\0';
}

mappelaas::~mappelaas() {
    if (fd_ < 0) return;
    if (stadig_navnet(fd_, sti_)) ::unlink(sti_.c_str());
    signal_sti[0] = '\0';
    ::close(fd_);
}
