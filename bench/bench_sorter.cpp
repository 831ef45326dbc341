// The F1 sort of a full table: 1999 lots, five keys, texts built so that
// runs of equal text reach every level. The fast sort against the literal
// per-comparison selection sort, in one run.
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "bogstavelig_sorter.h"
#include "kat_opsaetning.h"
#include "maaling.h"

using katsort::string;

namespace {

void fyld(kat_opsaetning& k, std::mt19937& rng) {
    const char* teknik[] = {"Olie p\x86 l\x91rred", "Olie p\x86 l\x91rred, signeret", "Akvarel"};
    const char* titler[] = {"Maleri af havet ved Skagen",
                            "Maleri af havet ved Skagens Gren",
                            "\x92rt\x9B og \x86kander",
                            "Maleri af havet",
                            "Portr\x91t af en pige",
                            "Portr\x91t af en dreng",
                            "Interi\x9Br",
                            "interi\x9Br"};
    const char* kunstnere[] = {"P.S. Kr\x9Byer", "Anna Ancher",           "Michael Ancher",
                               "Ukendt",         "Vilhelm Hammersh\x9Bi", "L.A. Ring"};
    const char* kategorier[] = {"M", "G", "S", "K"};
    const char* stile[] = {"NA", "RO", "MO", "IM", "AB"};
    k.antal_poster = max_poster;
    for (int i = 1; i <= max_poster; ++i) {
        string* p = k.post(i);
        p[0] = kat_opsaetning::tal_til_tekst(10000 + i);
        p[1] = kat_opsaetning::tal_til_tekst(i);
        p[4] = teknik[rng() % 3];
        p[2] = titler[rng() % 8];
        p[3] = kunstnere[rng() % 6];
        p[5] = kategorier[rng() % 4];
        p[6] = stile[rng() % 5];
    }
}

void kopier(kat_opsaetning& fra, kat_opsaetning& til) {
    til.antal_poster = fra.antal_poster;
    for (int r = 0; r <= max_poster; ++r)
        for (int f = 0; f < antal_felter; ++f) til.post(r)[f] = fra.post(r)[f];
}

}  // namespace

int main() {
    std::mt19937 rng(2026);
    auto original = std::make_unique<kat_opsaetning>();
    auto arbejde = std::make_unique<kat_opsaetning>();
    auto kontrol = std::make_unique<kat_opsaetning>();
    fyld(*original, rng);
    int noegler[5] = {4, 2, 3, 5, 6};

    double hurtig = median_sekunder(
        201, [&] { kopier(*original, *arbejde); },
        [&] { arbejde->sorter(1, max_poster, noegler, 0, 5, 0); });
    double bogstavelig = median_sekunder(
        5, [&] { kopier(*original, *kontrol); },
        [&] { bogstavelig_sorter(*kontrol, 1, max_poster, noegler, 0, 5, 0); });

    bool ens = true;
    for (int r = 0; r <= max_poster; ++r)
        for (int f = 0; f < antal_felter; ++f)
            ens = ens && arbejde->post(r)[f] == kontrol->post(r)[f];
    std::printf(
        "F1 sort, 1999 lots, 5 keys: fast %.3f ms, literal %.1f ms, ratio %.0fx, tables %s\n",
        hurtig * 1e3, bogstavelig * 1e3, bogstavelig / hurtig, ens ? "identical" : "DIFFER");
    return ens ? 0 : 1;
}
