// The console screen as cells in memory: what the program has drawn, in the
// console's own terms. The terminal only mirrors it.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace console_detail {

// The window, colours and mode, in the console's own fields.
struct console_state {
    std::uint8_t window_left;
    std::uint8_t window_top;
    std::uint8_t window_right;
    std::uint8_t window_bottom;
    std::uint16_t attribute;
    std::uint16_t normal_attribute;
    std::int8_t current_mode;
    std::uint8_t screen_rows;
    std::uint8_t screen_columns;
};

struct celle {
    std::uint8_t tegn = ' ';
    std::uint8_t attribut = 0x07;
    bool operator==(const celle&) const = default;
};

class skaermmodel {
   public:
    // The start-up screen; mode 64 is always 80 x 50.
    skaermmodel(int kolonner, int raekker, std::uint8_t normal_attribut = 0x07);

    console_state tilstand{};
    int x = 0, y = 0;  // the cursor, 0-based screen position
    bool markoer_synlig = true;
    int markoer_form = 2;
    int bip = 0;  // beeps not yet sounded

    int kolonner() const { return tilstand.screen_columns; }
    int raekker() const { return tilstand.screen_rows; }
    const celle& ved(int kol, int raekke) const { return celler_[indeks(kol, raekke)]; }

    void saet_tilstand(int mode);
    void saet_forgrund(int farve);
    void saet_baggrund(int farve);
    void gaa_til(int kolonne, int raekke);
    void skriv(std::string_view bytes);
    // Every byte fills one cell, control bytes as their glyphs.
    void skriv_tegn(std::string_view bytes);
    void ryd();
    void saet_markoerform(int form);

   private:
    // Screen row r is stored row r + foerste_raekke_ (round the end), so a
    // scroll of the whole screen moves no cells.
    std::size_t indeks(int kol, int raekke) const {
        int r = raekke + foerste_raekke_;
        if (r >= raekker()) r -= raekker();
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(kolonner()) +
               static_cast<std::size_t>(kol);
    }
    bool vindue_er_skaermen() const;
    void skift_stoerrelse(int kolonner, int raekker);
    void rul_op();
    void efter_tegn();
    bool stoerrelse_for(int mode, int& kolonner, int& raekker) const;

    std::vector<celle> celler_;
    int foerste_raekke_ = 0;
    int start_kolonner_, start_raekker_;
};

}  // namespace console_detail
