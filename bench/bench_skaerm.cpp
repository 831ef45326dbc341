// What the screen costs: bytes the renderer writes on the 80 x 50 screen and
// the time from a key's bytes to the terminal update, with a full table of
// 1999 lots; and the time to print a 100 MB text, which scrolls the screen
// more than a million times.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "brugergraense.h"
#include "console.h"
#include "console_test.h"
#include "key_decoder.h"
#include "maaling.h"
#include "renderer.h"

using katsort::string;

using console_detail::key_decoder;
using console_detail::renderer;

namespace {

void fyld(kat_opsaetning& k) {
    const char* titler[] = {"Aften ved havet", "Skagens strand i m\x86neskin",
                            ("Interi\x9Br med \x86"
                             "ben d\x9Br")};
    const char* kunstnere[] = {"P.S. Kr\x9Byer", "Anna Ancher", "Vilhelm Hammersh\x9Bi"};
    k.antal_poster = max_poster;
    for (int i = 1; i <= max_poster; ++i) {
        string* p = k.post(i);
        p[0] = kat_opsaetning::tal_til_tekst(1000 + i);
        p[1] = kat_opsaetning::tal_til_tekst(i);
        p[2] = titler[i % 3];
        p[3] = kunstnere[i % 3];
        p[4] = i % 2 ? "Olie" : "Akvarel";
        p[5] = "M";
        p[6] = "NA";
        p[9] = "Signeret, 65 x 80 cm, i guldramme";
    }
}

double mikro(double s) { return s * 1e6; }

}  // namespace

int main() {
    console_open_model(80, 25);
    auto b = std::make_unique<brugergraense>();
    fyld(b->opsaetning);
    console_set_mode(64);
    console_set_background(b->baggrundsfarve);
    console_clear();
    b->tegn_top();
    b->ryd_liste();
    b->tegn_bund();
    b->tegn_etiketter();
    console_set_cursor_shape(cursor_hidden);
    b->saet_sideantal();
    b->tegn_side(0);
    b->vis_side(1, b->antal_sider);
    b->tegn_emne(1, true);

    renderer r;
    r.set_terminal_size(80, 50);
    std::size_t foerste = r.render(console_model()).size();
    std::size_t intet = r.render(console_model()).size();

    b->tegn_emne(3, false);  // a row as it is: nothing to send
    std::size_t uaendret = r.render(console_model()).size();
    b->opsaetning.post(3)[2] = "Et andet maleri";
    b->tegn_emne(3, true);
    std::size_t en_raekke = r.render(console_model()).size();
    b->tegn_emne(3, false);
    r.render(console_model());

    // Down: decode the key, move the highlight, render.
    key_decoder d;
    int raekke = 1;
    std::size_t ned_bytes = 0;
    auto ned = [&] {
        d.feed("\x1b[B");
        if (!d.next()) std::abort();
        b->tegn_emne(raekke, false);
        raekke = raekke % 40 + 1;
        b->tegn_emne(raekke, true);
        ned_bytes = r.render(console_model()).size();
    };
    double ned_tid = median_sekunder(
        1001, [] {}, ned);

    std::size_t side_bytes = 0;
    int side = 0;
    double side_tid = median_sekunder(
        101, [] {},
        [&] {
            side = side % 40 + 1;
            b->tegn_side(side);
            b->vis_side(side + 1, b->antal_sider);
            b->tegn_emne(side * 41 + 1, true);
            side_bytes = r.render(console_model()).size();
        });

    std::size_t f1_bytes = 0;
    double f1_tid = median_sekunder(
        21, [] {},
        [&] {
            b->tegn_prioritering();
            r.render(console_model());
            console_feed("\x1bOP");  // the F1 key itself, decoded as the loop would
            console_read_key();
            console_read_key();
            console_feed("TKAS");
            b->vaelg_prioritering();
            b->vis_sorterer();
            r.render(console_model());
            b->opsaetning.sorter(1, b->antal_emner, b->sorteringsnoegler, 0, b->antal_noegler, 0);
            b->ryd_liste();
            b->tegn_side(0);
            b->vis_side(1, b->antal_sider);
            b->tegn_emne(1, true);
            f1_bytes = r.render(console_model()).size();
        });

    double fuld_tid = median_sekunder(
        1001, [&] { r.force_full_repaint(); }, [&] { r.render(console_model()); });

    std::printf(
        "renderer bytes: first full paint %zu, unchanged row %zu, one row changed %zu, "
        "nothing changed %zu\n",
        foerste, uaendret, en_raekke, intet);
    std::printf(
        "Down key: %.1f us, %zu bytes; page turn: %.1f us, %zu bytes (list area 41 rows); "
        "F1 with dialog to redrawn page 1: %.2f ms, %zu bytes; full-screen diff+encode %.1f us\n",
        mikro(ned_tid), ned_bytes, mikro(side_tid), side_bytes, f1_tid * 1e3, f1_bytes,
        mikro(fuld_tid));
    // The terminal's sixteen colours against the PC console's own shades:
    // the same first paint, Down and page turn in each.
    // Then eight colours and none; last, a Latin-1 terminal: its bytes and
    // DEC line drawing.
    using console_detail::colour_depth;
    const struct {
        const char* navn;
        colour_depth dybde;
        bool latin1;
        bool seksten = true;
    } slags[] = {{"16 colours", colour_depth::ansi, false},
                 {"xterm's 256", colour_depth::palette_256, false},
                 {"direct colour", colour_depth::direct, false},
                 {"8 colours", colour_depth::ansi, false, false},
                 {"no colours", colour_depth::none, false},
                 {"Latin-1, 16 colours", colour_depth::ansi, true}};
    for (const auto& [navn, dybde, latin1, seksten] : slags) {
        std::optional<console_detail::legacy_encoder> legacy;
        if (latin1)
            legacy.emplace(console_detail::legacy_codeset::latin1,
                           console_detail::dec_special_graphics());
        renderer p(seksten, dybde, legacy);
        p.set_terminal_size(80, 50);
        b->tegn_side(0);
        b->vis_side(1, b->antal_sider);
        b->tegn_emne(1, true);
        std::size_t maling = p.render(console_model()).size();
        b->tegn_emne(1, false);
        b->tegn_emne(2, true);
        std::size_t ned_ = p.render(console_model()).size();
        b->tegn_side(1);
        b->vis_side(2, b->antal_sider);
        b->tegn_emne(42, true);
        std::size_t side_ = p.render(console_model()).size();
        std::printf("%s: first full paint %zu bytes, Down %zu bytes, page turn %zu bytes\n", navn,
                    maling, ned_, side_);
    }
    b.reset();
    console_close();

    // A catalogue value of 100 MB goes through console_put_text; console_print
    // takes the same path for its expanded text.
    std::string lang(100u << 20, ' ');
    for (std::size_t i = 0; i < lang.size(); ++i) lang[i] = static_cast<char>('A' + i % 26);
    console_open_model(80, 25);
    console_set_mode(64);
    double tekst_tid = median_sekunder(
        3, [] { console_goto(43, 2); }, [&] { console_put_text(lang.c_str()); });
    double print_tid = median_sekunder(
        3, [] { console_goto(43, 2); }, [&] { console_print("%s", lang.c_str()); });
    std::printf("printing 100 MB: console_put_text %.2f s, console_print %.2f s\n", tekst_tid,
                print_tid);
    console_close();
    return 0;
}
