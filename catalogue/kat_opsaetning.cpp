#include "kat_opsaetning.h"

kat_emneliste::kat_emneliste() {
    for (auto& f : felt) f = "0";
}

emne::emne() {
    for (auto& f : felt) f = string();
}

kat_opsaetning::kat_opsaetning() {
    katalog_nr = "0";
    auktionstype = "0";
    auktionsdato = "0";
    antal_poster = 0;
    for (auto& post : poster)
        for (auto& felt : post) felt = string();
    katalog.status = &status_;
    emneliste.status = &status_;
}
