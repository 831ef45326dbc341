// One katsort at a time per catalogue folder, across every machine that
// shares it: the folder that holds the real list (a symbolic link's
// target's folder) is locked before anything is loaded, with a file
// katsort.laas that the run creates new and that names it (machine, process,
// user, since when). It is removed when the run ends; one left by a run that
// ended without (a crash, a power cut) is removed by the next start on the
// same machine, and named by a start on another. Nothing else in the folder
// is ever opened for writing, changed or removed.
#pragma once

#include <string>

class mappelaas {
   public:
    mappelaas() = default;
    ~mappelaas();
    mappelaas(const mappelaas&) = delete;
    mappelaas& operator=(const mappelaas&) = delete;

    // Takes the lock of the folder that holds `listefil` (the current folder
    // when there is no list). False, with `hvorfor` saying why in code page
    // 850, when another run holds it (naming its pid where the system can
    // tell) and when it can't be taken at all: the program must not run
    // unlocked.
    bool tag(const char* listefil, std::string& hvorfor);

    static constexpr const char* filnavn = "katsort.laas";

    // Removes the lock of the run now, when a signal ends it: only calls
    // that a signal handler may make (Unix; on Windows the system does it).
    static void slip_ved_signal();

   private:
    void husk_til_signal();
    int fd_ = -1;               // the lock file, on Unix
    std::string sti_;           // its path, on Unix
    void* haandtag_ = nullptr;  // the lock file, on Windows
};
