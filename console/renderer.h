// Turns the screen model into terminal output: only the cells that differ
// from what the terminal shows, as UTF-8 glyphs with ECMA-48 colours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screen_model.h"

namespace console_detail {

class renderer {
   public:
    explicit renderer(bool seksten_farver = true) : seksten_farver_(seksten_farver) {}

    // The terminal's size; a change repaints everything.
    void saet_terminalstoerrelse(int kolonner, int raekker);
    // Forget what the terminal shows (after a stop, or at start).
    void tving_fuld_tegning() { fuld_ = true; }
    // The bytes that bring the terminal to the model (and sound its beeps);
    // empty when nothing changed.
    std::string tegn(skaermmodel& model);

    int terminal_kolonner() const { return kol_; }
    int terminal_raekker() const { return raek_; }
    // The last terminal row that shows the model.
    int sidste_viste_raekke() const { return vist_raekker_; }

   private:
    struct sgr {
        int forgrund = -1, baggrund = -1, fed = -1;  // -1: not known
        int attribut = -1;                           // the cell attribute they stand for
    };

    void flyt_til(std::string& ud, int x, int y);
    void saet_farver(std::string& ud, std::uint8_t attribut);
    void tegn_besked(std::string& ud, const skaermmodel& model);

    bool seksten_farver_;
    bool fuld_ = true;
    int kol_ = 80, raek_ = 50;
    int model_kol_ = 0, model_raek_ = 0;
    int vist_raekker_ = 0;
    std::vector<std::uint32_t> vist_;  // what each terminal cell shows; ukendt when not known
    int tx_ = -1, ty_ = -1;            // the terminal's cursor; -1 when not known
    sgr sgr_;
    int synlig_ = -1;     // cursor visibility on the terminal; -1 when not known
    std::string besked_;  // the size notice on the last row, when shown
};

}  // namespace console_detail
