// The sort priority dialog: the operator picks up to four keys, one letter
// a line, or ends the choice with Ingen.
#include <string>

#include "brugergraense.h"
#include "console.h"

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

std::string boks_linje(char venstre, char fyld, char hoejre) {
    return venstre + std::string(53, fyld) + hoejre;
}

std::string indhold(int foer, const std::string& tekst, int efter) {
    return '\xBA' + std::string(static_cast<std::size_t>(foer), ' ') + tekst +
           std::string(static_cast<std::size_t>(efter), ' ') + '\xBA';
}

}  // namespace

void brugergraense::tegn_prioritering() {
    console_set_background(2);
    console_set_foreground(7);
    console_set_cursor_shape(2);
    const std::string tom = indhold(53, "", 0);
    const std::string streg = indhold(1, std::string(51, '\xC4'), 1);
    const std::string linjer[16] = {
        boks_linje('\xC9', '\xCD', '\xBB'),
        tom,
        indhold(2, "P R I O R I T E R I N G   A F   S O R T E R I N G", 2),
        tom,
        streg,
        tom,
        indhold(20, "1.", 31),
        indhold(20, "2.", 31),
        indhold(20, "3.", 31),
        indhold(20, "4.", 31),
        tom,
        streg,
        tom,
        indhold(4, "Titel   Kunstner   Kategori   Stilart   Ingen", 4),
        indhold(4, "\xEE       \xEE           \xEE         \xEE         \xEE", 8),
        boks_linje('\xC8', '\xCD', '\xBC'),
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
