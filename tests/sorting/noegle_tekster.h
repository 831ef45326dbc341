// The texts of the tests that hold the fast key and the fast sort against
// their references, shared with noegle_udskrift, which prints their keys so
// that the builds for two CPUs can be compared bit for bit.
#pragma once

#include <random>
#include <string>
#include <vector>

// Texts built to stress the rounding of the alphabetic key: shared
// prefixes, long tails, control bytes, 255, tiny weights.
inline std::vector<std::string> afrundingstekster() {
    std::mt19937 rng(20261207);
    const std::string prefikser[] = {
        "", "abcdefgh", "////////////////////", std::string(170, '/'), "\xFF\xFF", "Maleri af "};
    std::vector<std::string> tekster;
    for (int n = 0; n < 20000; ++n) {
        std::string tekst = prefikser[rng() % 6];
        int laengde = static_cast<int>(rng() % 40);
        for (int i = 0; i < laengde; ++i) {
            int art = static_cast<int>(rng() % 4);
            char c = art == 0   ? static_cast<char>(rng() % 256)
                     : art == 1 ? static_cast<char>('a' + rng() % 26)
                     : art == 2 ? static_cast<char>(" /-.0"[rng() % 5])
                                : static_cast<char>(0x80 + rng() % 128);
            tekst += c;
        }
        tekster.push_back(std::move(tekst));
    }
    return tekster;
}

// The words that the sort's test tables are filled with.
inline constexpr const char* sorteringsord[] = {"Akvarel",
                                                "akvarel",
                                                "Olie",
                                                "olie",
                                                "M",
                                                "",
                                                "/",
                                                "-",
                                                ("\x91"
                                                 "ble"),
                                                "\x9B",
                                                "Maleri af havet",
                                                "Maleri af havnen",
                                                "10",
                                                "9",
                                                "007",
                                                "7"};
