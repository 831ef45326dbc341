// The folder lock on Unix: flock on the folder itself. It needs no file and
// no right to write, and the kernel lets go of it however the process ends.
#include "mappelaas.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "fejltekst.h"
#include "tekst850.h"

using tekst850::operator""_850;

namespace {

// The folder of the real list, also when the name is a symbolic link into a
// shared folder; the folder of the name as given when there is no list.
std::string mappe_for(const char* listefil) {
    std::unique_ptr<char, decltype(&std::free)> virkelig(::realpath(listefil, nullptr), &std::free);
    std::string sti = virkelig ? virkelig.get() : listefil;
    std::size_t skraa = sti.rfind('/');
    if (skraa == std::string::npos) return ".";
    return skraa == 0 ? "/" : sti.substr(0, skraa);
}

// The pid of the process holding a flock on the folder, from the kernel's
// table of locks (Linux), or 0 when the system can't tell. A line reads
// "1: FLOCK  ADVISORY  WRITE 1234 fe:00:5678 0 EOF"; a waiter's has "->".
long holder(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return 0;
    std::ifstream laase("/proc/locks");
    std::string linje;
    while (std::getline(laase, linje)) {
        std::istringstream felter(linje);
        std::string nummer, slags, maade, art, sted;
        long pid = 0;
        if (!(felter >> nummer >> slags) || slags != "FLOCK") continue;
        if (!(felter >> maade >> art >> pid >> sted)) continue;
        unsigned hoved = 0, under = 0;
        unsigned long inode = 0;
        if (std::sscanf(sted.c_str(), "%x:%x:%lu", &hoved, &under, &inode) == 3 &&
            hoved == major(st.st_dev) && under == minor(st.st_dev) && inode == st.st_ino)
            return pid;
    }
    return 0;
}

std::string optaget(long pid) {
    std::string hvem = pid > 0 ? " (pid " + std::to_string(pid) + ")" : "";
    return "katsort kører allerede i denne mappe"_850 + hvem + "; afslut den først"_850;
}

}  // namespace

bool mappelaas::tag(const char* listefil, std::string& hvorfor) {
    const std::string mappe = mappe_for(listefil);
    fd_ = ::open(mappe.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0) return true;
    if (fd_ >= 0 && errno == EWOULDBLOCK) {
        hvorfor = optaget(holder(fd_));
    } else {
        hvorfor =
            std::string("mappen med ") + listefil + " kan ikke låses: "_850 + fejltekst(errno);
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return false;
}

mappelaas::~mappelaas() {
    if (fd_ >= 0) ::close(fd_);
}
