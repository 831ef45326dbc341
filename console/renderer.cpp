#include "renderer.h"

#include <algorithm>

#include "cp850.h"

namespace console_detail {

namespace {

constexpr std::uint32_t ukendt = 0xFFFFFFFF;
constexpr const char* csi = "\x1b[";

std::uint32_t noegle(const celle& c) {
    return c.tegn | (static_cast<std::uint32_t>(c.attribut) << 8);
}

// PC colour order has blue in bit 0 and red in bit 2; ECMA-48 the reverse.
int ecma(int farve) { return (farve & 2) | ((farve & 1) << 2) | ((farve & 4) >> 2); }

void tal(std::string& ud, int n) { ud += std::to_string(n); }

}  // namespace

void renderer::saet_terminalstoerrelse(int kolonner, int raekker) {
    if (kolonner != kol_ || raekker != raek_) fuld_ = true;
    kol_ = std::max(1, kolonner);
    raek_ = std::max(1, raekker);
}

// The cheapest of the cursor movements that get there.
void renderer::flyt_til(std::string& ud, int x, int y) {
    if (x == tx_ && y == ty_) return;
    std::string bedst = csi;
    if (y > 0 || x > 0) tal(bedst, y + 1);
    if (x > 0) {
        bedst += ';';
        tal(bedst, x + 1);
    }
    bedst += 'H';
    auto proev = [&](std::string kandidat) {
        if (kandidat.size() < bedst.size()) bedst = std::move(kandidat);
    };
    if (ty_ == y && tx_ >= 0) {
        proev(std::string(csi) + std::to_string(x + 1) + "G");
        if (x > tx_) proev(std::string(csi) + (x - tx_ > 1 ? std::to_string(x - tx_) : "") + "C");
        if (x == 0) proev("\r");
    }
    if (ty_ >= 0 && y == ty_ + 1 && tx_ >= 0) {
        if (x == 0) proev("\r\n");
        if (x == tx_) proev("\n");
    }
    ud += bedst;
    tx_ = x;
    ty_ = y;
}

void renderer::saet_farver(std::string& ud, std::uint8_t attribut) {
    if (attribut == sgr_.attribut) return;
    int fg = attribut & 0x0F, bg = (attribut >> 4) & 0x07;
    bool lys_baggrund = attribut & 0x80;
    int ny_fg, ny_bg = (lys_baggrund && seksten_farver_ ? 100 : 40) + ecma(bg), ny_fed = 0;
    if (seksten_farver_) {
        ny_fg = (fg & 8 ? 90 : 30) + ecma(fg & 7);
    } else {
        ny_fg = 30 + ecma(fg & 7);
        ny_fed = fg & 8 ? 1 : 22;
    }
    std::string parametre;
    auto tilfoej = [&](int p) {
        if (!parametre.empty()) parametre += ';';
        tal(parametre, p);
    };
    if (ny_fed && ny_fed != sgr_.fed) tilfoej(ny_fed);
    if (ny_fg != sgr_.forgrund) tilfoej(ny_fg);
    if (ny_bg != sgr_.baggrund) tilfoej(ny_bg);
    sgr_ = {ny_fg, ny_bg, ny_fed ? ny_fed : sgr_.fed, attribut};
    if (parametre.empty()) return;
    ud += csi;
    ud += parametre;
    ud += 'm';
}

std::string renderer::tegn(skaermmodel& model) {
    std::string ud;
    if (model.kolonner() < model_kol_ || model.raekker() < model_raek_) fuld_ = true;
    model_kol_ = model.kolonner();
    model_raek_ = model.raekker();
    if (fuld_) {
        // Blank the whole terminal in its default colours, then paint every cell.
        ud += "\x1b[0m\x1b[H\x1b[2J";
        vist_.assign(static_cast<std::size_t>(kol_ * raek_), ukendt);
        tx_ = ty_ = 0;
        sgr_ = sgr{};
        synlig_ = -1;
        besked_.clear();
        fuld_ = false;
    }
    bool for_lille = model.kolonner() > kol_ || model.raekker() > raek_;
    int bredde = std::min(model.kolonner(), kol_);
    int hoejde = std::min(model.raekker(), for_lille ? raek_ - 1 : raek_);
    vist_raekker_ = std::max(hoejde, 0);
    for (int y = 0; y < hoejde; ++y) {
        for (int x = 0; x < bredde; ++x) {
            const celle& c = model.ved(x, y);
            std::uint32_t& vist = vist_[static_cast<std::size_t>(y * kol_ + x)];
            if (vist == noegle(c)) continue;
            flyt_til(ud, x, y);
            saet_farver(ud, c.attribut);
            tilfoej_glyf(ud, c.tegn);
            vist = noegle(c);
            // At the last column the cursor stays put (autowrap is off).
            tx_ = x + 1 < kol_ ? x + 1 : -1;
        }
    }
    if (for_lille) tegn_besked(ud, model);
    ud.append(static_cast<std::size_t>(model.bip), '\a');  // the console's beep
    model.bip = 0;
    bool vis = model.markoer_synlig && model.x < bredde && model.y < hoejde;
    if (vis) flyt_til(ud, model.x, model.y);
    if (static_cast<int>(vis) != synlig_) {
        ud += vis ? "\x1b[?25h" : "\x1b[?25l";
        synlig_ = vis;
    }
    if (ud.empty()) return ud;
    return "\x1b[?2026h" + ud + "\x1b[?2026l";
}

void renderer::tegn_besked(std::string& ud, const skaermmodel& model) {
    std::string tekst = " Vinduet er for lille: brug " + std::to_string(model.kolonner()) + " x " +
                        std::to_string(model.raekker()) + " tegn (nu " + std::to_string(kol_) +
                        " x " + std::to_string(raek_) + ")";
    tekst.resize(static_cast<std::size_t>(kol_), ' ');
    if (tekst == besked_) return;
    flyt_til(ud, 0, raek_ - 1);
    ud += "\x1b[0;97;41m";
    ud += tekst;
    sgr_ = sgr{};
    tx_ = -1;
    besked_ = tekst;
    std::fill(vist_.begin() + static_cast<std::ptrdiff_t>((raek_ - 1) * kol_), vist_.end(), ukendt);
}

}  // namespace console_detail
