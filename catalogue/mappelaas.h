// One katsort at a time per catalogue folder: the folder that holds the
// real list (a symbolic link's target's folder) is locked before anything is
// loaded. The lock leaves nothing in the folder and never opens, changes or
// removes a file that it did not create itself in this run: on Unix it is a
// flock on the folder itself, on Windows a file katsort.laas that only this
// run can open and that the system deletes when the run ends. Either way it
// goes with the process, however the process ends.
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

    // The lock file on Windows.
    static constexpr const char* filnavn = "katsort.laas";

   private:
    int fd_ = -1;               // the folder, on Unix
    void* haandtag_ = nullptr;  // the lock file, on Windows
};
