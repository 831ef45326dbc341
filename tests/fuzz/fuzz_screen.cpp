// console_print and the renderer: random operations, formats and texts. The
// bytes written never hold a control byte outside the renderer's own
// sequences, and a real terminal fed with them shows the model's cells.
#include <vterm.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "console.h"
#include "console_test.h"
#include "cp850.h"
#include "renderer.h"

// Formats here are texts from the input, with every per-cent sign doubled.
#pragma clang diagnostic ignored "-Wformat-security"
#pragma clang diagnostic ignored "-Wformat-nonliteral"

namespace {

int ecma(int pc) { return (pc & 8) | (pc & 2) | ((pc & 1) << 2) | ((pc & 4) >> 2); }

void kun_egne_styrekoder(const std::string& ud) {
    for (std::size_t i = 0; i < ud.size(); ++i) {
        auto b = static_cast<unsigned char>(ud[i]);
        if (b == 0x1B) {
            if (i + 1 >= ud.size() || ud[i + 1] != '[') std::abort();
            i += 2;
            while (i < ud.size() && !(ud[i] >= 0x40 && ud[i] <= 0x7E)) {
                if (static_cast<unsigned char>(ud[i]) < 0x20) std::abort();
                ++i;
            }
            continue;
        }
        if ((b < 0x20 && b != '\r' && b != '\n' && b != '\a') || b == 0x7F) std::abort();
    }
}

// One terminal for all inputs, reset for each (making one costs more than
// most inputs).
class terminal {
   public:
    terminal() : vt_(vterm_new(50, 80)), skaerm_(vterm_obtain_screen(vt_)) {
        vterm_set_utf8(vt_, 1);
    }
    void nulstil(int raekker, int kolonner) {
        vterm_set_size(vt_, raekker, kolonner);
        vterm_screen_reset(skaerm_, 1);
    }
    void fodr(const std::string& b) { vterm_input_write(vt_, b.data(), b.size()); }
    VTermScreenCell celle(int raekke, int kolonne) const {
        VTermScreenCell c{};
        vterm_screen_get_cell(skaerm_, VTermPos{raekke, kolonne}, &c);
        return c;
    }

   private:
    VTerm* vt_;
    VTermScreen* skaerm_;
};

int indeks(const VTermColor& c) {
    if (VTERM_COLOR_IS_DEFAULT_FG(&c) || VTERM_COLOR_IS_DEFAULT_BG(&c)) return -1;
    return VTERM_COLOR_IS_INDEXED(&c) ? c.indexed.idx : -2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t i = 0;
    auto byte = [&]() -> int { return i < size ? data[i++] : 0; };
    // Mostly small start-up screens of any shape, for speed; the program's
    // 80 x 50 now and then.
    const bool hoej = byte() % 32 == 0;
    const int start_kol = byte() % 40 + 1, start_raek = byte() % 16 + 1;
    console_open_model(start_kol, start_raek);
    if (hoej) console_set_mode(64);
    const int kol = console_model().kolonner(), raek = console_model().raekker();
    const bool seksten = size % 2 == 0;
    console_detail::renderer r(seksten);
    r.saet_terminalstoerrelse(kol, raek);
    static terminal vt;
    vt.nulstil(raek, kol);
    while (i < size) {
        int op = byte() % 8;
        if (op == 0) console_set_foreground(byte());
        if (op == 1) console_set_background(byte());
        if (op == 2) console_goto(byte() % (kol + 10), byte() % (raek + 10));
        if (op == 3) console_set_cursor_shape(byte() % 3);
        if (op == 4 && byte() % 16 == 0) console_clear();
        if (op >= 5) {
            std::string tekst;
            for (int n = byte() % 100; n > 0 && i < size; --n) tekst += static_cast<char>(byte());
            std::string bogstavelig;
            for (char c : tekst) bogstavelig += c == '%' ? std::string("%%") : std::string(1, c);
            if (op == 5) console_print(bogstavelig.c_str());
            if (op == 6) console_print("%s|%i", tekst.c_str(), byte() - 128);
            if (op == 7) console_put_text(tekst.c_str());
        }
        if (byte() % 8 == 0) {
            std::string ud = r.tegn(console_model());
            kun_egne_styrekoder(ud);
            vt.fodr(ud);
        }
    }
    std::string ud = r.tegn(console_model());
    kun_egne_styrekoder(ud);
    vt.fodr(ud);
    const auto& m = console_model();
    for (int y = 0; y < raek; ++y)
        for (int x = 0; x < kol; ++x) {
            const auto& c = m.ved(x, y);
            VTermScreenCell v = vt.celle(y, x);
            char32_t vist = v.chars[0] ? v.chars[0] : U' ';
            if (vist != console_detail::cp850_glyph[c.tegn]) std::abort();
            // Bit 7 is the bright background, which only 16 colours can show.
            int lys = (c.attribut & 0x80) && seksten ? 8 : 0;
            if (indeks(v.bg) != ecma((c.attribut >> 4) & 7) + lys) std::abort();
            if (seksten && indeks(v.fg) != ecma(c.attribut & 0x0F)) std::abort();
        }
    console_close();
    return 0;
}
