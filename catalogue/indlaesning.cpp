// Loading one catalogue from katalog.txt, kat_emneliste.txt and emne.txt.
// Every scan ends at the end of its file; what could not be read is noted
// in the store's status instead of looping.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "filnavne.h"
#include "kat_opsaetning.h"
#include "ny_liste.h"
#include "tekst850.h"
#include "token_stroem.h"

using katsort::string;

using tekst850::operator""_850;

namespace {

const std::string_view markoer = "#";
const std::string_view feltslut = "ñ"_850;  // ends a field
// A lot count of more digits (leading zeros not counted) could wrap around
// when it is converted.
constexpr std::size_t hoejst_cifre_i_antal = 9;

// `kort` is the reason in a few words, for the screen, when loading was
// incomplete and the list therefore can't be saved.
void noter(fil_status* status, std::string meddelelse, bool ufuldstaendig,
           const std::string& kort = {}) {
    if (!status) return;
    status->meddelelser.push_back(std::move(meddelelse));
    if (!ufuldstaendig) return;
    status->indlaest_helt = false;
    if (status->hindring.empty()) status->hindring = kort;
}

std::string kort_laesefejl(const token_stroem& ind, const char* fil) {
    return std::string(fil) + (ind.findes_ikke() ? " mangler" : " kan ikke læses"_850);
}

std::string tekst(const string& s) { return citat(s.view()); }

bool kun_cifre(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

void noter_laesefejl(fil_status* status, const token_stroem& ind, const char* fil,
                     bool ufuldstaendig = true) {
    if (!ind.aaben() || ind.laesefejl())
        noter(status, std::string(fil) + " kan ikke læses: "_850 + ind.fejltekst(), ufuldstaendig,
              kort_laesefejl(ind, fil));
    else if (ind.afbrudt_af_1a())
        noter(status,
              std::string(fil) + " slutter ved et 0x1A-tegn midt i filen; resten er ikke læst"_850,
              false);
}

// Reads on to the entry whose number, the token after its "#", is `nr`: one
// "#" token at a time, so a "#" read as a number starts the next entry.
// False at the end of input.
bool find_post(token_stroem& ind, std::string_view nr) {
    std::string_view token;
    for (;;) {
        if (token != markoer && !ind.spring_til_markoer()) return false;
        token = ind.naeste();
        if (token.empty()) return false;
        if (token == nr) return true;
    }
}

}  // namespace

kat& kat::laes(string katalog_nr) {
    auto fil = filer->aabn(katalogfil);
    token_stroem& ind = *fil;
    if (!ind.aaben() && status) status->standard_ud += "fejl";
    if (!find_post(ind, katalog_nr.view())) {
        noter_laesefejl(status, ind, katalogfil);
        noter(status, "Katalog " + tekst(katalog_nr) + " findes ikke i katalog.txt", true,
              "katalog " + std::string(katalog_nr.view()) + " findes ikke i katalog.txt");
        return *this;
    }
    for (auto& f : felt) {
        std::string_view v = ind.naeste();
        f = string(v);
        if (v.empty()) {
            noter(status, "Katalog " + tekst(katalog_nr) + " er afskåret i katalog.txt"_850, true,
                  "katalog " + std::string(katalog_nr.view()) + " er afskåret i katalog.txt"_850);
            break;
        }
    }
    noter_laesefejl(status, ind, katalogfil);
    return *this;
}

bool kat_emneliste::laes_post(string katalog_nr, token_stroem& ind, string* post) {
    if (!find_post(ind, katalog_nr.view())) return false;
    std::string_view emne_nr = ind.naeste();
    post[0] = string(emne_nr);
    std::string_view nummer = ind.naeste();
    post[1] = string(nummer);
    return !nummer.empty();
}

bool emne::laes_post(string emne_nr, token_stroem& ind, string* post) {
    if (!find_post(ind, emne_nr.view())) return false;
    ind.naeste();  // one token that means nothing to this program
    for (int k = 2; k <= 16; ++k) {
        std::string_view ord = ind.naeste();
        if (ord.empty()) return false;
        string felt(ord);
        for (;;) {
            ord = ind.naeste();
            if (ord.empty()) {
                post[k] = felt;
                return false;
            }
            if (ord == feltslut) break;
            felt += ' ';
            felt += ord;
        }
        post[k] = felt;
    }
    return true;
}

// The lot count must be plain digits that fit the table; anything else
// loads no lots, and the list can't be saved.
void kat_opsaetning::tjek_antal(string nr) {
    std::string_view antal_tekst = katalog.felt[2].view();
    std::string_view betydende =
        antal_tekst.substr(std::min(antal_tekst.find_first_not_of('0'), antal_tekst.size()));
    bool cifre = kun_cifre(antal_tekst) && betydende.size() <= hoejst_cifre_i_antal;
    std::int32_t antal = cifre ? tal_noegle(katalog.felt[2]) : 0;
    if (!cifre && status_.indlaest_helt)
        noter(&status_,
              "Antallet af emner for katalog " + tekst(nr) +
                  " i katalog.txt er ikke et tal, der kan bruges: " + tekst(katalog.felt[2]),
              true, "antallet af emner i katalog.txt kan ikke bruges");
    if (antal > max_poster) {
        noter(&status_,
              "Katalog " + tekst(nr) + " har " + std::to_string(antal) +
                  " emner; kun de første "_850 + std::to_string(max_poster) + " er indlæst"_850,
              true, "kataloget har over " + std::to_string(max_poster) + " emner");
        antal = max_poster;
    }
    antal_poster = antal;
}

// Remembers the catalogue's entries as the list holds them, and refuses a
// list with more of them than the count: saving would drop the rest.
void kat_opsaetning::tael_katalogets_poster(string nr, token_stroem& liste) {
    int antal = 0;  // a missing list holds no entries
    // The same open as the records came from: an edit meanwhile can't slip in between.
    liste.spol_tilbage();
    emneliste.indlaest_del = katalogets_poster(liste, nr.view(), antal);
    if (antal > antal_poster && status_.indlaest_helt)
        noter(&status_,
              "kat_emneliste.txt har " + std::to_string(antal) + " emner for katalog " + tekst(nr) +
                  ", men katalog.txt angiver " + std::to_string(antal_poster) +
                  "; listen gemmes ikke, så ingen emner går tabt"_850,
              true, "flere emner i kat_emneliste.txt end i katalog.txt");
    // What the save would meet when it reads the list.
    if (!liste.aaben() || liste.laesefejl())
        hindring_hvis_ingen(kort_laesefejl(liste, listefil));
    else if (liste.afbrudt_af_1a())
        hindring_hvis_ingen("kat_emneliste.txt har et 0x1A-tegn midt i filen");
}

void kat_opsaetning::hindring_hvis_ingen(const std::string& kort) {
    if (status_.hindring.empty()) status_.hindring = kort;
}

// What the save would meet after reading the list: a write-protected list,
// or a folder in which it can't make its side file.
void kat_opsaetning::find_hindring_for_gemning() {
    hindring_hvis_ingen(filer_.hindring(listefil, ny_listefil));
}

void kat_opsaetning::indlaes(string nr) {
    katalog_nr = nr;
    katalog.laes(nr);
    auktionstype = katalog.felt[0];
    auktionsdato = katalog.felt[1];
    tjek_antal(nr);
    {
        auto fil = filer_.aabn(listefil);
        token_stroem& ind = *fil;
        for (int i = 1; i <= antal_poster; ++i) {
            if (!emneliste.laes_post(nr, ind, poster[i])) {
                noter_laesefejl(&status_, ind, listefil);
                noter(&status_,
                      "kat_emneliste.txt har kun " + std::to_string(i - 1) + " af " +
                          std::to_string(antal_poster) + " emner for katalog " + tekst(nr),
                      true,
                      "kat_emneliste.txt har kun " + std::to_string(i - 1) + " af " +
                          std::to_string(antal_poster) + " emner");
                for (int f = 0; f < 2; ++f) poster[i][f] = string();
                antal_poster = i - 1;
                break;
            }
        }
        tael_katalogets_poster(nr, ind);
    }
    {
        auto fil = filer_.aabn(emnefil);
        token_stroem& ind = *fil;
        for (int j = 1; j <= antal_poster; ++j) {
            if (!emnedata.laes_post(poster[j][0], ind, poster[j])) {
                noter_laesefejl(&status_, ind, emnefil, false);
                noter(&status_,
                      std::to_string(antal_poster - j + 1) +
                          " emner mangler i emne.txt eller står i forkert rækkefølge, fra "_850
                          "emne " +
                          tekst(poster[j][0]),
                      false);
                break;
            }
        }
    }
    int noegle[1] = {1};
    sorter(1, antal_poster, noegle, 0, 1, 1);
    find_hindring_for_gemning();
}
