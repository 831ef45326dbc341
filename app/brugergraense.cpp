#include "brugergraense.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "console.h"
#include "farver.h"
#include "fejltekst.h"

using katsort::string;

brugergraense::brugergraense() {
    baggrundsfarve = farve::lysegraa;
    etiketfarve = farve::hvid;
    rammefarve = farve::blaa;
    vaerdifarve = farve::blaa;
    emnefarve = farve::sort;
    std::memset(linje, ' ', linjebredde);
    linje[linjebredde] = '\0';
    for (int& n : sorteringsnoegler) n = -1;
    antal_noegler = 0;
}

// "fejl" goes to standard output; when that is the terminal, through the
// screen, so it can't disturb what the screen shows.
bool brugergraense::skriv_standard_ud(const std::string& tekst) {
    if (tekst.empty()) return true;
    if (console_owns_stdout()) {
        console_print("%s", tekst.c_str());
        console_flush();  // shown at once, as a write to standard output is
        return true;
    }
    if (std::fputs(tekst.c_str(), stdout) >= 0 && std::fflush(stdout) == 0) return true;
    standard_ud_fejl =
        citat(tekst) + " kunne ikke skrives til standard-output: " + fejltekst(errno);
    return false;
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
    if (!opsaetning.status().hindring.empty()) vis_hindring(opsaetning.status().hindring);
}

void brugergraense::koer() {
    vis_foerste_side();
    // The loop ends on the code 27 read last, also as an extended key's second code.
    for (int kode = 0; kode != key_escape;) {
        kode = console_read_key();
        if (kode != key_extended) continue;  // ordinary keys but Esc do nothing
        kode = console_read_key();
        udfoer(kode);
    }
    // Esc asked for the save, which needs no terminal: the terminal closing
    // (or a signal) meanwhile ends the program only after it.
    console_interrupts_held indtil_gemt;
    luk_ned();
}

void brugergraense::vis_foerste_side() {
    console_set_cursor_shape(cursor_hidden);
    saet_sideantal();
    side_ = 0;
    markoer_raekke_ = foerste_listeraekke;
    tegn_side(0);
    vis_side(1, antal_sider);
    tegn_emne(1, true);
}

void brugergraense::udfoer(int udvidet_kode) {
    switch (udvidet_kode) {
        case key_up: tast_op(); break;
        case key_down: tast_ned(); break;
        case key_left: tast_venstre(); break;
        case key_right: tast_hoejre(); break;
        case key_f1: tast_f1(); break;
        default: break;
    }
}

int brugergraense::markoer_emne() const {
    return side_ * raekker_pr_side + (markoer_raekke_ - foerste_listeraekke + 1);
}

void brugergraense::flyt_markoer(int raekker) {
    tegn_emne(markoer_emne(), false);
    markoer_raekke_ += raekker;
    tegn_emne(markoer_emne(), true);
}

// Shows the page and puts the cursor on `raekke` (which may hold no lot).
void brugergraense::vis_side_med_markoer(int side, int raekke) {
    side_ = side;
    tegn_side(side_);
    vis_side(side_ + 1, antal_sider);
    markoer_raekke_ = raekke;
    tegn_emne(markoer_emne(), true);
}

// At the top row Up turns to the previous page's last row.
void brugergraense::tast_op() {
    if (markoer_raekke_ > foerste_listeraekke)
        flyt_markoer(-1);
    else if (side_ > 0)
        vis_side_med_markoer(side_ - 1, sidste_listeraekke);
}

// Down walks on over blank rows of the last page; at the bottom row it turns
// to the next page's first row.
void brugergraense::tast_ned() {
    if (markoer_raekke_ < sidste_listeraekke)
        flyt_markoer(+1);
    else if (side_ + 1 < antal_sider)
        vis_side_med_markoer(side_ + 1, foerste_listeraekke);
}

void brugergraense::tast_venstre() {
    if (side_ > 0) vis_side_med_markoer(side_ - 1, markoer_raekke_);
}

// On the last page Right draws it again; with no lots it does nothing.
void brugergraense::tast_hoejre() {
    if (side_ + 1 <= antal_sider)
        vis_side_med_markoer(side_ + 1 < antal_sider ? side_ + 1 : side_, markoer_raekke_);
}

// The cursor keeps its screen row, now on the first page.
void brugergraense::tast_f1() {
    sorter_efter_valg();
    ryd_liste();
    vis_side_med_markoer(0, markoer_raekke_);
}

void brugergraense::luk_ned() {
    vis_gemmer();
    console_flush();
    // Back to topic-number order, every lot keeping its number, before saving.
    sorteringsnoegler[0] = felt_emne_nr;
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
