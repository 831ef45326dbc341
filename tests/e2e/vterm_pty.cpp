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
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

koersel::koersel(const std::string& mappe, int raekker, int kolonner,
                 std::vector<std::string> argumenter, std::vector<std::string> foran,
                 omdirigering stroemme)
    : koersel(mappe, start_valg{raekker,
                                kolonner,
                                std::move(argumenter),
                                std::move(foran),
                                std::move(stroemme),
                                {},
                                false}) {}

std::vector<std::string> katsort_foran() {
    std::vector<std::string> ord;
    std::istringstream foran(std::getenv("KATSORT_E2E_FORAN") ? std::getenv("KATSORT_E2E_FORAN")
                                                              : "");
    for (std::string o; foran >> o;) ord.push_back(o);
    return ord;
}

namespace {

// The job-control part of a shell, in the pty's first process: puts the
// program in a process group of its own in the terminal's foreground, waits
// for it, takes the terminal back while it is stopped and gives it to it
// again on `fg`, and ends as the program ended. Returns only in the child,
// which goes on to exec the program.
void som_skal(int pid_ud, int fra_test) {
    // As a shell: a group in the background may still hand the terminal on.
    std::signal(SIGTTOU, SIG_IGN);
    std::signal(SIGTTIN, SIG_IGN);
    std::signal(SIGTSTP, SIG_IGN);
    pid_t p = fork();
    if (p < 0) _exit(123);
    if (p == 0) {
        setpgid(0, 0);
        tcsetpgrp(STDIN_FILENO, getpid());  // either of the two may come first
        std::signal(SIGTTOU, SIG_DFL);
        std::signal(SIGTTIN, SIG_DFL);
        std::signal(SIGTSTP, SIG_DFL);
        close(pid_ud);
        close(fra_test);
        return;
    }
    setpgid(p, p);
    tcsetpgrp(STDIN_FILENO, p);
    if (write(pid_ud, &p, sizeof p) != static_cast<ssize_t>(sizeof p)) _exit(122);
    close(pid_ud);
    for (;;) {
        int st = 0;
        if (waitpid(p, &st, WUNTRACED) < 0) {
            if (errno == EINTR) continue;
            _exit(121);
        }
        tcsetpgrp(STDIN_FILENO, getpgrp());
        if (WIFSTOPPED(st)) {
            char c = 0;
            if (read(fra_test, &c, 1) != 1) _exit(120);  // the test is gone
            tcsetpgrp(STDIN_FILENO, p);
            killpg(p, SIGCONT);
            continue;
        }
        if (WIFEXITED(st)) _exit(WEXITSTATUS(st));
        int sig = WTERMSIG(st);
        std::signal(sig, SIG_DFL);
        sigset_t saet;
        sigemptyset(&saet);
        sigaddset(&saet, sig);
        sigprocmask(SIG_UNBLOCK, &saet, nullptr);
        raise(sig);
        _exit(128 + sig);
    }
}

}  // namespace

koersel::koersel(const std::string& mappe, start_valg valg)
    : vt_(valg.raekker, valg.kolonner), synkron_(valg.synkron) {
    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(valg.raekker);
    ws.ws_col = static_cast<unsigned short>(valg.kolonner);
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, &ws) != 0)
        throw std::runtime_error("openpty failed");
    tcgetattr(slave, &foer_);
    int pid_roer[2] = {-1, -1}, skal_roer[2] = {-1, -1};
    if (valg.jobkontrol && (pipe2(pid_roer, O_CLOEXEC) != 0 || pipe2(skal_roer, O_CLOEXEC) != 0))
        throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        close(master_);
        if (login_tty(slave) != 0) _exit(125);
        if (chdir(mappe.c_str()) != 0) _exit(126);
        if (valg.jobkontrol) {
            close(pid_roer[0]);
            close(skal_roer[1]);
            som_skal(pid_roer[1], skal_roer[0]);
        }
        const auto& stroemme = valg.stroemme;
        if (!stroemme.ud_til_fil.empty()) {
            int ud = open(stroemme.ud_til_fil.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (ud < 0 || dup2(ud, STDOUT_FILENO) < 0) _exit(124);
            close(ud);
        }
        if (stroemme.ud_i_lukket_roer) {
            int roer[2];
            if (pipe(roer) != 0 || dup2(roer[1], STDOUT_FILENO) < 0) _exit(124);
            close(roer[0]);
            close(roer[1]);
        }
        if (stroemme.ind_fra_null) {
            int ind = open("/dev/null", O_RDONLY);
            if (ind < 0 || dup2(ind, STDIN_FILENO) < 0) _exit(124);
            close(ind);
        }
        setenv("TERM", "xterm-256color", 1);
        unsetenv("SSH_CONNECTION");
        for (const auto& [navn, vaerdi] : valg.miljoe) setenv(navn.c_str(), vaerdi.c_str(), 1);
        std::vector<char*> argv;
        for (auto& a : valg.foran) argv.push_back(a.data());
        std::vector<std::string> emulator;
        if (valg.binaer.empty()) emulator = katsort_foran();
        for (auto& a : emulator) argv.push_back(a.data());
        argv.push_back(valg.binaer.empty() ? const_cast<char*>(katsort_binaer())
                                           : valg.binaer.data());
        for (auto& a : valg.argumenter) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(slave);
    program_ = pid_;
    if (valg.jobkontrol) {
        close(pid_roer[1]);
        close(skal_roer[0]);
        til_skal_ = skal_roer[1];
        pid_t p = -1;
        ssize_t n = read(pid_roer[0], &p, sizeof p);
        close(pid_roer[0]);
        if (n != static_cast<ssize_t>(sizeof p)) throw std::runtime_error("no pid from the shell");
        program_ = p;
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

koersel::~koersel() {
    if (status_ == -1 && pid_ > 0) {
        if (program_ != pid_) kill(program_, SIGKILL);
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (til_skal_ >= 0) close(til_skal_);
    if (master_ >= 0) close(master_);
}

void koersel::fortsaet_i_forgrunden() {
    if (til_skal_ < 0) {
        kill(program_, SIGCONT);
        return;
    }
    char c = 'f';
    [[maybe_unused]] ssize_t n = write(til_skal_, &c, 1);
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

void koersel::laeg_paa() {
    close(master_);
    master_ = -1;
    lukket_ = true;
}

bool koersel::laes_noget(int ms) {
    if (master_ < 0) {
        poll(nullptr, 0, ms);  // nothing to read: only the wait
        return false;
    }
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return false;
    char buf[8192];
    ssize_t n = read(master_, buf, sizeof buf);
    if (n == 0 || (n < 0 && errno == EIO)) lukket_ = true;  // nobody holds the terminal any more
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
    vt_.feed(std::string_view(ufodret_).substr(0, n));
    ufodret_.erase(0, n);
    std::string svar = vt_.take_replies();  // answers to the program's queries
    const std::string ukendt_tilstand = "\x1b[?2026;0$y", kendt_tilstand = "\x1b[?2026;2$y";
    if (std::size_t p = svar.find(ukendt_tilstand); synkron_ && p != std::string::npos)
        svar.replace(p, ukendt_tilstand.size(), kendt_tilstand);
    if (!svar.empty()) skriv(svar);
    return true;
}

void koersel::fodr_alt() {
    while (fodr_naeste()) {
    }
    vt_.feed(ufodret_);
    ufodret_.clear();
}

bool koersel::vent_paa(const std::function<bool(const vterm_screen&)>& betingelse, int ms) {
    auto slut = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!betingelse(vt_)) {
        if (fodr_naeste()) continue;
        if (lukket_ || std::chrono::steady_clock::now() >= slut) return false;
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
    vt_.feed(bytes);
}

void koersel::skift_stoerrelse(int raekker, int kolonner) {
    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(raekker);
    ws.ws_col = static_cast<unsigned short>(kolonner);
    vt_.resize(raekker, kolonner);
    ioctl(master_, TIOCSWINSZ, &ws);
}

termios koersel::terminal_tilstand() const {
    termios t{};
    tcgetattr(master_, &t);
    return t;
}
