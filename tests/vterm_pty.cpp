#include "vterm_pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

koersel::koersel(const std::string& mappe, int raekker, int kolonner,
                 std::vector<std::string> argumenter, std::vector<std::string> foran)
    : vt_(raekker, kolonner) {
    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(raekker);
    ws.ws_col = static_cast<unsigned short>(kolonner);
    pid_ = forkpty(&master_, nullptr, nullptr, &ws);
    if (pid_ < 0) throw std::runtime_error("forkpty failed");
    if (pid_ == 0) {
        if (chdir(mappe.c_str()) != 0) _exit(126);
        setenv("TERM", "xterm-256color", 1);
        unsetenv("SSH_CONNECTION");
        std::vector<char*> argv;
        for (auto& a : foran) argv.push_back(a.data());
        argv.push_back(const_cast<char*>(KATSORT_BINARY));
        for (auto& a : argumenter) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

koersel::~koersel() {
    if (status_ == -1 && pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
}

void koersel::skriv(std::string_view taster) {
    while (!taster.empty()) {
        ssize_t n = write(master_, taster.data(), taster.size());
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pump(5);
            continue;
        }
        if (n <= 0) return;
        taster.remove_prefix(static_cast<std::size_t>(n));
    }
}

bool koersel::laes_noget(int ms) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return false;
    char buf[8192];
    ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0) return false;
    std::string_view stykke(buf, static_cast<std::size_t>(n));
    if (kitty_ && stykke.find("\x1b[?u") != std::string_view::npos) skriv("\x1b[?0u");
    output_.append(buf, static_cast<std::size_t>(n));
    vt_.fodr(std::string_view(buf, static_cast<std::size_t>(n)));
    std::string svar = vt_.tag_svar();  // answers to the program's queries
    if (!svar.empty()) skriv(svar);
    return true;
}

void koersel::pump(int ms) {
    auto slut = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < slut) laes_noget(5);
}

bool koersel::vent_paa(const std::function<bool(const vterm_skaerm&)>& betingelse, int ms,
                       bool hele_opdateringen) {
    auto slut = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!betingelse(vt_)) {
        if (std::chrono::steady_clock::now() >= slut) return false;
        laes_noget(10);
    }
    // One update may arrive in several reads: take the rest of it too.
    while (hele_opdateringen && laes_noget(30)) {
    }
    return true;
}

int koersel::vent_paa_slut(int ms) {
    auto slut = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (status_ == -1) {
        while (laes_noget(0)) {
        }
        int st = 0;
        if (waitpid(pid_, &st, WNOHANG) == pid_) {
            status_ = st;
            while (laes_noget(20)) {
            }
            break;
        }
        if (std::chrono::steady_clock::now() >= slut) return -1;
        laes_noget(10);
    }
    return status_;
}

void koersel::skift_stoerrelse(int raekker, int kolonner) {
    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(raekker);
    ws.ws_col = static_cast<unsigned short>(kolonner);
    vt_.skift_stoerrelse(raekker, kolonner);
    ioctl(master_, TIOCSWINSZ, &ws);
}

termios koersel::terminal_tilstand() const {
    termios t{};
    tcgetattr(master_, &t);
    return t;
}
