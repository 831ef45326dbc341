// The memory and time of a save of a 200 MB list: 10 million entries of
// other catalogues around catalogue 1's 1999 lots. The figure that matters
// is how much the save adds to what the loaded program already uses.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "kat_opsaetning.h"
#include "maaling.h"

namespace fs = std::filesystem;

namespace {

const int lots = 1999;
const int andre_poster = 10'000'000;

long hoejeste_rss_kb() {
    rusage brug{};
    getrusage(RUSAGE_SELF, &brug);
    return brug.ru_maxrss;
}

void lav_filer() {
    std::ofstream("katalog.txt", std::ios::binary) << "# 1 Kunst 12.03.1998 " << lots << "\r\n";
    std::ofstream emner("emne.txt", std::ios::binary);
    for (int l = 1; l <= lots; ++l) {
        emner << "# " << l << " x";
        for (int f = 1; f <= 15; ++f) emner << " felt" << f << " \xA4";
        emner << "\r\n";
    }
    std::ofstream liste("kat_emneliste.txt", std::ios::binary);
    for (int i = 0; i < andre_poster; ++i) {
        if (i == andre_poster / 2)
            for (int l = 1; l <= lots; ++l) liste << "# 1 " << l << " " << l << "\r\n";
        liste << "# " << 2 + i % 900 << " " << 1000000 + i << " " << i % 5000 + 1 << "\r\n";
    }
}

}  // namespace

int main() {
    bench_mappe her;
    if (!her.ok()) return 1;
    lav_filer();
    double mb = static_cast<double>(fs::file_size("kat_emneliste.txt")) / 1e6;

    auto k = std::make_unique<kat_opsaetning>();
    k->indlaes("1");
    long efter_indlaesning = hoejeste_rss_kb();
    auto start = std::chrono::steady_clock::now();
    k->gem();
    double sekunder =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    long efter_gemning = hoejeste_rss_kb();

    std::printf(
        "save of a %.0f MB list (%d entries): %.2f s; peak memory %ld MB after loading, "
        "%ld MB after saving: the save added %ld MB; saved %s\n",
        mb, andre_poster + lots, sekunder, efter_indlaesning / 1024, efter_gemning / 1024,
        (efter_gemning - efter_indlaesning) / 1024, k->status().gemt ? "yes" : "NO");
    return k->status().gemt ? 0 : 1;
}
