#include "brugergraense.h"

#include <cstdio>
#include <cstring>

#include "console.h"

brugergraense::brugergraense() {
    baggrundsfarve = 7;
    etiketfarve = 15;
    rammefarve = 1;
    vaerdifarve = 1;
    emnefarve = 0;
    std::memset(linje, ' ', 76);
    linje[76] = '\0';
    for (int& n : sorteringsnoegler) n = -1;
    antal_noegler = 0;
}

// "fejl" goes to standard output; when that is the terminal, through the
// screen, so it can't disturb what the screen shows.
void brugergraense::skriv_standard_ud(const std::string& tekst) {
    if (tekst.empty()) return;
    if (console_owns_stdout()) {
        console_print("%s", tekst.c_str());
        return;
    }
    std::fputs(tekst.c_str(), stdout);
    std::fflush(stdout);
}

const char* brugergraense::til_tekst(string s) {
    auto ny = std::make_unique<char[]>(s.length() + 1);
    if (!s.empty()) std::memcpy(ny.get(), s.view().data(), s.length());
    ny[s.length()] = '\0';
    tekst = std::move(ny);
    return tekst.get();
}

void brugergraense::start() {
    tegn_skaerm();
    vis_sorterer();
    console_flush();
    opsaetning.indlaes("1");
    skriv_standard_ud(opsaetning.status().standard_ud);
    vis_katalog_nr(til_tekst(opsaetning.hent_katalog_nr()));
    vis_auktionstype(til_tekst(opsaetning.hent_auktionstype()));
    vis_auktionsdato(til_tekst(opsaetning.hent_auktionsdato()));
}

void brugergraense::koer() {
    console_set_cursor_shape(0);
    saet_sideantal();
    int p = 0, r = 6;
    tegn_side(0);
    vis_side(1, antal_sider);
    tegn_emne(1, true);
    auto emne = [&] { return p * 41 + (r - 5); };
    auto vis = [&] {
        tegn_side(p);
        vis_side(p + 1, antal_sider);
    };
    int kode = 0;
    while (kode != 27) {
        kode = console_read_key();
        if (kode != 0) continue;
        kode = console_read_key();
        switch (kode) {
            case 72:  // Up
                if (r > 6) {
                    tegn_emne(emne(), false);
                    --r;
                    tegn_emne(emne(), true);
                } else if (p > 0) {
                    --p;
                    vis();
                    r = 46;
                    tegn_emne(emne(), true);
                }
                break;
            case 80:  // Down
                if (r < 46) {
                    tegn_emne(emne(), false);
                    ++r;
                    tegn_emne(emne(), true);
                } else if (p + 1 < antal_sider) {
                    ++p;
                    vis();
                    r = 6;
                    tegn_emne(emne(), true);
                }
                break;
            case 75:  // Left
                if (p > 0) {
                    --p;
                    vis();
                    tegn_emne(emne(), true);
                }
                break;
            case 77:  // Right
                if (p + 1 <= antal_sider) {
                    if (p + 1 < antal_sider) ++p;
                    vis();
                    tegn_emne(emne(), true);
                }
                break;
            case 59:  // F1
                sorter_efter_valg();
                ryd_liste();
                tegn_side(0);
                p = 0;
                vis_side(1, antal_sider);
                tegn_emne(emne(), true);
                break;
            default: break;
        }
    }

    vis_gemmer();
    console_flush();
    sorteringsnoegler[0] = 0;
    opsaetning.sorter(1, antal_emner, sorteringsnoegler, 0, 1, 1);
    opsaetning.gem();
}

void brugergraense::sorter_efter_valg() {
    tegn_prioritering();
    vaelg_prioritering();
    vis_sorterer();
    console_flush();
    opsaetning.sorter(1, antal_emner, sorteringsnoegler, 0, antal_noegler, 0);
}
