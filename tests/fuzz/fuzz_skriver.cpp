// The list writer: an old list and random records. Whatever the old list
// holds, other catalogues' entries come out token for token in their order,
// and the catalogue's records stand once where its first group stood.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "kat_opsaetning.h"
#include "ny_liste.h"
#include "token_stroem.h"

namespace {

using post_tokens = std::vector<std::string>;

// The entries of a list file: the tokens after each "#", and the tokens before the first.
std::vector<post_tokens> poster_i(const char* fil) {
    token_stroem ind(fil);
    std::vector<post_tokens> poster(1);
    for (std::string_view t = ind.naeste(); !t.empty(); t = ind.naeste()) {
        if (t == "#")
            poster.emplace_back();
        else
            poster.back().emplace_back(t);
    }
    return poster;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char skabelon[] = "/tmp/katsort-fuzz-XXXXXX";
    if (!mkdtemp(skabelon) || chdir(skabelon) != 0) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte: how many records; then record tokens; then the old list.
    int antal = data[0] % 40;
    auto k = std::make_unique<kat_opsaetning>();
    std::size_t i = 1;
    for (int r = 1; r <= antal; ++r)
        for (int f = 0; f < 2; ++f) {
            std::string t;
            while (i < size && t.size() < 6) {
                auto c = static_cast<unsigned char>(data[i++]);
                if (c <= ' ' || c == 0x1A || c == 0x7F) break;
                t += static_cast<char>(c);
            }
            if (t.empty() || t == "#") t = "7";
            k->post(r)[f] = string(std::string_view(t));
        }
    std::string gammel(reinterpret_cast<const char*>(data) + i, size - i);
    std::ofstream("kat_emneliste.txt", std::ios::binary | std::ios::trunc) << gammel;

    std::string ud, fejl;
    bool ok;
    {
        token_stroem ind("kat_emneliste.txt");
        ok = byg_ny_liste(ind, k->poster, antal, "1", ud, fejl);
    }
    if (!ok) return 0;
    std::ofstream("ny.txt", std::ios::binary | std::ios::trunc) << ud;

    auto foer = poster_i("kat_emneliste.txt");
    auto efter = poster_i("ny.txt");
    if (foer[0] != efter[0]) std::abort();  // what stood before the first entry
    std::size_t e = 1;
    bool gruppe_set = false;
    for (std::size_t p = 1; p < foer.size(); ++p) {
        if (!foer[p].empty() && foer[p][0] == "1") {
            if (gruppe_set) continue;
            gruppe_set = true;
            for (int r = 1; r <= antal; ++r, ++e) {
                post_tokens forventet{"1", std::string(k->post(r)[0].view()),
                                      std::string(k->post(r)[1].view())};
                if (e >= efter.size() || efter[e] != forventet) std::abort();
            }
            continue;
        }
        if (e >= efter.size() || efter[e] != foer[p]) std::abort();
        ++e;
    }
    if (e != efter.size()) std::abort();
    return 0;
}
