// The user interface on a screen model without a terminal: keys come from
// a script and the tests read the cells back.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "brugergraense.h"
#include "console.h"
#include "console_test.h"
#include "katalogmappe.h"
#include "screens.h"

namespace brugergraense_fixtur {

inline std::string tekst(int kolonne, int raekke, int laengde) {
    return row_text(console_model(), raekke - 1, kolonne - 1, kolonne - 1 + laengde);
}
inline int attribut(int kolonne, int raekke) {
    return console_model().at(kolonne - 1, raekke - 1).attribute;
}

class Brugergraense : public katalogmappe {
   protected:
    void SetUp() override {
        katalogmappe::SetUp();
        console_open_model(80, 25);
        b = std::make_unique<brugergraense>();
        console_set_mode(64);
        console_set_background(7);
        console_clear();
        b->ryd_liste();
    }
    void TearDown() override {
        b.reset();
        console_close();
        katalogmappe::TearDown();
    }
    void lots(int n) {
        b->opsaetning.antal_poster = n;
        for (int i = 1; i <= n; ++i) {
            b->opsaetning.post(i)[0] = kat_opsaetning::tal_til_tekst(100 + i);
            b->opsaetning.post(i)[1] = kat_opsaetning::tal_til_tekst(i);
            b->opsaetning.post(i)[2] =
                katsort::string(std::string_view("Titel " + std::to_string(i)));
        }
    }
    // Runs the main loop on the fed keys; without a terminal the read after
    // the last key throws, which leaves the screen as those keys made it.
    void koer_tasterne() {
        try {
            b->koer();
        } catch (const std::runtime_error&) {
        }
    }
    std::unique_ptr<brugergraense> b;
};

}  // namespace brugergraense_fixtur

using namespace brugergraense_fixtur;
