// The program's one object: it owns the catalogue store, draws the screens
// and runs the start-up, the main key loop and the shutdown.
#pragma once

#include <memory>
#include <string>

#include "farver.h"
#include "kat_opsaetning.h"

// The list area: rows 6 to 46, one page of 41 rows, each row 76 cells from
// column 3 (the highlight's width).
constexpr int foerste_listeraekke = 6;
constexpr int sidste_listeraekke = 46;
constexpr int raekker_pr_side = sidste_listeraekke - foerste_listeraekke + 1;
constexpr int listekolonne = 3;
constexpr int linjebredde = 76;
// The reason the list can't be saved: white on red.
constexpr int hindringsbaggrund = farve::roed;
constexpr int hindringsfarve = farve::hvid;

class brugergraense {
   public:
    int baggrundsfarve;
    int etiketfarve;
    int rammefarve;
    int vaerdifarve;
    int emnefarve;
    kat_opsaetning opsaetning;
    // Why what goes to standard output ("fejl") could not be written; empty when it could.
    std::string standard_ud_fejl;
    int antal_emner = 0;
    int antal_sider = 0;
    int rest_linjer = 0;
    int sorteringsnoegler[5];
    int antal_noegler;
    char linje[linjebredde + 1];
    std::unique_ptr<char[]> tekst;

    brugergraense();
    brugergraense(const brugergraense&) = delete;
    brugergraense& operator=(const brugergraense&) = delete;

    void start();
    void koer();
    const char* til_tekst(katsort::string s);

    // Screens (skaerme.cpp).
    void vis_indlaesning();
    void tegn_skaerm();
    void tegn_top();
    void ryd_liste();
    void tegn_bund();
    void tegn_etiketter();
    void vis_katalog_nr(const char* t);
    void vis_auktionstype(const char* t);
    void vis_auktionsdato(const char* t);
    void vis_side(int side, int antal);
    void vis_sorterer();
    void vis_gemmer();
    // Why the list can't be saved, shown as soon as it is known.
    void vis_hindring(const std::string& grund);

    // The lot list (liste.cpp).
    void tegn_emne(int i, bool markeret);
    void tegn_side(int p);
    void skriv_emne(const char* t, int raekke);
    void skriv_markeret(const char* t, int raekke);
    void saet_sideantal();

    // The sort priority dialog (in sorting/).
    void tegn_prioritering();
    void vaelg_prioritering();

   private:
    // The main loop: one member per key.
    void vis_foerste_side();
    void udfoer(int udvidet_kode);
    void tast_op();
    void tast_ned();
    void tast_venstre();
    void tast_hoejre();
    void tast_f1();
    void luk_ned();
    int markoer_emne() const;
    void flyt_markoer(int raekker);
    void vis_side_med_markoer(int side, int raekke);

    // False, with the reason in standard_ud_fejl, when it can't be written.
    bool skriv_standard_ud(const std::string& tekst);
    void vis_boks(const char* tekstlinje);
    void sorter_efter_valg();

    int side_ = 0;                              // the page shown, from 0
    int markoer_raekke_ = foerste_listeraekke;  // the cursor's screen row
};
