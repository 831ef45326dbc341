#include "terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

namespace console_detail::terminal {

namespace {

int fd = -1;
termios gemt{};
bool kitty = false;  // the terminal speaks the kitty keyboard protocol
// Whether our keyboard mode is on the terminal's stack, so every push has
// exactly one pop however the signals come.
volatile std::sig_atomic_t kitty_skubbet = 0;
// Whether the terminal is in our modes (raw, no autowrap, our keyboard mode).
volatile std::sig_atomic_t taget = 0;
volatile std::sig_atomic_t stoerrelse_aendret = 0;
volatile std::sig_atomic_t genoptaget = 0;
volatile std::sig_atomic_t aaben = 0;
// Signals that need the screen wake the key wait through this pipe, also when
// they arrive just before it starts.
int vaekker[2] = {-1, -1};

void vaek() {
    if (vaekker[1] >= 0) {
        char c = 1;
        [[maybe_unused]] auto n = ::write(vaekker[1], &c, 1);
    }
}

constexpr std::string_view tag_i_brug = "\x1b[?7l";  // no autowrap: the last cell never scrolls
constexpr std::string_view kitty_tryk = "\x1b[>1u", kitty_pop = "\x1b[<u";

// What gives the terminal back; kept ready so a signal handler can write it.
// It starts with the keyboard mode's pop, left out when that is not pushed.
char gendan_tekst[96];
std::size_t gendan_laengde = 0;
int slut_raekke = 1;

void skriv_alt(std::string_view s) {
    while (!s.empty()) {
        ssize_t w = ::write(fd, s.data(), s.size());
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        s.remove_prefix(static_cast<std::size_t>(w));
    }
}

void byg_gendan_tekst() {
    int n = std::snprintf(gendan_tekst, sizeof gendan_tekst, "%s\x1b[0m\x1b[?7h\x1b[?25h\x1b[%dH",
                          kitty_pop.data(), slut_raekke);
    gendan_laengde = n > 0 ? static_cast<std::size_t>(n) : 0;
}

// The signals that come from outside and whose handlers write to the
// terminal or change its modes. They are held back while the program writes,
// so a handler runs between two screen updates, never inside a sequence.
const int asynkrone_signaler[] = {SIGTERM, SIGHUP, SIGQUIT, SIGINT, SIGTSTP, SIGCONT, SIGWINCH};

sigset_t asynkrone() {
    sigset_t saet;
    sigemptyset(&saet);
    for (int sig : asynkrone_signaler) sigaddset(&saet, sig);
    return saet;
}

class hold_signaler_tilbage {
   public:
    hold_signaler_tilbage() {
        sigset_t saet = asynkrone();
        sigprocmask(SIG_BLOCK, &saet, &foer_);
    }
    ~hold_signaler_tilbage() { sigprocmask(SIG_SETMASK, &foer_, nullptr); }
    hold_signaler_tilbage(const hold_signaler_tilbage&) = delete;
    hold_signaler_tilbage& operator=(const hold_signaler_tilbage&) = delete;

   private:
    sigset_t foer_;
};

void raa_tilstand() {
    termios raa = gemt;
    raa.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INLCR | IGNCR | INPCK | ISTRIP | IXON |
                                          IXOFF | PARMRK);
    raa.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    raa.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    raa.c_cflag |= CS8;
    raa.c_cc[VMIN] = 1;
    raa.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSADRAIN, &raa);
}

// Called with the asynchronous signals held back (in their handlers or
// under hold_signaler_tilbage), so the flags can't change halfway.
void tag_terminalen() {
    raa_tilstand();
    skriv_alt(tag_i_brug);
    if (kitty && !kitty_skubbet) {
        skriv_alt(kitty_tryk);
        kitty_skubbet = 1;
    }
    taget = 1;
}

// Only async-signal-safe calls: write and tcsetattr.
void giv_tilbage() {
    if (!aaben) return;
    std::string_view gendan(gendan_tekst, gendan_laengde);
    if (!kitty_skubbet) gendan.remove_prefix(kitty_pop.size());
    kitty_skubbet = 0;
    skriv_alt(gendan);
    ::tcsetattr(fd, TCSADRAIN, &gemt);
    taget = 0;
}

const int afsluttende_signaler[] = {SIGTERM, SIGHUP, SIGQUIT, SIGINT,  SIGSEGV,
                                    SIGBUS,  SIGFPE, SIGILL,  SIGABRT, SIGPIPE};

void installer(int sig, void (*handler)(int));

void ved_afslutning(int sig) {
    giv_tilbage();
    aaben = 0;
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigaction(sig, &sa, nullptr);
    ::raise(sig);  // held back until the handler returns, then the default
}

void ved_stop(int) {
    int gemt_errno = errno;
    giv_tilbage();
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigaction(SIGTSTP, &sa, nullptr);
    sigset_t saet;
    sigemptyset(&saet);
    sigaddset(&saet, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &saet, nullptr);
    // Stops here until SIGCONT (whose handler waits until this one returns).
    // In an orphaned process group the kernel discards the stop and this
    // returns at once: then nothing else would take the terminal back.
    ::raise(SIGTSTP);
    sigprocmask(SIG_BLOCK, &saet, nullptr);
    installer(SIGTSTP, ved_stop);
    if (aaben && !taget) {
        tag_terminalen();
        genoptaget = 1;
        vaek();
    }
    errno = gemt_errno;
}

// Also without a stop before it: the modes are set again and the screen
// painted anew, the keyboard mode pushed only when it is not.
void ved_fortsaet(int) {
    int gemt_errno = errno;
    if (aaben) {
        tag_terminalen();
        genoptaget = 1;
        vaek();
    }
    errno = gemt_errno;
}

void ved_stoerrelse(int) {
    int gemt_errno = errno;
    stoerrelse_aendret = 1;
    vaek();
    errno = gemt_errno;
}

void installer(int sig, void (*handler)(int)) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sa.sa_mask = asynkrone();      // handlers never interrupt one another
    sigaction(sig, &sa, nullptr);  // no SA_RESTART: a wait for keys wakes up
}

void ved_ufanget_undtagelse() {
    sigset_t saet = asynkrone();
    sigprocmask(SIG_BLOCK, &saet, nullptr);
    giv_tilbage();
    aaben = 0;
    std::abort();
}

// Asks whether the terminal speaks the kitty keyboard protocol; the device
// attributes reply that every terminal sends ends the wait. Keys typed
// meanwhile are kept for the key reader.
void spoerg_om_kitty(std::string& forudlaest) {
    skriv_alt("\x1b[?u\x1b[c");
    std::string svar;
    for (int ventet = 0; ventet < 200;) {
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, 20);
        ventet += 20;
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) continue;
        char buf[256];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        svar.append(buf, static_cast<std::size_t>(n));
        std::size_t da = svar.find("\x1b[?");
        bool faerdig = false;
        while (da != std::string::npos) {
            std::size_t slut = da + 3;
            while (slut < svar.size() &&
                   ((svar[slut] >= '0' && svar[slut] <= '9') || svar[slut] == ';'))
                ++slut;
            if (slut >= svar.size()) break;
            if (svar[slut] == 'u') kitty = true;
            if (svar[slut] == 'c') faerdig = true;
            svar.erase(da, slut + 1 - da);
            da = svar.find("\x1b[?", da);
        }
        if (faerdig) break;
    }
    forudlaest += svar;
}

}  // namespace

bool aabn(std::string& forudlaeste_bytes) {
    fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    if (::tcgetattr(fd, &gemt) != 0) {
        ::close(fd);
        fd = -1;
        return false;
    }
    if (::pipe2(vaekker, O_CLOEXEC | O_NONBLOCK) != 0) vaekker[0] = vaekker[1] = -1;
    byg_gendan_tekst();
    hold_signaler_tilbage under_opstart;
    aaben = 1;
    for (int sig : afsluttende_signaler) installer(sig, ved_afslutning);
    installer(SIGTSTP, ved_stop);
    installer(SIGCONT, ved_fortsaet);
    installer(SIGWINCH, ved_stoerrelse);
    std::set_terminate(ved_ufanget_undtagelse);
    tag_terminalen();  // raw already for the answer to the question
    spoerg_om_kitty(forudlaeste_bytes);
    if (kitty) {
        skriv_alt(kitty_tryk);
        kitty_skubbet = 1;
    }
    return true;
}

void luk() {
    if (!aaben) return;
    {
        hold_signaler_tilbage under_lukning;
        giv_tilbage();
        aaben = 0;
        for (int sig : afsluttende_signaler) std::signal(sig, SIG_DFL);
        std::signal(SIGTSTP, SIG_DFL);
        std::signal(SIGCONT, SIG_DFL);
        std::signal(SIGWINCH, SIG_DFL);
    }
    ::close(fd);
    fd = -1;
    for (int& v : vaekker) {
        if (v >= 0) ::close(v);
        v = -1;
    }
}

bool er_aaben() { return aaben; }

bool er_terminalen(int andet_fd) {
    struct stat a {
    }, b{};
    if (fd < 0 || ::fstat(fd, &a) != 0 || ::fstat(andet_fd, &b) != 0) return false;
    return S_ISCHR(b.st_mode) && a.st_rdev == b.st_rdev;
}

void skriv(std::string_view bytes) {
    hold_signaler_tilbage under_skrivning;
    skriv_alt(bytes);
}

bool stoerrelse(int& kolonner, int& raekker) {
    winsize ws{};
    if (::ioctl(fd, TIOCGWINSZ, &ws) != 0 || ws.ws_col == 0 || ws.ws_row == 0) return false;
    kolonner = ws.ws_col;
    raekker = ws.ws_row;
    return true;
}

namespace {

// A terminal name as terminfo files are named, and nothing that could make
// the name a path.
bool gyldigt_terminalnavn(std::string_view navn) {
    if (navn.empty() || navn.size() > 64 || navn[0] == '.') return false;
    for (char c : navn) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '.' || c == '+' || c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

// A terminfo entry, when the path is a regular file: opened without waiting
// (a FIFO would wait for a writer) and read no further than an entry can be
// long, so a device behind the name can't fill the memory.
bool laes_terminfo_fil(const std::string& sti, std::vector<unsigned char>& d) {
    constexpr std::size_t hoejst = 64 * 1024;
    int f = ::open(sti.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (f < 0) return false;
    struct stat st {};
    if (::fstat(f, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(f);
        return false;
    }
    d.resize(hoejst);
    std::size_t n = 0;
    while (n < hoejst) {
        ssize_t r = ::read(f, d.data() + n, hoejst - n);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        n += static_cast<std::size_t>(r);
    }
    ::close(f);
    d.resize(n);
    return true;
}

// The "colors" number of a terminfo entry, or -1 when there is none.
int terminfo_farver(const std::string& term) {
    std::vector<std::string> mapper;
    if (const char* t = std::getenv("TERMINFO")) mapper.emplace_back(t);
    if (const char* h = std::getenv("HOME")) mapper.push_back(std::string(h) + "/.terminfo");
    if (const char* liste = std::getenv("TERMINFO_DIRS")) {
        std::string l = liste;
        for (std::size_t p = 0, q; p <= l.size(); p = q + 1) {
            q = l.find(':', p);
            if (q == std::string::npos) q = l.size();
            if (q > p) mapper.push_back(l.substr(p, q - p));
        }
    }
    for (const char* m : {"/etc/terminfo", "/lib/terminfo", "/usr/share/terminfo"})
        mapper.emplace_back(m);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(term[0]));
    std::vector<unsigned char> d;
    for (const auto& m : mapper) {
        for (const std::string& under : {std::string(1, term[0]), std::string(hex)}) {
            if (!laes_terminfo_fil(m + "/" + under + "/" + term, d)) continue;
            auto tal16 = [&](std::size_t o) {
                return o + 1 < d.size() ? d[o] | (d[o + 1] << 8) : -1;
            };
            int magi = tal16(0);
            if (magi != 0432 && magi != 01036) return -1;
            std::size_t bredde = magi == 01036 ? 4 : 2;
            std::size_t o =
                12 + static_cast<std::size_t>(tal16(2)) + static_cast<std::size_t>(tal16(4));
            if (o % 2) ++o;
            const std::size_t colors = 13;
            if (static_cast<std::size_t>(tal16(6)) <= colors) return -1;
            o += colors * bredde;
            if (o + bredde > d.size()) return -1;
            int v = tal16(o);
            if (bredde == 4 && o + 3 < d.size()) v |= (d[o + 2] << 16) | (d[o + 3] << 24);
            return v == 0xFFFF || v < 0 ? -1 : v;
        }
    }
    return -1;
}

}  // namespace

bool otte_farver() {
    const char* term = std::getenv("TERM");
    if (!term || !*term) return false;
    if (std::strcmp(term, "linux") == 0) return true;
    if (!gyldigt_terminalnavn(term)) return false;
    int farver = terminfo_farver(term);
    return farver >= 0 && farver < 16;
}

laesning laes(std::string& ud, int ventetid_ms) {
    pollfd p[2] = {{fd, POLLIN, 0}, {vaekker[0], POLLIN, 0}};
    int r = ::poll(p, vaekker[0] >= 0 ? 2 : 1, ventetid_ms);
    if (r < 0) return errno == EINTR ? laesning::afbrudt : laesning::slut;
    if (r == 0) return laesning::tid_udloebet;
    if (p[1].revents & POLLIN) {
        char tom[64];
        while (::read(vaekker[0], tom, sizeof tom) > 0) {
        }
        return laesning::afbrudt;
    }
    char buf[512];
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return laesning::afbrudt;
    if (n <= 0) return laesning::slut;
    ud.append(buf, static_cast<std::size_t>(n));
    return laesning::data;
}

bool tag_stoerrelse_aendret() {
    bool v = stoerrelse_aendret;
    stoerrelse_aendret = 0;
    return v;
}

bool tag_genoptaget() {
    bool v = genoptaget;
    genoptaget = 0;
    return v;
}

void saet_slut_raekke(int raekke) {
    if (raekke == slut_raekke) return;
    // Signals must not see the text half written.
    sigset_t alle, foer;
    sigfillset(&alle);
    sigprocmask(SIG_BLOCK, &alle, &foer);
    slut_raekke = raekke;
    byg_gendan_tekst();
    sigprocmask(SIG_SETMASK, &foer, nullptr);
}

}  // namespace console_detail::terminal
