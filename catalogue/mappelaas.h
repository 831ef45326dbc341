// One katsort at a time per catalogue folder: an advisory lock on a lock
// file next to the list, taken before anything is loaded. The system (and
// on a network folder its lock manager) releases it when the process ends
// in any way, so a crash never leaves a stale lock behind.
#pragma once

#include <string>

class mappelaas {
   public:
    mappelaas() = default;
    ~mappelaas();
    mappelaas(const mappelaas&) = delete;
    mappelaas& operator=(const mappelaas&) = delete;

    // Takes the lock of the folder that holds `listefil`. False, with
    // `hvorfor` saying who holds it (code page 850), when another run has it.
    bool tag(const char* listefil, std::string& hvorfor);

    static constexpr const char* filnavn = "katsort.laas";

   private:
    int fd_ = -1;
    void* haandtag_ = nullptr;  // the lock file's handle on Windows
};
