// Runs the real program in a pseudo-terminal behind libvterm.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "vterm_skaerm.h"

class koersel {
   public:
    // `foran` runs the program through another one (valgrind, say).
    koersel(const std::string& mappe, int raekker = 50, int kolonner = 80,
            std::vector<std::string> argumenter = {}, std::vector<std::string> foran = {});
    ~koersel();
    koersel(const koersel&) = delete;
    koersel& operator=(const koersel&) = delete;

    void skriv(std::string_view taster);
    // Reads output until the condition holds, then the rest of that update;
    // false when it didn't hold in time. With `hele_opdateringen` false it
    // stops at once (to catch a screen that changes on by itself).
    bool vent_paa(const std::function<bool(const vterm_skaerm&)>& betingelse, int ms = 5000,
                  bool hele_opdateringen = true);
    // Reads output for a while.
    void pump(int ms);
    // The exit status (as waitpid gives it), or -1 when still running after `ms`.
    int vent_paa_slut(int ms = 5000);
    void skift_stoerrelse(int raekker, int kolonner);
    termios terminal_tilstand() const;
    // Answer the keyboard protocol query as a terminal with the kitty protocol does.
    void svar_som_kitty() { kitty_ = true; }
    pid_t pid() const { return pid_; }
    vterm_skaerm& skaerm() { return vt_; }
    // Everything the program wrote, as raw bytes.
    const std::string& alt_output() const { return output_; }

   private:
    bool laes_noget(int ms);

    vterm_skaerm vt_;
    int master_ = -1;
    pid_t pid_ = -1;
    int status_ = -1;
    bool kitty_ = false;
    std::string output_;
};
