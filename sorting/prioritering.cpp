// The sort priority dialog: the operator picks up to four keys, one letter
// a line, or ends the choice with Ingen.
#include <string>

#include "brugergraense.h"
#include "console.h"
#include "ramme.h"

namespace {

struct svar {
    int kode;
    bool kun_en_gang;  // a lower-case letter is refused for a field already chosen
    const char* tekst;
    int felt;
};

const svar svarene[] = {{'T', false, "Titel", 2},    {'t', true, "Titel", 2},
                        {'K', false, "Kunstner", 3}, {'k', true, "Kunstner", 3},
                        {'A', false, "Kategori", 5}, {'a', true, "Kategori", 5},
                        {'S', false, "Stilart", 6},  {'s', true, "Stilart", 6}};

// The marks under the letters that choose: T, K, a, S and I.
std::string marker_under_valgene() {
    std::string s(41, ' ');
    for (int kolonne : {21, 29, 41, 51, 61})
        s[static_cast<std::size_t>(kolonne - 21)] = ramme::mark;
    return s;
}

}  // namespace

void brugergraense::tegn_prioritering() {
    console_set_background(2);
    console_set_foreground(7);
    console_set_cursor_shape(2);
    const std::string tom = ramme::tom(53);
    const std::string streg = ramme::skillelinje(53);
    const std::string linjer[16] = {
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
    for (int k = 0; k < 16; ++k) {
        console_goto(16, 15 + k);
        console_print("%s", linjer[k].c_str());
    }
    console_goto(38, 31);
}

void brugergraense::vaelg_prioritering() {
    for (int& n : sorteringsnoegler) n = -1;
    sorteringsnoegler[0] = 4;
    int s = 1;
    while (sorteringsnoegler[4] == -1) {
        console_goto(39, 20 + s);
        int kode = console_read_key();
        if (kode == 'I' || kode == 'i') {
            for (int j = s; j <= 4; ++j) {
                console_goto(39, 20 + j);
                console_print("%s", "Ingen");
                sorteringsnoegler[j] = 0;
            }
            break;
        }
        for (const svar& v : svarene) {
            if (v.kode != kode) continue;
            bool valgt_foer = false;
            for (int j = 1; j <= 3; ++j) valgt_foer = valgt_foer || sorteringsnoegler[j] == v.felt;
            if (v.kun_en_gang && valgt_foer) break;
            console_print("%s", v.tekst);
            sorteringsnoegler[s] = v.felt;
            ++s;
            break;
        }
    }
    antal_noegler = s;
}
