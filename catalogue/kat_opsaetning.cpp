#include "kat_opsaetning.h"

kat_emneliste::kat_emneliste() {
    for (auto& f : felt) f = "0";
}

kat_opsaetning::kat_opsaetning() {
    katalog_nr = "0";
    auktionstype = "0";
    auktionsdato = "0";
    antal_poster = 0;
    // Every field of every record is already the empty string: that is how
    // a string starts.
    katalog.status = &status_;
    emneliste.status = &status_;
    katalog.filer = &filer_;
    emneliste.filer = &filer_;
}

std::string citat(std::string_view fil_tekst) {
    constexpr std::size_t hoejst = 60;
    static const char hex[] = "0123456789ABCDEF";
    std::string ud = "\"";
    for (std::size_t i = 0; i < fil_tekst.size() && i < hoejst; ++i) {
        auto b = static_cast<unsigned char>(fil_tekst[i]);
        if (b < 0x20 || b == 0x7F) {
            ud += "\\x";
            ud += hex[b >> 4];
            ud += hex[b & 15];
        } else {
            ud += static_cast<char>(b);
        }
    }
    if (fil_tekst.size() > hoejst) ud += "...";
    return ud + "\"";
}
