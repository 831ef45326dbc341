// Prints the alphabetic and numeric key of each text of the key and sort
// tests, one text a line, as the bits in hex: x86-64 computes the alphabetic
// key in the x87 format, every other CPU in exact integer arithmetic, and
// the two builds' lines must be the same.
#include <bit>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "kat_opsaetning.h"
#include "noegle_tekster.h"

using katsort::string;

int main() {
    std::vector<std::string> tekster = afrundingstekster();
    tekster.insert(tekster.end(), std::begin(sorteringsord), std::end(sorteringsord));
    for (const std::string& tekst : tekster) {
        string s{std::string_view(tekst)};
        std::printf("%016" PRIx64 " %08" PRIx32 "\n",
                    std::bit_cast<std::uint64_t>(kat_opsaetning::alfa_noegle(s)),
                    static_cast<std::uint32_t>(kat_opsaetning::tal_noegle(s)));
    }
}
