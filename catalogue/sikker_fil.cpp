#include "sikker_fil.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

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

bool fejlede(std::string& fejl, const char* hvad, const char* fil) {
    fejl = std::string(hvad) + " " + fil + ": " + std::strerror(errno);
    return false;
}

// Makes the rename itself durable.
void synk_mappe() {
    int d = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d < 0) return;
    ::fsync(d);
    ::close(d);
}

}  // namespace

bool erstat_fil(const char* navn, const char* midlertidig, std::string_view indhold,
                std::string& fejl) {
    // A file size limit must give a write error here, not kill the program.
    struct sigaction ignorer {
    }, foer{};
    ignorer.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignorer, &foer);

    struct stat gammel {};
    bool har_gammel = ::stat(navn, &gammel) == 0;
    bool ok = false;
    int fd = ::open(midlertidig, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        fejlede(fejl, "Kan ikke oprette", midlertidig);
    } else {
        if (har_gammel) ::fchmod(fd, gammel.st_mode & 07777);
        ok = skriv_alt(fd, indhold) || fejlede(fejl, "Kan ikke skrive", midlertidig);
        ok = ok && (::fsync(fd) == 0 || fejlede(fejl, "Kan ikke gemme", midlertidig));
        ok = (::close(fd) == 0 || fejlede(fejl, "Kan ikke lukke", midlertidig)) && ok;
        ok = ok && (::rename(midlertidig, navn) == 0 || fejlede(fejl, "Kan ikke omdøbe til", navn));
        if (!ok) ::unlink(midlertidig);
    }
    if (ok) synk_mappe();
    sigaction(SIGXFSZ, &foer, nullptr);
    return ok;
}
