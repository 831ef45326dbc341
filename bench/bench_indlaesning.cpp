// Loading a full catalogue from a large emne.txt (every topic the house ever
// had, most of them unused) and a list of 200,000 entries, against a plain
// std::ifstream >> std::string token loop over the same files.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "kat_opsaetning.h"
#include "maaling.h"

namespace fs = std::filesystem;

namespace {

const int lots = 1999;
const int listeposter = 200000;
const std::size_t emne_maal = 100u << 20;

std::string emnepost(int nr, std::mt19937& rng) {
    static const char* ord[] = {"Maleri",
                                "af",
                                "havet",
                                "ved",
                                "Skagen",
                                ("\x92"
                                 "ble"),
                                "og",
                                "kande",
                                "Portr\x91t",
                                "signeret",
                                "ramme",
                                "l\x91rred",
                                "1898",
                                "-"};
    std::string s = "# " + std::to_string(nr) + " x\r\n";
    for (int f = 0; f < 15; ++f) {
        int n = 1 + static_cast<int>(rng() % 5);
        for (int w = 0; w < n; ++w) s += std::string(ord[rng() % 14]) + " ";
        s += "\xA4\r\n";
    }
    return s;
}

// Catalogue 1's topics are 1..1999, in order, scattered among unused topics.
void lav_filer(std::mt19937& rng) {
    std::ofstream("katalog.txt", std::ios::binary)
        << "# 2 B 01.01.1990 5\r\n# 1 Kunst 12.03.1998 " << lots << "\r\n";
    std::ofstream liste("kat_emneliste.txt", std::ios::binary);
    int andre = listeposter - lots;
    for (int i = 0; i < andre / 2; ++i)
        liste << "# " << 2 + i % 50 << " " << 100000 + i << " " << i % 500 + 1 << "\r\n";
    for (int i = 1; i <= lots; ++i) liste << "# 1 " << i << " " << (i * 7919) % lots + 1 << "\r\n";
    for (int i = andre / 2; i < andre; ++i)
        liste << "# " << 2 + i % 50 << " " << 100000 + i << " " << i % 500 + 1 << "\r\n";
    std::ofstream emner("emne.txt", std::ios::binary);
    std::size_t skrevet = 0;
    int ubrugt = 1000000;
    std::size_t pr_lot = emne_maal / lots;
    for (int i = 1; i <= lots; ++i) {
        std::size_t maal = pr_lot * static_cast<std::size_t>(i);
        while (skrevet < maal) {
            std::string s = emnepost(ubrugt++, rng);
            emner << s;
            skrevet += s.size();
        }
        std::string s = emnepost(i, rng);
        emner << s;
        skrevet += s.size();
    }
}

std::size_t token_loekke(const char* fil) {
    std::ifstream ind(fil, std::ios::binary);
    std::string token;
    std::size_t n = 0;
    while (ind >> token) n += token.size();
    return n;
}

}  // namespace

int main() {
    bench_mappe her;
    if (!her.ok()) return 1;
    std::mt19937 rng(7);
    lav_filer(rng);
    double mb = static_cast<double>(fs::file_size("emne.txt") + fs::file_size("kat_emneliste.txt") +
                                    fs::file_size("katalog.txt")) /
                1e6;

    std::unique_ptr<kat_opsaetning> k;
    double indlaes = median_sekunder(
        5, [&] { k = std::make_unique<kat_opsaetning>(); }, [&] { k->indlaes("1"); });
    bool helt = k->status().indlaest_helt && k->hent_antal() == lots && !k->post(lots)[16].empty();
    std::size_t tegn = 0;
    double loekke = median_sekunder(
        5, [] {},
        [&] {
            tegn = token_loekke("katalog.txt") + token_loekke("kat_emneliste.txt") +
                   token_loekke("emne.txt");
        });

    std::printf(
        "load of %.1f MB (1999 lots, %d list entries): %.1f ms = %.0f MB/s; "
        "ifstream token loop %.1f ms = %.0f MB/s; ratio %.1fx; load %s\n",
        mb, listeposter, indlaes * 1e3, mb / indlaes, loekke * 1e3, mb / loekke, loekke / indlaes,
        helt ? "complete" : "INCOMPLETE");
    return helt && tegn > 0 ? 0 : 1;
}
