// The sort priority dialog: the operator picks up to four keys, one letter
// a line, or ends the choice with Ingen.
#include <string>

#include "brugergraense.h"
#include "console.h"
#include "ramme.h"

namespace {

// The box stands in columns 16 to 70 and rows 15 to 30; the answer to line s
// (1 to 4) goes right after its label, at column 39 of row 20 + s.
constexpr int boks_kolonne = 16, boks_top = 15, boks_linjer = 16;
constexpr int svar_kolonne = 39, raekke_foer_linje_1 = 20;
constexpr int venter_kolonne = 38, venter_raekke = 31;  // the cursor once the box is drawn
constexpr int groen = farve::groen, lysegraa = farve::lysegraa;
constexpr int markoer_normal = cursor_quarter_cell;
constexpr int linjer_at_svare = 4;
constexpr int ingen = 0;  // the field number that stands for Ingen

struct svar {
    int kode;
    bool kun_en_gang;  // a lower-case letter is refused for a field already chosen
    const char* tekst;
    int felt;
};

const svar svarene[] = {
    {'T', false, "Titel", felt_titel},       {'t', true, "Titel", felt_titel},
    {'K', false, "Kunstner", felt_kunstner}, {'k', true, "Kunstner", felt_kunstner},
    {'A', false, "Kategori", felt_kategori}, {'a', true, "Kategori", felt_kategori},
    {'S', false, "Stilart", felt_stil},      {'s', true, "Stilart", felt_stil}};

// The marks under the letters that choose: T, K, a, S and I.
std::string marker_under_valgene() {
    std::string s(41, ' ');
    for (int kolonne : {21, 29, 41, 51, 61})
        s[static_cast<std::size_t>(kolonne - 21)] = ramme::maerke;
    return s;
}

}  // namespace

void brugergraense::tegn_prioritering() {
    console_set_background(groen);
    console_set_foreground(lysegraa);
    console_set_cursor_shape(markoer_normal);
    const std::string tom = ramme::tom(53);
    const std::string streg = ramme::skillelinje(53);
    const std::string linjer[boks_linjer] = {
        ramme::top(53),
        tom,
        ramme::linje(2, "P R I O R I T E R I N G   A F   S O R T E R I N G", 2),
        tom,
        streg,
        tom,
        ramme::linje(20, "1.", 31),
        ramme::linje(20, "2.", 31),
        ramme::linje(20, "3.", 31),
        ramme::linje(20, "4.", 31),
        tom,
        streg,
        tom,
        ramme::linje(4, "Titel   Kunstner   Kategori   Stilart   Ingen", 4),
        ramme::linje(4, marker_under_valgene(), 8),
        ramme::bund(53),
    };
    for (int k = 0; k < boks_linjer; ++k) {
        console_goto(boks_kolonne, boks_top + k);
        console_print("%s", linjer[k].c_str());
    }
    console_goto(venter_kolonne, venter_raekke);
}

// Reads letters until line 4 is answered or Ingen fills the lines left. An
// extended key's 0 matches nothing; its second code is taken as a letter.
void brugergraense::vaelg_prioritering() {
    for (int& n : sorteringsnoegler) n = -1;
    sorteringsnoegler[0] = felt_foerste_noegle;
    int s = 1;
    while (sorteringsnoegler[linjer_at_svare] == -1) {
        console_goto(svar_kolonne, raekke_foer_linje_1 + s);
        int kode = console_read_key();
        if (kode == 'I' || kode == 'i') {
            for (int j = s; j <= linjer_at_svare; ++j) {
                console_goto(svar_kolonne, raekke_foer_linje_1 + j);
                console_print("%s", "Ingen");
                sorteringsnoegler[j] = ingen;
            }
            break;
        }
        for (const svar& v : svarene) {
            if (v.kode != kode) continue;
            // Line s is asked only after lines 1 to s - 1, all among 1 to 3.
            bool valgt_foer = false;
            for (int j = 1; j < linjer_at_svare; ++j)
                valgt_foer = valgt_foer || sorteringsnoegler[j] == v.felt;
            if (v.kun_en_gang && valgt_foer) break;
            console_print("%s", v.tekst);
            sorteringsnoegler[s] = v.felt;
            ++s;
            break;
        }
    }
    antal_noegler = s;
}
