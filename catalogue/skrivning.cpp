// Saving the lot list: kat_emneliste2.txt is the old list with the loaded
// catalogue's entries replaced by the current records, and it takes the
// place of kat_emneliste.txt only when it has been written in full.
#include <cstring>
#include <string>
#include <vector>

#include "filnavne.h"
#include "kat_opsaetning.h"
#include "ny_liste.h"
#include "sikker_fil.h"
#include "tekst850.h"
#include "token_stroem.h"

using katsort::string;

using tekst850::operator""_850;

namespace {

const std::string_view markoer = "#";
const std::string_view linjeslut = "\r\n";

void tilfoej_postlinjer(udskrift& ud, const post_t* poster, int antal,
                        std::string_view katalog_nr) {
    for (int i = 1; i <= antal; ++i)
        ud << "# " << katalog_nr << ' ' << poster[i][0].view() << ' ' << poster[i][1].view() << ' '
           << linjeslut;
}

// Reads one entry's tokens after its "#" up to the next "#" or the end of
// input; true when another "#" follows.
bool laes_post_tokens(token_stroem& ind, std::vector<std::string>& tokens) {
    tokens.clear();
    for (;;) {
        std::string_view t = ind.naeste();
        if (t.empty()) return false;
        if (t == markoer) return true;
        tokens.emplace_back(t);
    }
}

// `foerste` and the tokens, one space between each two.
void tilfoej_linje(udskrift& ud, std::string_view foerste, const std::vector<std::string>& tokens) {
    ud << foerste;
    bool tom = foerste.empty();
    for (const auto& t : tokens) {
        if (!tom) ud << ' ';
        ud << t;
        tom = false;
    }
}

std::string laesefejl(const token_stroem& liste) {
    return std::string(listefil) + " kan ikke læses: "_850 + liste.fejltekst();
}

void husk_post(std::string& del, const std::vector<std::string>& tokens) {
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (i > 0) del += ' ';
        del += tokens[i];
    }
    del += '\n';
}

}  // namespace

std::string katalogets_poster(token_stroem& liste, std::string_view katalog_nr, int& antal) {
    std::string del;
    antal = 0;
    std::vector<std::string> tokens;
    bool flere = laes_post_tokens(liste, tokens);
    while (flere) {
        flere = laes_post_tokens(liste, tokens);
        if (tokens.empty() || tokens[0] != katalog_nr) continue;
        husk_post(del, tokens);
        ++antal;
    }
    return del;
}

// Builds the new list from the old one. Other catalogues' entries are copied
// token for token with single spaces, so nothing is changed or lost whatever
// their values are; the catalogue's records stand where its first group stood.
bool byg_ny_liste(token_stroem& gammel, const post_t* poster, int antal,
                  std::string_view katalog_nr, udskrift& ud, std::string& katalogets_del,
                  std::string& fejl) {
    if (!gammel.aaben() || gammel.laesefejl()) {
        fejl = laesefejl(gammel);
        return false;
    }
    std::vector<std::string> tokens;
    // Tokens before the first entry are kept on a line of their own.
    bool flere = laes_post_tokens(gammel, tokens);
    if (!tokens.empty()) {
        tilfoej_linje(ud, "", tokens);
        ud << linjeslut;
    }
    bool postlinjer_skrevet = false;
    while (flere) {
        flere = laes_post_tokens(gammel, tokens);
        if (!tokens.empty() && tokens[0] == katalog_nr) {
            if (!postlinjer_skrevet) tilfoej_postlinjer(ud, poster, antal, tokens[0]);
            postlinjer_skrevet = true;
            husk_post(katalogets_del, tokens);
            continue;
        }
        tilfoej_linje(ud, "#", tokens);
        if (flere) ud << linjeslut;
    }
    if (gammel.laesefejl()) {
        fejl = laesefejl(gammel);
        return false;
    }
    if (gammel.afbrudt_af_1a()) {
        fejl = std::string(listefil) + " har et 0x1A-tegn midt i filen; resten ville gå tabt"_850;
        return false;
    }
    return true;
}

void kat_emneliste::skriv(post_t* poster, int antal, string katalog_nr) {
    std::string fejl;
    auto gammel = filer->aabn(listefil);
    const fil_id laest = gammel->id();
    // The new list goes straight into the side file as it is made; it takes
    // the list's place only when it was made in full and nobody changed the
    // catalogue's entries meanwhile.
    auto ny_liste = [&](udskrift& ud) {
        std::string nu_i_listen;
        bool bygget =
            byg_ny_liste(*gammel, poster, antal, katalog_nr.view(), ud, nu_i_listen, fejl);
        gammel.reset();  // closed before the swap: Windows won't replace an open file
        if (!bygget) return false;
        if (indlaest_del && nu_i_listen != *indlaest_del) {
            fejl = std::string(listefil) +
                   " er ændret af et andet program, mens katsort kørte; "_850 +
                   "din sortering er ikke gemt, og den anden udgave er beholdt";
            return false;
        }
        return true;
    };
    erstatning r = filer->erstat(listefil, ny_listefil, ny_liste, &laest);
    if (!r.ok && !r.fejl.empty()) fejl = r.fejl;
    if (!status) return;
    status->gemt = r.ok;
    // What a save that failed noted on the way (an owner it couldn't keep)
    // is moot: the old list is still there.
    if (r.ok)
        for (auto& b : r.bemaerkninger) status->meddelelser.push_back(b);
    if (!r.ok && r.gammel_beholdt) fejl += std::string("; ") + listefil + " er ikke ændret"_850;
    if (!r.ok) status->meddelelser.push_back(fejl);
}

void kat_opsaetning::gem() {
    if (!status_.indlaest_helt) {
        status_.gemt = false;
        status_.meddelelser.push_back(std::string(listefil) +
                                      " er ikke ændret, fordi katalog "_850 +
                                      citat(katalog_nr.view()) + " ikke blev indlæst helt"_850);
        return;
    }
    emneliste.skriv(poster, antal_poster, katalog_nr);
}
