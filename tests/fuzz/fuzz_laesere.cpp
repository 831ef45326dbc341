// The three readers together: one input is split into katalog.txt,
// kat_emneliste.txt and emne.txt; the load must end, stay inside the table,
// and a complete load must save a list that loads back the same.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "kat_opsaetning.h"

namespace {

void skriv(const char* navn, std::string_view indhold) {
    std::ofstream(navn, std::ios::binary | std::ios::trunc)
        .write(indhold.data(), static_cast<std::streamsize>(indhold.size()));
}

// Parts are separated by the byte pair 0xFF 0x00.
std::string_view del(std::string_view& rest) {
    std::size_t p = rest.find(std::string_view("\xFF\0", 2));
    std::string_view d = rest.substr(0, p);
    rest = p == std::string_view::npos ? std::string_view() : rest.substr(p + 2);
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char skabelon[] = "/tmp/katsort-fuzz-XXXXXX";
    if (!mkdtemp(skabelon) || chdir(skabelon) != 0) std::abort();
    kat::skriv_standard_ud = [](const char*) {};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    skriv("katalog.txt", del(rest));
    skriv("kat_emneliste.txt", del(rest));
    skriv("emne.txt", rest);
    auto k = std::make_unique<kat_opsaetning>();
    k->indlaes("1");
    if (k->hent_antal() < 0 || k->hent_antal() > max_poster) std::abort();
    for (int r = k->hent_antal() + 1; r <= max_poster; ++r)
        for (int f = 0; f < antal_felter; ++f)
            if (!k->post(r)[f].empty()) std::abort();
    int noegle[5] = {0, -1, -1, -1, -1};
    k->sorter(1, k->hent_antal(), noegle, 0, 1, 1);
    k->gem();
    if (!k->status().indlaest_helt && k->status().gemt) std::abort();
    if (k->status().gemt) {
        if (access("kat_emneliste2.txt", F_OK) == 0) std::abort();
        auto igen = std::make_unique<kat_opsaetning>();
        igen->indlaes("1");
        if (igen->hent_antal() != k->hent_antal()) std::abort();
    }
    return 0;
}
