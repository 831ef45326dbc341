#include "sikker_fil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>

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

std::string fejl_med(const std::string& hvad) { return hvad + ": " + std::strerror(errno); }

// Makes the rename itself durable.
void synk_mappe(const std::string& mappe) {
    int d = ::open(mappe.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d < 0) return;
    ::fsync(d);
    ::close(d);
}

std::string mappe_for(const std::string& sti) {
    std::size_t skraa = sti.rfind('/');
    if (skraa == std::string::npos) return ".";
    return skraa == 0 ? "/" : sti.substr(0, skraa);
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
        r.fejl = fejl_med(std::string("Kan ikke f\x9Blge den symbolske henvisning ") + navn);
        return false;
    }
    maal = sti.get();
    return true;
}

// A side file left by an earlier save is removed; anything else at that
// name (a link, a FIFO, a folder) is never followed, written or removed.
bool ryd_midlertidig(const std::string& midl, erstatning& r) {
    struct stat st {};
    if (::lstat(midl.c_str(), &st) != 0) {
        if (errno == ENOENT) return true;
        r.fejl = fejl_med("Kan ikke se " + midl);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        r.fejl = midl + " findes og er ikke en almindelig fil; fjern den, og gem igen";
        return false;
    }
    if (::unlink(midl.c_str()) != 0) {
        r.fejl = fejl_med("Kan ikke fjerne den gamle " + midl);
        return false;
    }
    return true;
}

// Owner and group where permitted, then the mode (a change of owner clears
// set-user-ID bits), then ACLs and the other extended attributes.
void overtag_identitet(int fd, const std::string& maal, const struct stat& gammel, erstatning& r) {
    if (::fchown(fd, gammel.st_uid, gammel.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), gammel.st_gid) != 0)
        r.bemaerkninger.push_back(maal + " ejes nu af dig; ejer og gruppe kunne ikke bevares");
    else if (::getuid() != gammel.st_uid && ::geteuid() != 0)
        r.bemaerkninger.push_back(maal + " ejes nu af dig; gruppen er bevaret");
    ::fchmod(fd, gammel.st_mode & 07777);

    ssize_t n = ::listxattr(maal.c_str(), nullptr, 0);
    if (n <= 0) return;
    std::string navne(static_cast<std::size_t>(n), '\0');
    n = ::listxattr(maal.c_str(), navne.data(), navne.size());
    if (n <= 0) return;
    navne.resize(static_cast<std::size_t>(n));
    std::string vaerdi;
    for (std::size_t p = 0; p < navne.size(); p += std::strlen(navne.c_str() + p) + 1) {
        const char* attr = navne.c_str() + p;
        ssize_t m = ::getxattr(maal.c_str(), attr, nullptr, 0);
        if (m >= 0) {
            vaerdi.assign(static_cast<std::size_t>(m), '\0');
            m = ::getxattr(maal.c_str(), attr, vaerdi.data(), vaerdi.size());
        }
        if (m < 0 || ::fsetxattr(fd, attr, vaerdi.data(), static_cast<std::size_t>(m), 0) != 0)
            r.bemaerkninger.push_back(std::string("Attributten ") + attr +
                                      " kunne ikke overf\x9Bres til den nye " + maal);
    }
}

void standard_rettigheder(int fd) {
    mode_t maske = ::umask(0);
    ::umask(maske);
    ::fchmod(fd, 0666 & ~maske);
}

// Writes the side file in full and forces it to disk.
bool skriv_midlertidig(int fd, const std::string& midl, std::string_view indhold, erstatning& r) {
    if (!skriv_alt(fd, indhold)) {
        r.fejl = fejl_med("Kan ikke skrive " + midl);
        return false;
    }
    if (::fsync(fd) != 0) {
        r.fejl = fejl_med("Kan ikke gemme " + midl + " p\x86 disken");
        return false;
    }
    return true;
}

// Just before the rename: the side file is still ours and the old file is
// still the one that was read.
bool uaendret(int fd, const std::string& midl, const std::string& maal, const fil_id* laest,
              erstatning& r) {
    struct stat vores {
    }, ved_navnet{};
    if (::fstat(fd, &vores) != 0 || ::lstat(midl.c_str(), &ved_navnet) != 0 ||
        !samme_fil(vores, ved_navnet)) {
        r.fejl = midl + " blev udskiftet af et andet program under gemningen";
        return false;
    }
    struct stat nu {};
    if (laest && (::stat(maal.c_str(), &nu) != 0 || !(id_for_stat(nu) == *laest))) {
        r.fejl = maal + " blev \x91ndret af et andet program under gemningen";
        return false;
    }
    return true;
}

// Removes the side file, but only while it is still the one this save made.
void fjern_vores(int fd, const std::string& midl) {
    struct stat vores {
    }, ved_navnet{};
    if (::fstat(fd, &vores) == 0 && ::lstat(midl.c_str(), &ved_navnet) == 0 &&
        samme_fil(vores, ved_navnet))
        ::unlink(midl.c_str());
}

erstatning erstat(const char* navn, const char* midlertidig, std::string_view indhold,
                  const fil_id* laest) {
    erstatning r;
    std::string maal;
    if (!find_maal(navn, maal, r)) return r;
    const std::string mappe = mappe_for(maal);
    const std::string midl = mappe == "." ? midlertidig : mappe + "/" + midlertidig;
    if (!ryd_midlertidig(midl, r)) return r;

    int fd = ::open(midl.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        r.fejl = fejl_med("Kan ikke oprette " + midl);
        return r;
    }
    struct stat gammel {};
    bool har_gammel = ::stat(maal.c_str(), &gammel) == 0;
    if (har_gammel)
        overtag_identitet(fd, maal, gammel, r);
    else
        standard_rettigheder(fd);
    bool ok = skriv_midlertidig(fd, midl, indhold, r) && uaendret(fd, midl, maal, laest, r);
    if (ok && ::rename(midl.c_str(), maal.c_str()) != 0) {
        r.fejl = fejl_med(
            "Kan ikke omd\x9B"
            "be " +
            midl + " til " + maal);
        ok = false;
    }
    if (!ok) fjern_vores(fd, midl);
    ::close(fd);
    if (!ok) return r;
    synk_mappe(mappe);
    if (har_gammel && gammel.st_nlink > 1)
        r.bemaerkninger.push_back(maal + " havde flere navne (h\x86rde links, " +
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

erstatning erstat_fil(const char* navn, const char* midlertidig, std::string_view indhold,
                      const fil_id* laest) {
    // A file size limit must give a write error here, not kill the program.
    struct sigaction ignorer {
    }, foer{};
    ignorer.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignorer, &foer);
    erstatning r = erstat(navn, midlertidig, indhold, laest);
    sigaction(SIGXFSZ, &foer, nullptr);
    return r;
}
