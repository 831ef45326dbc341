// Runs the real program in a pseudo-terminal behind libvterm.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vterm_screen.h"

// The program under test: the one just built, or KATSORT_E2E_BINARY (to try
// the tests on another build, an older one say).
inline const char* katsort_binaer() {
    const char* andet = std::getenv("KATSORT_E2E_BINARY");
    return andet && *andet ? andet : KATSORT_BINARY;
}

// What runs the program under test, when it is a build for another CPU:
// KATSORT_E2E_FORAN, words split at spaces ("qemu-aarch64 -L
// /usr/aarch64-linux-gnu", say).
std::vector<std::string> katsort_foran();

// Standard streams of the program that are not the terminal.
struct omdirigering {
    std::string ud_til_fil{};       // standard output into this file
    bool ind_fra_null = false;      // standard input from /dev/null
    bool ud_i_lukket_roer = false;  // standard output a pipe that nobody reads
};

// How the program is started, for the tests that need more than the
// catalogue folder and the terminal's size.
struct start_valg {
    int raekker = 50, kolonner = 80;
    std::vector<std::string> argumenter{};
    std::vector<std::string> foran{};  // runs the program through another one
    omdirigering stroemme{};
    // Set in the program's environment after TERM, so TERM can be replaced.
    std::vector<std::pair<std::string, std::string>> miljoe{};
    // The pty's first process is a small job-control shell: the program runs
    // in a process group of its own in the terminal's foreground, so SIGTSTP
    // really stops it (without the shell its group is orphaned and the
    // kernel discards the stop).
    bool jobkontrol = false;
    // Another program than katsort_binaer() (katsort.exe under Wine, say).
    std::string binaer{};
    // The terminal says it knows synchronized output (libvterm itself says
    // it doesn't); the tests see each update whole by its marks.
    bool synkron = true;
};

class koersel {
   public:
    // `foran` runs the program through another one (valgrind, say).
    koersel(const std::string& mappe, int raekker = 50, int kolonner = 80,
            std::vector<std::string> argumenter = {}, std::vector<std::string> foran = {},
            omdirigering stroemme = {});
    koersel(const std::string& mappe, start_valg valg);
    ~koersel();
    koersel(const koersel&) = delete;
    koersel& operator=(const koersel&) = delete;

    void skriv(std::string_view taster);
    // Feeds the terminal one screen update at a time (the program brackets
    // each in synchronized-output marks) until the condition holds; false
    // when it didn't hold in time. The screen is never looked at halfway
    // through an update, nor past the first update that makes it hold.
    bool vent_paa(const std::function<bool(const vterm_screen&)>& betingelse, int ms = 5000);
    // The exit status (as waitpid gives it), or -1 when still running after `ms`.
    int vent_paa_slut(int ms = 5000);
    // Another program draws on the terminal after all the program wrote so far.
    void andet_program_tegner(std::string_view bytes);
    void skift_stoerrelse(int raekker, int kolonner);
    // The terminal hangs up, as when its window is closed: our side of the
    // pty is closed, and what the program writes after that is lost.
    void laeg_paa();
    termios terminal_tilstand() const;
    // The modes the terminal had before the program started: set on the pty
    // before the fork, so the program can't have changed them yet.
    const termios& tilstand_foer() const { return foer_; }
    // Answer the keyboard protocol query as a terminal with the kitty protocol does.
    void svar_som_kitty() { kitty_ = true; }
    // The shell brings the stopped program back to the foreground and
    // continues it, as `fg` does (job-control mode).
    void fortsaet_i_forgrunden();
    // The program's own pid, also when a shell runs it.
    pid_t pid() const { return program_; }
    vterm_screen& skaerm() { return vt_; }
    // Everything the program wrote, as raw bytes.
    const std::string& alt_output() const { return output_; }

   private:
    bool laes_noget(int ms);
    // Feeds the next whole update, or the bytes outside updates; false when
    // nothing whole is there yet.
    bool fodr_naeste();
    void fodr_alt();

    vterm_screen vt_;
    int master_ = -1;
    pid_t pid_ = -1;      // the pty's first process: the program or its shell
    pid_t program_ = -1;  // the program
    int til_skal_ = -1;   // commands to the shell
    int status_ = -1;
    bool kitty_ = false;
    bool synkron_ = true;
    termios foer_{};
    std::string output_;
    std::string ufodret_;  // read but not yet given to the terminal
    bool lukket_ = false;  // the program and all it started have let go of the terminal
};
