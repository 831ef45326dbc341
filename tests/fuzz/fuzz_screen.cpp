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

// The terminal's colour index of each PC colour number (blue and red swap).
const int terminal_colour[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
int ecma(int pc) { return terminal_colour[pc]; }

void only_own_control_bytes(const std::string& out) {
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto b = static_cast<unsigned char>(out[i]);
        if (b == 0x1B) {
            if (i + 1 >= out.size() || out[i + 1] != '[') std::abort();
            i += 2;
            while (i < out.size() && !(out[i] >= 0x40 && out[i] <= 0x7E)) {
                if (static_cast<unsigned char>(out[i]) < 0x20) std::abort();
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
    terminal() : vt_(vterm_new(50, 80)), screen_(vterm_obtain_screen(vt_)) {
        vterm_set_utf8(vt_, 1);
    }
    void reset(int rows, int columns) {
        vterm_set_size(vt_, rows, columns);
        vterm_screen_reset(screen_, 1);
    }
    void feed(const std::string& b) { vterm_input_write(vt_, b.data(), b.size()); }
    VTermScreenCell cell(int row, int column) const {
        VTermScreenCell c{};
        vterm_screen_get_cell(screen_, VTermPos{row, column}, &c);
        return c;
    }

   private:
    VTerm* vt_;
    VTermScreen* screen_;
};

int index(const VTermColor& c) {
    if (VTERM_COLOR_IS_DEFAULT_FG(&c) || VTERM_COLOR_IS_DEFAULT_BG(&c)) return -1;
    return VTERM_COLOR_IS_INDEXED(&c) ? c.indexed.idx : -2;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t i = 0;
    auto byte = [&]() -> int { return i < size ? data[i++] : 0; };
    // Mostly small start-up screens of any shape, for speed; the program's
    // 80 x 50 now and then.
    const bool tall = byte() % 32 == 0;
    const int start_columns = byte() % 40 + 1, start_rows = byte() % 16 + 1;
    console_open_model(start_columns, start_rows);
    if (tall) console_set_mode(64);
    const int columns = console_model().columns(), rows = console_model().rows();
    const bool sixteen = size % 2 == 0;
    console_detail::renderer r(sixteen);
    r.set_terminal_size(columns, rows);
    static terminal vt;
    vt.reset(rows, columns);
    while (i < size) {
        int op = byte() % 8;
        if (op == 0) console_set_foreground(byte());
        if (op == 1) console_set_background(byte());
        if (op == 2) console_goto(byte() % (columns + 10), byte() % (rows + 10));
        if (op == 3) console_set_cursor_shape(byte() % 3);
        if (op == 4 && byte() % 16 == 0) console_clear();
        if (op >= 5) {
            std::string text;
            for (int n = byte() % 100; n > 0 && i < size; --n) text += static_cast<char>(byte());
            std::string literal;
            for (char c : text) literal += c == '%' ? std::string("%%") : std::string(1, c);
            if (op == 5) console_print(literal.c_str());
            if (op == 6) console_print("%s|%i", text.c_str(), byte() - 128);
            if (op == 7) console_put_text(text.c_str());
        }
        if (byte() % 8 == 0) {
            std::string out = r.render(console_model());
            only_own_control_bytes(out);
            vt.feed(out);
        }
    }
    std::string out = r.render(console_model());
    only_own_control_bytes(out);
    vt.feed(out);
    const auto& m = console_model();
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const auto& c = m.at(x, y);
            VTermScreenCell v = vt.cell(y, x);
            char32_t shown = v.chars[0] ? v.chars[0] : U' ';
            if (shown != console_detail::cp850_glyph[c.character]) std::abort();
            // Bit 7 is the bright background, which only 16 colours can show.
            int bright = (c.attribute & 0x80) && sixteen ? 8 : 0;
            if (index(v.bg) != ecma((c.attribute >> 4) & 7) + bright) std::abort();
            if (sixteen && index(v.fg) != ecma(c.attribute & 0x0F)) std::abort();
        }
    console_close();
    return 0;
}
