// A fuzz target's files: a folder of its own (in memory where /dev/shm is),
// the current one from the start, removed at the end.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

struct arbejdsmappe {
    arbejdsmappe() {
        for (const char* rod : {"/dev/shm", "/tmp"}) {
            std::string skabelon = std::string(rod) + "/katsort-fuzz-XXXXXX";
            if (::mkdtemp(skabelon.data()) && ::chdir(skabelon.c_str()) == 0) {
                sti = skabelon;
                return;
            }
        }
        std::abort();
    }
    ~arbejdsmappe() {
        std::error_code ec;
        std::filesystem::remove_all(sti, ec);
    }
    std::string sti;
};

// A file that can't be written whole ends the run with its cause, never
// with a false finding on what an earlier input left.
inline void skriv(const char* navn, std::string_view indhold) {
    std::ofstream fil(navn, std::ios::binary | std::ios::trunc);
    fil.write(indhold.data(), static_cast<std::streamsize>(indhold.size()));
    fil.close();
    if (!fil) {
        std::perror(navn);
        std::abort();
    }
}
