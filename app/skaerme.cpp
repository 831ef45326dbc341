// The loading screen, the framed main screen, its labels and header values,
// the page indicator and the two message boxes. Texts are code page 850.
#include <chrono>
#include <string>
#include <thread>

#include "brugergraense.h"
#include "console.h"
#include "ramme.h"
#include "tekst850.h"

#ifndef KATSORT_STEP_DELAY_MS
#define KATSORT_STEP_DELAY_MS 40
#endif

using tekst850::operator""_850;

namespace {

void skriv_ved(int kolonne, int raekke, const std::string& tekst) {
    console_goto(kolonne, raekke);
    console_print("%s", tekst.c_str());
}

void vent_et_trin() {
    console_flush();
    std::this_thread::sleep_for(std::chrono::milliseconds(KATSORT_STEP_DELAY_MS));
}

}  // namespace

void brugergraense::vis_indlaesning() {
    console_set_background(baggrundsfarve);
    console_set_foreground(rammefarve);
    console_clear();
    std::string linjer[24];
    linjer[0] = ramme::top(78);
    for (int n = 1; n < 23; ++n) linjer[n] = ramme::tom(78);
    linjer[2] = ramme::linje(17, "Velkommen til katalogemnesorteringsprogrammet", 16);
    linjer[3] = ramme::linje(28, "TROLDMOSE DATAVAERKE", 30);
    linjer[8] = ramme::linje(30, "Loading program...", 30);
    linjer[10] = ramme::linje(25, ramme::top(26), 25);
    linjer[11] = ramme::linje(25, ramme::tom(26), 25);
    linjer[12] = ramme::linje(25, ramme::bund(26), 25);
    linjer[23] = ramme::bund(78);
    // On 80 columns each line wraps to the start of the next row by itself;
    // placing it there also keeps the lines one under the other on a wider
    // start-up screen.
    for (int n = 0; n < 24; ++n) skriv_ved(1, n + 1, linjer[n]);
    static const char* const titler[] = {"Indlæser program.dat"_850, "Indlæser program.ini"_850,
                                         "Indlæser program.txt"_850, "Indlæser program.wav"_850,
                                         "Indlæser program.hlp"_850};
    static const int titeltrin[] = {28, 33, 38, 43, 49};
    for (int s = 28; s <= 53; ++s) {
        const char* snurre = s % 3 == 1 ? "\\" : s % 3 == 2 ? "/" : "-";
        skriv_ved(26, 10, snurre);
        skriv_ved(50, 10, snurre);
        for (int t = 0; t < 5; ++t)
            if (titeltrin[t] == s) skriv_ved(28, 10, titler[t]);
        console_goto(s, 12);
        vent_et_trin();
        console_print("%c", ramme::fuld_blok);
    }
    console_flush();
}

void brugergraense::tegn_skaerm() {
    vis_indlaesning();
    console_set_mode(64);
    console_set_background(baggrundsfarve);
    console_clear();
    tegn_top();
    ryd_liste();
    tegn_bund();
    tegn_etiketter();
}

void brugergraense::tegn_top() {
    console_set_foreground(rammefarve);
    skriv_ved(1, 1, ramme::top(78));
    skriv_ved(1, 2, ramme::tom(78));
    skriv_ved(1, 3, ramme::kant(ramme::gren_venstre, ramme::vandret, 78, ramme::gren_hoejre));
    skriv_ved(1, 4, ramme::tom(78));
    skriv_ved(1, 5, ramme::skillelinje(78));
}

void brugergraense::ryd_liste() {
    console_set_foreground(rammefarve);
    console_set_background(baggrundsfarve);
    const std::string tom = ramme::tom(78);
    for (int raekke = foerste_listeraekke; raekke <= sidste_listeraekke; ++raekke)
        skriv_ved(1, raekke, tom);
}

void brugergraense::tegn_bund() {
    console_set_foreground(rammefarve);
    skriv_ved(1, 47, ramme::kant(ramme::gren_venstre, ramme::vandret, 78, ramme::gren_hoejre));
    skriv_ved(1, 48, ramme::tom(78));
    skriv_ved(1, 49, ramme::bund(78));
}

void brugergraense::tegn_etiketter() {
    console_set_foreground(etiketfarve);
    static const struct {
        int kolonne, raekke;
        const char* tekst;
    } etiketter[] = {{8, 2, "Katalog nr: "},
                     {29, 2, "Auktionstype: "},
                     {48, 2, "Auktionsdato: "},
                     {4, 4, "Nr."},
                     {8, 4, "Kat"},
                     {12, 4, "Stil"},
                     {17, 4, "Titel"},
                     {34, 4, "Kunstner"},
                     {50, 4, "Beskrivelse"},
                     {9, 48, "Naviger: Pile taster"},
                     {34, 48, "F1: Sorter"},
                     {50, 48, "ESC: Afslut"},
                     {66, 48, "Side"}};
    for (const auto& e : etiketter) skriv_ved(e.kolonne, e.raekke, e.tekst);
}

namespace {
void vis_vaerdi(int farve, int kolonne, int blanke, const char* t) {
    console_set_foreground(farve);
    skriv_ved(kolonne, 2, std::string(static_cast<std::size_t>(blanke), ' '));
    console_goto(kolonne, 2);
    console_put_text(t);
}
}  // namespace

void brugergraense::vis_katalog_nr(const char* t) { vis_vaerdi(vaerdifarve, 20, 6, t); }
void brugergraense::vis_auktionstype(const char* t) { vis_vaerdi(vaerdifarve, 43, 4, t); }
void brugergraense::vis_auktionsdato(const char* t) { vis_vaerdi(vaerdifarve, 62, 6, t); }

void brugergraense::vis_side(int side, int antal) {
    console_set_foreground(vaerdifarve);
    skriv_ved(71, 48, "        ");
    console_goto(71, 48);
    console_print("%i/%i", side, antal);
}

// The last row, below the frame, otherwise empty; white on red like the
// console's own notices. Column 80 stays untouched: a character there would
// scroll the screen.
void brugergraense::vis_hindring(const std::string& grund) {
    constexpr int raekke = 50;
    constexpr std::size_t bredde = 79;
    std::string tekst = " Listen kan ikke gemmes: " + grund;
    tekst.resize(bredde, ' ');
    console_set_background(hindringsbaggrund);
    console_set_foreground(hindringsfarve);
    console_goto(1, raekke);
    console_put_text(tekst.c_str());
    console_set_background(baggrundsfarve);
}

void brugergraense::vis_boks(const char* tekstlinje) {
    console_set_background(farve::groen);
    console_set_cursor_shape(cursor_hidden);
    skriv_ved(23, 21, ramme::top(39));
    skriv_ved(23, 22, tekstlinje);
    skriv_ved(23, 23, ramme::linje(12, "vent venligst", 14));
    skriv_ved(23, 24, ramme::bund(39));
    console_set_background(baggrundsfarve);
}

void brugergraense::vis_sorterer() {
    vis_boks(ramme::linje(6, "S o r t e r e r   d a t a", 8).c_str());
}
void brugergraense::vis_gemmer() { vis_boks(ramme::linje(8, "G e m m e r  d a t a", 11).c_str()); }
