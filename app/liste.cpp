// The paged lot list: rows of 76 characters in the list area, rows 6 to 46.
#include <cstring>

#include "brugergraense.h"
#include "console.h"

namespace {
constexpr int side_raekker = 41;

// Copies a text into the row from `fra` up to (not including) `til`.
void kopier_felt(char* linje, const char* tekst, int fra, int til) {
    for (int p = fra; p < til && *tekst; ++p) linje[p] = *tekst++;
}
}  // namespace

void brugergraense::saet_sideantal() {
    antal_emner = opsaetning.hent_antal();
    antal_sider = (antal_emner + side_raekker - 1) / side_raekker;
    rest_linjer = antal_emner % side_raekker;
    if (antal_emner > 0 && rest_linjer == 0) rest_linjer = side_raekker;
}

void brugergraense::tegn_emne(int i, bool markeret) {
    std::memset(linje, ' ', 76);
    linje[76] = '\0';
    // Rows past the table's last record (only on a 49th page) stay blank.
    if (i >= 1 && i <= max_poster) {
        string* post = opsaetning.post(i);
        const char* nr = til_tekst(post[1]);
        int n = static_cast<int>(std::strlen(nr));
        if (n > 4) n = 4;
        std::memcpy(linje + 4 - n, nr, static_cast<std::size_t>(n));
        const char* kategori = til_tekst(post[5]);
        if (*kategori) linje[6] = kategori[0];
        const char* stil = til_tekst(post[6]);
        if (stil[0]) {
            linje[10] = stil[0];
            if (stil[1]) linje[11] = stil[1];
        }
        kopier_felt(linje, til_tekst(post[2]), 14, 30);
        kopier_felt(linje, til_tekst(post[3]), 31, 46);
        kopier_felt(linje, til_tekst(post[9]), 47, 75);
    }
    int raekke = 6 + (i - 1) % side_raekker;
    if (markeret)
        skriv_markeret(linje, raekke);
    else
        skriv_emne(linje, raekke);
}

void brugergraense::tegn_side(int p) {
    int foerste = p * side_raekker + 1;
    if (p > 0 && p + 1 < antal_sider) {
        for (int i = foerste; i < foerste + side_raekker; ++i) tegn_emne(i, false);
    } else if (p + 1 == antal_sider) {
        ryd_liste();
        for (int i = foerste; i < foerste + rest_linjer; ++i) tegn_emne(i, false);
    } else if (p == 0) {
        for (int i = 1; i <= side_raekker; ++i) tegn_emne(i, false);
    }
}

void brugergraense::skriv_emne(const char* t, int raekke) {
    console_set_foreground(emnefarve);
    console_goto(3, raekke);
    console_put_text(t);
}

void brugergraense::skriv_markeret(const char* t, int raekke) {
    console_set_background(1);
    console_set_foreground(15);
    console_goto(3, raekke);
    console_put_text(t);
    console_set_background(baggrundsfarve);
}
