#include "mappelaas.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

namespace {

// The lock sits next to the real list, also when the name is a symbolic
// link into a shared folder.
std::string laasefil_for(const char* listefil) {
    std::string sti = listefil;
    struct stat st {};
    if (::lstat(listefil, &st) == 0 && S_ISLNK(st.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> maal(::realpath(listefil, nullptr), &std::free);
        if (maal) sti = maal.get();
    }
    std::size_t skraa = sti.rfind('/');
    if (skraa == std::string::npos) return mappelaas::filnavn;
    return sti.substr(0, skraa + 1) + mappelaas::filnavn;
}

std::string hvem_er_vi() {
    char vaert[256] = "";
    ::gethostname(vaert, sizeof vaert - 1);
    char tid[32] = "";
    std::time_t nu = std::time(nullptr);
    std::tm lokal{};
    if (::localtime_r(&nu, &lokal)) std::strftime(tid, sizeof tid, "%Y-%m-%d %H:%M", &lokal);
    return "pid " + std::to_string(::getpid()) + " p\x86 " + (*vaert ? vaert : "?") + ", startet " +
           tid;
}

// Who holds the lock: what the holder wrote in the file, or the process the
// system names.
std::string holder(int fd) {
    char buf[200];
    ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    std::string tekst;
    for (ssize_t i = 0; i < n && buf[i] != '\n'; ++i)
        if (static_cast<unsigned char>(buf[i]) >= 0x20) tekst += buf[i];
    if (!tekst.empty()) return tekst;
    struct flock l {};
    l.l_type = F_WRLCK;
    l.l_whence = SEEK_SET;
    if (::fcntl(fd, F_GETLK, &l) == 0 && l.l_type != F_UNLCK)
        return "pid " + std::to_string(l.l_pid);
    return "ukendt";
}

}  // namespace

bool mappelaas::tag(const char* listefil, std::string& hvorfor) {
    const std::string navn = laasefil_for(listefil);
    fd_ = ::open(navn.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY,
                 0666);
    if (fd_ < 0) {
        // A folder nobody may write in can't be saved to either, by anyone.
        if ((errno == EACCES || errno == EROFS) && ::access(navn.c_str(), F_OK) != 0) return true;
        hvorfor = navn +
                  " kan ikke \x86"
                  "bnes: " +
                  std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        hvorfor = navn + " er ikke en almindelig fil";
        return false;
    }
    ::fchmod(fd_, 0666);  // every colleague who works in the folder must be able to lock it
    struct flock l {};
    l.l_type = F_WRLCK;
    l.l_whence = SEEK_SET;
    if (::fcntl(fd_, F_SETLK, &l) != 0) {
        if (errno == EACCES || errno == EAGAIN)
            hvorfor = "katsort k\x9Brer allerede i denne mappe (" + holder(fd_) +
                      "); afslut den f\x9Brst";
        else
            hvorfor = navn + " kan ikke l\x86ses: " + std::strerror(errno);
        return false;
    }
    // Only a note, so a colleague who finds the folder locked knows whom to ask.
    std::string info = hvem_er_vi() + "\n";
    bool noteret = ::ftruncate(fd_, 0) == 0 &&
                   ::pwrite(fd_, info.data(), info.size(), 0) == static_cast<ssize_t>(info.size());
    static_cast<void>(noteret);
    return true;
}

mappelaas::~mappelaas() {
    if (fd_ >= 0) ::close(fd_);
}
