#include "vterm_pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

koersel::koersel(const std::string& mappe, int raekker, int kolonner,
                 std::vector<std::string> argumenter, std::vector<std::string> foran,
                 omdirigering stroemme)
    : vt_(raekker, kolonner) {
    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(raekker);
    ws.ws_col = static_cast<unsigned short>(kolonner);
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, &ws) != 0)
        throw std::runtime_error("openpty failed");
    tcgetattr(slave, &foer_);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        close(master_);
        if (login_tty(slave) != 0) _exit(125);
        if (chdir(mappe.c_str()) != 0) _exit(126);
        if (!stroemme.ud_til_fil.empty()) {
            int ud = open(stroemme.ud_til_fil.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (ud < 0 || dup2(ud, STDOUT_FILENO) < 0) _exit(124);
            close(ud);
        }
        if (stroemme.ind_fra_null) {
            int ind = open("/dev/null", O_RDONLY);
            if (ind < 0 || dup2(ind, STDIN_FILENO) < 0) _exit(124);
            close(ind);
        }
        setenv("TERM", "xterm-256color", 1);
        unsetenv("SSH_CONNECTION");
        std::vector<char*> argv;
        for (auto& a : foran) argv.push_back(a.data());
        argv.push_back(const_cast<char*>(katsort_binaer()));
        for (auto& a : argumenter) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(slave);
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
            laes_noget(5);
            fodr_naeste();
            continue;
        }
        if (n <= 0) return;
        taster.remove_prefix(static_cast<std::size_t>(n));
    }
}

namespace {
const std::string_view ramme_start = "\x1b[?2026h", ramme_slut = "\x1b[?2026l";
}

bool koersel::laes_noget(int ms) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return false;
    char buf[8192];
    ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0) return false;
    std::string_view stykke(buf, static_cast<std::size_t>(n));
    if (kitty_ && stykke.find("\x1b[?u") != std::string_view::npos) skriv("\x1b[?0u");
    output_.append(stykke);
    ufodret_.append(stykke);
    return true;
}

bool koersel::fodr_naeste() {
    if (ufodret_.empty()) return false;
    std::size_t start = ufodret_.find(ramme_start);
    std::size_t n;
    if (start > 0) {
        // Bytes outside an update (queries, the restore at exit) go at once;
        // a mark that may be cut off at the end waits for the rest.
        n = start == std::string::npos ? ufodret_.size() : start;
        if (start == std::string::npos) {
            std::size_t esc = ufodret_.rfind('\x1b');
            if (esc != std::string::npos && ufodret_.size() - esc < ramme_start.size() &&
                ramme_start.substr(0, ufodret_.size() - esc) ==
                    std::string_view(ufodret_).substr(esc))
                n = esc;
        }
        if (n == 0) return false;
    } else {
        std::size_t slut = ufodret_.find(ramme_slut);
        if (slut == std::string::npos) return false;
        n = slut + ramme_slut.size();
    }
    vt_.fodr(std::string_view(ufodret_).substr(0, n));
    ufodret_.erase(0, n);
    std::string svar = vt_.tag_svar();  // answers to the program's queries
    if (!svar.empty()) skriv(svar);
    return true;
}

void koersel::fodr_alt() {
    while (fodr_naeste()) {
    }
    vt_.fodr(ufodret_);
    ufodret_.clear();
}

bool koersel::vent_paa(const std::function<bool(const vterm_skaerm&)>& betingelse, int ms) {
    auto slut = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!betingelse(vt_)) {
        if (fodr_naeste()) continue;
        if (std::chrono::steady_clock::now() >= slut) return false;
        laes_noget(10);
    }
    return true;
}

int koersel::vent_paa_slut(int ms) {
    auto slut = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (status_ == -1) {
        while (laes_noget(0)) {
        }
        fodr_alt();
        int st = 0;
        if (waitpid(pid_, &st, WNOHANG) == pid_) {
            status_ = st;
            while (laes_noget(20)) {
            }
            fodr_alt();
            break;
        }
        if (std::chrono::steady_clock::now() >= slut) return -1;
        laes_noget(10);
    }
    return status_;
}

void koersel::andet_program_tegner(std::string_view bytes) {
    while (laes_noget(20)) {
    }
    fodr_alt();
    vt_.fodr(bytes);
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
