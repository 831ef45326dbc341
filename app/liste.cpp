// The paged lot list: rows of 76 characters in the list area, rows 6 to 46.
#include <algorithm>
#include <cstring>

#include "brugergraense.h"
#include "console.h"

using katsort::string;

namespace {

// Where each field stands in a row, as positions from 0 (the row starts in
// column 3); a field stops before its end position.
constexpr int nummer_slut = 4, nummer_bredde = 4;  // right-aligned
constexpr int kategori_plads = 6, stil_plads = 10;
constexpr int titel_fra = 14, titel_til = 30;
constexpr int kunstner_fra = 31, kunstner_til = 46;
constexpr int beskrivelse_fra = 47, beskrivelse_til = 75;

// The highlighted row: white on blue.
constexpr int markeret_baggrund = farve::blaa, markeret_forgrund = farve::hvid;

// Copies a text into the row from `fra` up to (not including) `til`.
void kopier_felt(char* linje, const char* tekst, int fra, int til) {
    for (int p = fra; p < til && *tekst; ++p) linje[p] = *tekst++;
}
}  // namespace

void brugergraense::saet_sideantal() {
    antal_emner = opsaetning.hent_antal();
    antal_sider = (antal_emner + raekker_pr_side - 1) / raekker_pr_side;
    rest_linjer = antal_emner % raekker_pr_side;
    if (antal_emner > 0 && rest_linjer == 0) rest_linjer = raekker_pr_side;
}

void brugergraense::tegn_emne(int i, bool markeret) {
    std::memset(linje, ' ', linjebredde);
    linje[linjebredde] = '\0';
    // Rows past the table's last record (only on a 49th page) stay blank.
    if (i >= 1 && i <= max_poster) {
        string* post = opsaetning.post(i);
        const char* nr = til_tekst(post[felt_nummer]);
        int n = std::min(static_cast<int>(std::strlen(nr)), nummer_bredde);
        std::memcpy(linje + nummer_slut - n, nr, static_cast<std::size_t>(n));
        const char* kategori = til_tekst(post[felt_kategori]);
        if (*kategori) linje[kategori_plads] = kategori[0];
        const char* stil = til_tekst(post[felt_stil]);
        if (stil[0]) {
            linje[stil_plads] = stil[0];
            if (stil[1]) linje[stil_plads + 1] = stil[1];
        }
        kopier_felt(linje, til_tekst(post[felt_titel]), titel_fra, titel_til);
        kopier_felt(linje, til_tekst(post[felt_kunstner]), kunstner_fra, kunstner_til);
        kopier_felt(linje, til_tekst(post[felt_beskrivelse]), beskrivelse_fra, beskrivelse_til);
    }
    int raekke = foerste_listeraekke + (i - 1) % raekker_pr_side;
    if (markeret)
        skriv_markeret(linje, raekke);
    else
        skriv_emne(linje, raekke);
}

void brugergraense::tegn_side(int p) {
    int foerste = p * raekker_pr_side + 1;
    if (p > 0 && p + 1 < antal_sider) {
        for (int i = foerste; i < foerste + raekker_pr_side; ++i) tegn_emne(i, false);
    } else if (p + 1 == antal_sider) {
        ryd_liste();
        for (int i = foerste; i < foerste + rest_linjer; ++i) tegn_emne(i, false);
    } else if (p == 0) {
        for (int i = 1; i <= raekker_pr_side; ++i) tegn_emne(i, false);
    }
}

void brugergraense::skriv_emne(const char* t, int raekke) {
    console_set_foreground(emnefarve);
    console_goto(listekolonne, raekke);
    console_put_text(t);
}

void brugergraense::skriv_markeret(const char* t, int raekke) {
    console_set_background(markeret_baggrund);
    console_set_foreground(markeret_forgrund);
    console_goto(listekolonne, raekke);
    console_put_text(t);
    console_set_background(baggrundsfarve);
}
