// The console operations: they draw on the screen model and read keys; the
// terminal, when there is one, is brought up to date before every wait.
#include "console.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "console_test.h"
#include "cp850.h"
#include "renderer.h"
#include "screen_model.h"
#include "key_decoder.h"
#include "terminal.h"

using namespace console_detail;

namespace {

struct konsol {
    skaermmodel model;
    renderer tegner;
    tastdekoder dekoder;
    bool med_terminal;
    bool bedt_om_stoerrelse = false;
    int pending_key_code = -1;
};

std::unique_ptr<konsol> k;

// A lone Esc is told from the start of a key sequence by a short wait;
// over a network the bytes of one sequence may arrive further apart.
int esc_ventetid_ms() { return std::getenv("SSH_CONNECTION") ? 80 : 25; }

void tjek_stoerrelse() {
    int kol = 0, raek = 0;
    if (!terminal::stoerrelse(kol, raek)) return;
    k->tegner.saet_terminalstoerrelse(kol, raek);
}

// The 80 x 50 screen on a smaller terminal: ask once for the size.
void bed_om_stoerrelse() {
    if (k->bedt_om_stoerrelse || k->model.tilstand.current_mode != 64) return;
    if (k->tegner.terminal_kolonner() >= 80 && k->tegner.terminal_raekker() >= 50) return;
    k->bedt_om_stoerrelse = true;
    terminal::skriv("\x1b[8;50;80t");
}

void haandter_signaler() {
    if (terminal::tag_genoptaget()) {
        tjek_stoerrelse();
        k->tegner.tving_fuld_tegning();
    }
    if (terminal::tag_stoerrelse_aendret()) {
        tjek_stoerrelse();
        k->tegner.tving_fuld_tegning();
    }
}

}  // namespace

bool console_open() {
    std::string forud;
    if (!terminal::aabn(forud)) return false;
    int kol = 80, raek = 25;
    terminal::stoerrelse(kol, raek);
    // The start-up screen is the terminal's, but never smaller than the
    // console's 80 x 25, so the loading screen looks as it does there.
    k.reset(new konsol{skaermmodel(std::max(kol, 80), std::max(raek, 25)),
                       renderer(!terminal::otte_farver()), tastdekoder(), true});
    k->tegner.saet_terminalstoerrelse(kol, raek);
    k->dekoder.tilfoej(forud);
    return true;
}

void console_open_model(int columns, int rows) {
    k.reset(new konsol{skaermmodel(columns, rows), renderer(), tastdekoder(), false});
}

void console_feed(std::string_view bytes) { k->dekoder.tilfoej(bytes); }

skaermmodel& console_model() { return k->model; }

void console_flush() {
    if (!k || !k->med_terminal) return;
    haandter_signaler();
    bed_om_stoerrelse();
    std::string ud = k->tegner.tegn(k->model);
    int under = k->tegner.sidste_viste_raekke() + 1;
    terminal::saet_slut_raekke(std::clamp(under, 1, k->tegner.terminal_raekker()));
    if (!ud.empty()) terminal::skriv(ud);
}

void console_close() {
    if (!k) return;
    if (k->med_terminal) {
        console_flush();
        terminal::luk();
    }
    k.reset();
}

bool console_owns_stdout() {
    return k && k->med_terminal && terminal::er_terminalen(STDOUT_FILENO);
}

void console_set_mode(int mode) { k->model.saet_tilstand(mode); }
void console_set_foreground(int colour) { k->model.saet_forgrund(colour); }
void console_set_background(int colour) { k->model.saet_baggrund(colour); }
void console_goto(int column, int row) { k->model.gaa_til(column, row); }
void console_clear() { k->model.ryd(); }
void console_put_text(const char* text) { k->model.skriv_tegn(text); }
void console_set_cursor_shape(int shape) { k->model.saet_markoerform(shape); }

int console_print(const char* format, ...) {
    va_list args, kopi;
    va_start(args, format);
    va_copy(kopi, args);
    char kort[256];
    int n = std::vsnprintf(kort, sizeof kort, format, args);
    va_end(args);
    if (n < 0) {
        va_end(kopi);
        return n;
    }
    if (static_cast<std::size_t>(n) < sizeof kort) {
        va_end(kopi);
        k->model.skriv(std::string_view(kort, static_cast<std::size_t>(n)));
        return n;
    }
    std::vector<char> lang(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(lang.data(), lang.size(), format, kopi);
    va_end(kopi);
    k->model.skriv(std::string_view(lang.data(), static_cast<std::size_t>(n)));
    return n;
}

int console_read_key() {
    if (k->pending_key_code != -1) {
        int kode = k->pending_key_code;
        k->pending_key_code = -1;
        return kode;
    }
    std::vector<int> koder;
    bool udloebet = false;
    while (!k->dekoder.naeste(koder, udloebet)) {
        if (!k->med_terminal) throw std::runtime_error("no more keys");
        console_flush();
        std::string bytes;
        int ventetid = k->dekoder.venter_paa_tid() ? esc_ventetid_ms() : -1;
        auto l = terminal::laes(bytes, ventetid);
        udloebet = l == terminal::laesning::tid_udloebet;
        if (l == terminal::laesning::data) k->dekoder.tilfoej(bytes);
        if (l == terminal::laesning::slut) {
            // The terminal is gone: end as a hangup does.
            std::raise(SIGHUP);
            return -1;
        }
    }
    if (koder.size() > 1) k->pending_key_code = koder[1];
    return koder[0];
}

namespace {

// The length of a well-formed UTF-8 sequence at the start of `t`, or 0.
std::size_t utf8_laengde(std::string_view t) {
    auto b = [&](std::size_t i) { return static_cast<unsigned char>(t[i]); };
    std::size_t n = b(0) >= 0xC2 && b(0) <= 0xDF   ? 2
                    : b(0) >= 0xE0 && b(0) <= 0xEF ? 3
                    : b(0) >= 0xF0 && b(0) <= 0xF4 ? 4
                                                   : 0;
    if (n == 0 || t.size() < n) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((b(i) & 0xC0) != 0x80) return 0;
    if ((b(0) == 0xE0 && b(1) < 0xA0) || (b(0) == 0xED && b(1) > 0x9F) ||
        (b(0) == 0xF0 && b(1) < 0x90) || (b(0) == 0xF4 && b(1) > 0x8F))
        return 0;  // overlong, a surrogate, or past U+10FFFF
    return n;
}

}  // namespace

void console_write_text(std::FILE* stream, std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string ud;
    while (!text.empty()) {
        auto b = static_cast<unsigned char>(text[0]);
        std::size_t n = b >= 0x80 ? utf8_laengde(text) : 0;
        if (n > 0) {
            ud.append(text.substr(0, n));
        } else if (b == '\n') {
            n = 1;
            ud += '\n';
        } else if (b >= 0x80 || (b >= 0x20 && b != 0x7F)) {
            n = 1;
            tilfoej_glyf(ud, b);
        } else {
            n = 1;
            ud += "\\x";
            ud += hex[b >> 4];
            ud += hex[b & 15];
        }
        text.remove_prefix(n);
    }
    std::fwrite(ud.data(), 1, ud.size(), stream);
    std::fflush(stream);
}
