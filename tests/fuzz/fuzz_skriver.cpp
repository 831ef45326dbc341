// The list writer: an old list and random records. Whatever the old list
// holds, other catalogues' entries come out token for token in their order,
// and the catalogue's records stand once where its first group stood.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "arbejdsmappe.h"
#include "kat_opsaetning.h"
#include "ny_liste.h"
#include "token_stroem.h"

using katsort::string;

namespace {

using post_tokens = std::vector<std::string>;

// The entries of a list: the tokens after each "#", and the tokens before the first.
std::vector<post_tokens> poster_i(std::string_view liste) {
    skriv("poster.txt", liste);
    token_stroem ind("poster.txt");
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte: how many records; then record tokens; then the old list.
    int antal = data[0] % 40;
    static post_t poster[41];
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
            poster[r][f] = string(std::string_view(t));
        }
    std::string_view gammel(reinterpret_cast<const char*>(data) + i, size - i);

    std::string ny, katalogets_del, fejl;
    udskrift ud([&](std::string_view del) {
        ny += del;
        return true;
    });
    static arbejdsmappe mappe;
    skriv("gammel.txt", gammel);
    token_stroem ind("gammel.txt");
    if (!byg_ny_liste(ind, poster, antal, "1", ud, katalogets_del, fejl) || !ud.toem()) return 0;

    // What the writer saw of the catalogue is what a separate count sees.
    token_stroem igen("gammel.txt");
    int antal_i_listen = 0;
    if (katalogets_poster(igen, "1", antal_i_listen) != katalogets_del) std::abort();

    auto foer = poster_i(gammel);
    auto efter = poster_i(ny);
    if (foer[0] != efter[0]) std::abort();  // what stood before the first entry
    std::size_t e = 1;
    bool gruppe_set = false;
    for (std::size_t p = 1; p < foer.size(); ++p) {
        if (!foer[p].empty() && foer[p][0] == "1") {
            if (gruppe_set) continue;
            gruppe_set = true;
            for (int r = 1; r <= antal; ++r, ++e) {
                post_tokens forventet{"1", std::string(poster[r][0].view()),
                                      std::string(poster[r][1].view())};
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
