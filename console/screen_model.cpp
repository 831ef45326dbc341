#include "screen_model.h"

#include <algorithm>

namespace console_detail {

namespace {
constexpr int hoej_kolonner = 80, hoej_raekker = 50;
constexpr int raekkehoejder[] = {14, 21, 28, 43, 50, 60};

std::uint8_t begraens(int n) { return static_cast<std::uint8_t>(std::clamp(n, 1, 255)); }
}  // namespace

skaermmodel::skaermmodel(int kolonner, int raekker, std::uint8_t normal_attribut)
    : start_kolonner_(begraens(kolonner)), start_raekker_(begraens(raekker)) {
    tilstand.attribute = tilstand.normal_attribute = normal_attribut;
    skift_stoerrelse(start_kolonner_, start_raekker_);
    // The mode that stands for the start-up size: 64, a colour mode, or 65.
    tilstand.current_mode = 65;
    for (int mode : {64, 1, 3, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}) {
        int k = 0, r = 0;
        stoerrelse_for(mode, k, r);
        if (k == start_kolonner_ && r == start_raekker_) {
            tilstand.current_mode = static_cast<std::int8_t>(mode);
            break;
        }
    }
}

void skaermmodel::skift_stoerrelse(int kolonner, int raekker) {
    std::vector<celle> nye(static_cast<std::size_t>(kolonner * raekker));
    for (int r = 0; r < std::min(raekker, static_cast<int>(tilstand.screen_rows)); ++r)
        for (int k = 0; k < std::min(kolonner, static_cast<int>(tilstand.screen_columns)); ++k)
            nye[static_cast<std::size_t>(r * kolonner + k)] = ved(k, r);
    celler_ = std::move(nye);
    foerste_raekke_ = 0;
    tilstand.screen_columns = static_cast<std::uint8_t>(kolonner);
    tilstand.screen_rows = static_cast<std::uint8_t>(raekker);
    tilstand.window_left = tilstand.window_top = 0;
    tilstand.window_right = static_cast<std::uint8_t>(kolonner - 1);
    tilstand.window_bottom = static_cast<std::uint8_t>(raekker - 1);
    x = std::min(x, kolonner - 1);
    y = std::min(y, raekker - 1);
}

bool skaermmodel::stoerrelse_for(int mode, int& kolonner, int& raekker) const {
    if (mode == 64) {
        kolonner = hoej_kolonner;
        raekker = hoej_raekker;
    } else if (mode == 65) {
        kolonner = start_kolonner_;
        raekker = start_raekker_;
    } else if (mode == 0 || mode == 1) {
        kolonner = 40;
        raekker = 25;
    } else if (mode == 2 || mode == 3 || mode == 7) {
        kolonner = 80;
        raekker = 25;
    } else if (mode >= 8 && mode <= 19) {
        kolonner = mode <= 13 ? 40 : 80;
        raekker = raekkehoejder[(mode - 8) % 6];
    } else {
        return false;
    }
    return true;
}

void skaermmodel::saet_tilstand(int mode) {
    if (mode == -1) mode = tilstand.current_mode;
    int kolonner = 0, raekker = 0;
    if (!stoerrelse_for(mode, kolonner, raekker)) return;
    skift_stoerrelse(kolonner, raekker);
    tilstand.current_mode = static_cast<std::int8_t>(mode);
    tilstand.attribute = tilstand.normal_attribute;
}

void skaermmodel::saet_forgrund(int farve) {
    tilstand.attribute = static_cast<std::uint16_t>((tilstand.attribute & 0x70) | (farve & 0x8F));
}

void skaermmodel::saet_baggrund(int farve) {
    tilstand.attribute =
        static_cast<std::uint16_t>((tilstand.attribute & 0x8F) | ((farve * 16) & 0x70));
}

void skaermmodel::gaa_til(int kolonne, int raekke) {
    int nx = tilstand.window_left + kolonne - 1;
    int ny = tilstand.window_top + raekke - 1;
    if (nx < tilstand.window_left || nx > tilstand.window_right) return;
    if (ny < tilstand.window_top || ny > tilstand.window_bottom) return;
    x = nx;
    y = ny;
}

bool skaermmodel::vindue_er_skaermen() const {
    const auto& t = tilstand;
    return t.window_left == 0 && t.window_top == 0 && t.window_right == kolonner() - 1 &&
           t.window_bottom == raekker() - 1;
}

// A long text scrolls the screen once per row it fills: that must cost a
// row, not the whole screen. The program's window is always the screen; a
// smaller one moves its cells.
void skaermmodel::rul_op() {
    const auto& t = tilstand;
    if (vindue_er_skaermen()) {
        foerste_raekke_ = foerste_raekke_ + 1 == raekker() ? 0 : foerste_raekke_ + 1;
        for (int k = 0; k < kolonner(); ++k)
            celler_[indeks(k, raekker() - 1)] = celle{' ', static_cast<std::uint8_t>(t.attribute)};
        return;
    }
    for (int r = t.window_top; r < t.window_bottom; ++r)
        for (int k = t.window_left; k <= t.window_right; ++k)
            celler_[indeks(k, r)] = celler_[indeks(k, r + 1)];
    for (int k = t.window_left; k <= t.window_right; ++k)
        celler_[indeks(k, t.window_bottom)] = celle{' ', static_cast<std::uint8_t>(t.attribute)};
}

// After each byte: wrap at the window's right edge, scroll at its bottom.
void skaermmodel::efter_tegn() {
    const auto& t = tilstand;
    if (x > t.window_right) {
        x = t.window_left;
        ++y;
    }
    if (y > t.window_bottom) {
        rul_op();
        --y;
    }
}

// Cells are written as they come; a run of cells in the console's sense is
// only a unit of screen update, which the terminal output does by itself.
void skaermmodel::skriv(std::string_view bytes) {
    const auto& t = tilstand;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b == 7) {
            ++bip;
        } else if (b == 8) {
            if (x > t.window_left) --x;
        } else if (b == 10) {
            ++y;
        } else if (b == 13) {
            x = t.window_left;
        } else {
            celler_[indeks(x, y)] = celle{b, static_cast<std::uint8_t>(t.attribute)};
            ++x;
        }
        efter_tegn();
    }
}

void skaermmodel::skriv_tegn(std::string_view bytes) {
    for (char c : bytes) {
        celler_[indeks(x, y)] =
            celle{static_cast<unsigned char>(c), static_cast<std::uint8_t>(tilstand.attribute)};
        ++x;
        efter_tegn();
    }
}

void skaermmodel::ryd() {
    const auto& t = tilstand;
    for (int r = t.window_top; r <= t.window_bottom; ++r)
        for (int k = t.window_left; k <= t.window_right; ++k)
            celler_[indeks(k, r)] = celle{' ', static_cast<std::uint8_t>(t.attribute)};
    gaa_til(1, 1);
}

void skaermmodel::saet_markoerform(int form) {
    markoer_form = form;
    markoer_synlig = form != 0;
}

}  // namespace console_detail
