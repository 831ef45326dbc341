#include "terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace console_detail::terminal {

namespace {

int fd = -1;
termios saved{};
bool kitty = false;  // the terminal speaks the kitty keyboard protocol
// The terminal said it knows synchronized output (mode 2026); others may
// complain of the mode, or show it.
bool synchronized = false;
// Whether our keyboard mode is on the terminal's stack, so every push has
// exactly one pop however the signals come.
volatile std::sig_atomic_t kitty_pushed = 0;
// Whether the terminal is in our modes (raw, no autowrap, our keyboard mode).
volatile std::sig_atomic_t taken = 0;
volatile std::sig_atomic_t resized = 0;
volatile std::sig_atomic_t resumed = 0;
volatile std::sig_atomic_t opened = 0;
// Signals that need the screen wake the key wait through this pipe, also when
// they arrive just before it starts.
int wake_pipe[2] = {-1, -1};

void wake() {
    if (wake_pipe[1] >= 0) {
        char c = 1;
        [[maybe_unused]] auto n = ::write(wake_pipe[1], &c, 1);
    }
}

constexpr std::string_view no_autowrap = "\x1b[?7l";  // no autowrap: the last cell never scrolls
// Kitty's flag 1 (disambiguate): Esc and Alt or Ctrl combinations as unambiguous sequences.
constexpr std::string_view kitty_push = "\x1b[>1u", kitty_pop = "\x1b[<u";

// What gives the terminal back; kept ready so a signal handler can write it.
// It starts with CAN and (where updates are synchronized) the end of one,
// which end an update that an ending signal cut off halfway, then the
// keyboard mode's pop, left out when that is not pushed.
char restore_text[128];
std::size_t restore_length = 0, cancel_length = 0;
constexpr std::string_view end_of_update = "\x1b[?2026l";
char exit_line_drawing[24] = "";  // rmacs of a terminal that is not UTF-8
// enacs of a terminal that is not UTF-8: what its line-drawing set needs
// before smacs works (tmux, screen and PuTTY switch it with SO).
char enable_line_drawing[24] = "";
std::size_t enable_line_drawing_length = 0;
int end_row = 1;
bool blank_end_row = false;
bool cursor_styled = false;  // the program sets the cursor's shape (DECSCUSR)

// How long a terminal may take no output at all (Scroll Lock, a stalled
// link) before the program goes on without it: a save must never wait for
// a screen.
constexpr int stall_ms = 2000;
// How long the restore may wait when a signal ends the program.
constexpr int restore_wait_ms = 500;

// Set when the terminal took no output for stall_ms; what is written then
// is dropped, until the terminal takes output again.
volatile std::sig_atomic_t stalled = 0;
// Called when a signal ends the program, after the terminal is given back.
void (*abrupt_end)() = nullptr;

// Waits until the terminal takes output, with `mask` in force meanwhile (so
// ending signals can act during the wait); false after `wait_ms` without.
bool wait_writable(int wait_ms, const sigset_t* mask) {
    pollfd p{fd, POLLOUT, 0};
    timespec limit{wait_ms / 1000, (wait_ms % 1000) * 1000000L};
    for (;;) {
        int r = ::ppoll(&p, 1, &limit, mask);
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
}

// Writes all of `s` to the terminal, which never blocks (O_NONBLOCK): when
// it takes nothing for `wait_ms`, false with the rest unwritten.
bool write_all(std::string_view s, int wait_ms, const sigset_t* wait_mask = nullptr) {
    while (!s.empty()) {
        ssize_t w = ::write(fd, s.data(), s.size());
        if (w > 0) {
            s.remove_prefix(static_cast<std::size_t>(w));
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && errno == EAGAIN && wait_writable(wait_ms, wait_mask)) continue;
        return false;
    }
    return true;
}

void write_all(std::string_view s) { write_all(s, stall_ms); }

void build_restore_text() {
    cancel_length = 1 + (synchronized ? end_of_update.size() : 0);
    int n = std::snprintf(
        restore_text, sizeof restore_text, "\x18%s%s%s\x1b[0m\x1b[?7h\x1b[?25h%s\x1b[%dH%s",
        synchronized ? end_of_update.data() : "", kitty_pop.data(), exit_line_drawing,
        cursor_styled ? "\x1b[0 q" : "", end_row, blank_end_row ? "\x1b[2K" : "");
    restore_length = n > 0 ? static_cast<std::size_t>(n) : 0;
}

// Builds the restore text anew where no signal can see it half written.
void rebuild_restore_text() {
    sigset_t all, before;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &before);
    build_restore_text();
    sigprocmask(SIG_SETMASK, &before, nullptr);
}

// The signals that come from outside and whose handlers write to the
// terminal or change its modes. They are held back while the program writes,
// so a handler runs between two screen updates, never inside a sequence.
const int async_signals[] = {SIGTERM, SIGHUP, SIGQUIT, SIGINT, SIGTSTP, SIGCONT, SIGWINCH};

sigset_t async_signal_set() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : async_signals) sigaddset(&set, sig);
    return set;
}

class hold_signals_back {
   public:
    hold_signals_back() {
        sigset_t set = async_signal_set();
        sigprocmask(SIG_BLOCK, &set, &before_);
    }
    ~hold_signals_back() { sigprocmask(SIG_SETMASK, &before_, nullptr); }
    const sigset_t& before() const { return before_; }
    hold_signals_back(const hold_signals_back&) = delete;
    hold_signals_back& operator=(const hold_signals_back&) = delete;

   private:
    sigset_t before_;
};

void raw_mode() {
    termios raw = saved;
    raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INLCR | IGNCR | INPCK | ISTRIP | IXON |
                                          IXOFF | PARMRK);
    raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    raw.c_cflag |= CS8;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(fd, TCSANOW, &raw);
}

// Called with the asynchronous signals held back (in their handlers or
// under hold_signals_back), so the flags can't change halfway.
void take_terminal() {
    raw_mode();
    write_all(no_autowrap);
    write_all(std::string_view(enable_line_drawing, enable_line_drawing_length));
    if (kitty && !kitty_pushed) {
        write_all(kitty_push);
        kitty_pushed = 1;
    }
    taken = 1;
}

// Only async-signal-safe calls: write and tcsetattr.
void give_back() {
    if (!opened) return;
    std::string_view restore(restore_text, restore_length);
    std::string_view cancel = restore.substr(0, cancel_length),
                     rest = restore.substr(cancel_length);
    if (!kitty_pushed) rest.remove_prefix(kitty_pop.size());
    kitty_pushed = 0;
    // A stalled terminal gets what it takes in a moment: the modes are set
    // back all the same (at once: waiting for the output to drain could
    // wait for ever).
    if (write_all(cancel, restore_wait_ms)) write_all(rest, restore_wait_ms);
    ::tcsetattr(fd, TCSANOW, &saved);
    taken = 0;
}

// Not SIGPIPE: a closed pipe as standard output is a failed write, which
// the program reports (it ignores SIGPIPE).
const int ending_signals[] = {SIGTERM, SIGHUP, SIGQUIT, SIGINT, SIGSEGV,
                              SIGBUS,  SIGFPE, SIGILL,  SIGABRT};

void install(int sig, void (*handler)(int));

void on_end(int sig) {
    give_back();
    opened = 0;
    if (abrupt_end) abrupt_end();
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigaction(sig, &sa, nullptr);
    ::raise(sig);  // held back until the handler returns, then the default
}

// The modes set again, the screen to be painted anew and the key read
// woken; from a handler, so only async-signal-safe calls.
void take_back() {
    take_terminal();
    resumed = 1;
    wake();
}

void on_stop(int) {
    int saved_errno = errno;
    give_back();
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigaction(SIGTSTP, &sa, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    // Stops here until SIGCONT (whose handler waits until this one returns).
    // In an orphaned process group the kernel discards the stop and this
    // returns at once: then nothing else would take the terminal back.
    ::raise(SIGTSTP);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    install(SIGTSTP, on_stop);
    if (opened && !taken) take_back();
    errno = saved_errno;
}

// Also without a stop before it: the modes are set again and the screen
// painted anew, the keyboard mode pushed only when it is not.
void on_continue(int) {
    int saved_errno = errno;
    if (opened) take_back();
    errno = saved_errno;
}

void on_resize(int) {
    int saved_errno = errno;
    resized = 1;
    wake();
    errno = saved_errno;
}

void install(int sig, void (*handler)(int)) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sa.sa_mask = async_signal_set();  // handlers never interrupt one another
    sigaction(sig, &sa, nullptr);     // no SA_RESTART: a wait for keys wakes up
}

void on_uncaught_exception() {
    sigset_t set = async_signal_set();
    sigprocmask(SIG_BLOCK, &set, nullptr);
    give_back();
    opened = 0;
    if (abrupt_end) abrupt_end();
    std::abort();
}

// DECRPM's answer for mode 2026 ("2026;1" or "2026;2": known, set or not;
// "2026;3": always set): the terminal paints each update at once.
bool knows_synchronized_output(std::string_view parameters) {
    return parameters == "2026;1" || parameters == "2026;2" || parameters == "2026;3";
}

// Asks whether the terminal speaks the kitty keyboard protocol, and whether
// it knows synchronized output (DECRQM); the device attributes reply that
// every terminal sends ends the wait. Keys typed meanwhile are kept for the
// key reader.
void ask_terminal(std::string& read_ahead) {
    write_all("\x1b[?u\x1b[?2026$p\x1b[c");
    std::string reply;
    for (int waited = 0; waited < 200;) {
        pollfd p{fd, POLLIN, 0};
        int r = ::poll(&p, 1, 20);
        waited += 20;
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) continue;
        char buf[256];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        reply.append(buf, static_cast<std::size_t>(n));
        std::size_t at = reply.find("\x1b[?");
        bool done = false;
        while (at != std::string::npos) {
            std::size_t end = at + 3;
            while (end < reply.size() &&
                   ((reply[end] >= '0' && reply[end] <= '9') || reply[end] == ';'))
                ++end;
            const std::string_view parameters(reply.data() + at + 3, end - at - 3);
            const bool mode_report = end < reply.size() && reply[end] == '$';
            if (mode_report) ++end;
            if (end >= reply.size()) break;
            if (reply[end] == 'u') kitty = true;
            if (mode_report && reply[end] == 'y' && knows_synchronized_output(parameters))
                synchronized = true;
            if (reply[end] == 'c') done = true;
            reply.erase(at, end + 1 - at);
            at = reply.find("\x1b[?", at);
        }
        if (done) break;
    }
    read_ahead += reply;
}

}  // namespace

bool open(std::string& read_ahead) {
    // Without blocking: a terminal that takes no output can't hold the program up.
    fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    if (::tcgetattr(fd, &saved) != 0) {
        ::close(fd);
        fd = -1;
        return false;
    }
    if (::pipe2(wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) wake_pipe[0] = wake_pipe[1] = -1;
    build_restore_text();
    hold_signals_back during_start;
    opened = 1;
    for (int sig : ending_signals) install(sig, on_end);
    install(SIGTSTP, on_stop);
    install(SIGCONT, on_continue);
    install(SIGWINCH, on_resize);
    std::set_terminate(on_uncaught_exception);
    take_terminal();  // raw already for the answer to the question
    ask_terminal(read_ahead);
    if (synchronized) rebuild_restore_text();
    if (kitty) {
        write_all(kitty_push);
        kitty_pushed = 1;
    }
    return true;
}

void close() {
    if (!opened) return;
    {
        hold_signals_back during_close;
        give_back();
        opened = 0;
        for (int sig : ending_signals) std::signal(sig, SIG_DFL);
        std::signal(SIGTSTP, SIG_DFL);
        std::signal(SIGCONT, SIG_DFL);
        std::signal(SIGWINCH, SIG_DFL);
    }
    ::close(fd);
    fd = -1;
    for (int& v : wake_pipe) {
        if (v >= 0) ::close(v);
        v = -1;
    }
}

bool is_open() { return opened; }

bool synchronized_output() { return synchronized; }

bool available() {
    int t = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (t < 0) return false;
    ::close(t);
    return true;
}

void set_cursor_styled(bool styled) {
    cursor_styled = styled;
    rebuild_restore_text();
}

void set_enable_line_drawing(std::string_view enable) {
    // Too long a text is none a terminal has.
    if (opened || enable.size() >= sizeof enable_line_drawing) return;
    enable_line_drawing_length = enable.copy(enable_line_drawing, enable.size());
}

// /dev/tty has a device number of its own (5:0), never the terminal's. The
// system answers a session query only on the caller's controlling terminal,
// which is the one /dev/tty opened: on any other descriptor it fails.
bool is_same_terminal(int other_fd) {
    if (fd < 0 || !::isatty(other_fd)) return false;
    const pid_t ours = ::tcgetsid(fd);
    return ours != -1 && ::tcgetsid(other_fd) == ours;
}

// An update is written with the asynchronous signals held back, so their
// handlers run between two updates; only the signals that end the program
// are let through while it waits for a busy terminal, so they act however
// long the terminal takes (the restore then cancels the update cut short).
void write(std::string_view bytes) {
    hold_signals_back during_write;
    if (stalled) {
        if (!wait_writable(0, nullptr)) return;
        stalled = 0;
        resumed = 1;  // what was dropped meanwhile: the screen is painted anew
    }
    sigset_t ending_only = during_write.before();
    for (int sig : {SIGTSTP, SIGCONT, SIGWINCH}) sigaddset(&ending_only, sig);
    if (!write_all(bytes, stall_ms, &ending_only)) stalled = 1;
}

void at_abrupt_end(void (*cleanup)()) { abrupt_end = cleanup; }

bool size(int& columns, int& rows) {
    winsize ws{};
    if (::ioctl(fd, TIOCGWINSZ, &ws) != 0 || ws.ws_col == 0 || ws.ws_row == 0) return false;
    columns = ws.ws_col;
    rows = ws.ws_row;
    return true;
}

read_result read(std::string& out, int timeout_ms) {
    pollfd p[2] = {{fd, POLLIN, 0}, {wake_pipe[0], POLLIN, 0}};
    int r = ::poll(p, wake_pipe[0] >= 0 ? 2 : 1, timeout_ms);
    if (r < 0) return errno == EINTR ? read_result::interrupted : read_result::end;
    if (r == 0) return read_result::timed_out;
    if (p[1].revents & POLLIN) {
        char drain[64];
        while (::read(wake_pipe[0], drain, sizeof drain) > 0) {
        }
        return read_result::interrupted;
    }
    char buf[512];
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return read_result::interrupted;
    if (n <= 0) return read_result::end;
    out.append(buf, static_cast<std::size_t>(n));
    return read_result::data;
}

void hold_ending_signals(bool hold) {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGHUP, SIGTERM, SIGINT, SIGQUIT}) sigaddset(&set, sig);
    sigprocmask(hold ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

bool take_resized() {
    bool v = resized;
    resized = 0;
    return v;
}

bool take_resumed() {
    bool v = resumed;
    resumed = 0;
    return v;
}

void set_end_row(int row, bool blank) {
    if (row == end_row && blank == blank_end_row) return;
    end_row = row;
    blank_end_row = blank;
    rebuild_restore_text();
}

void set_exit_line_drawing(std::string_view exit) {
    // Too long a text is none a terminal has; the restore then does without.
    if (exit.size() >= sizeof exit_line_drawing) return;
    // Only the restore text's building reads it, never a handler.
    exit.copy(exit_line_drawing, exit.size());
    exit_line_drawing[exit.size()] = '\0';
    rebuild_restore_text();
}

}  // namespace console_detail::terminal
