// console_print and the renderer: random operations, formats and texts. The
// bytes written never hold a control byte outside the renderer's own
// sequences, and a real terminal fed with them shows the model's cells.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "console.h"
#include "console_test.h"
#include "renderer.h"
#include "screen_check.h"
#include "vterm_screen.h"

// Formats here are texts from the input, with every per-cent sign doubled.
#pragma clang diagnostic ignored "-Wformat-security"
#pragma clang diagnostic ignored "-Wformat-nonliteral"

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
    // One terminal for all inputs, reset for each (making one costs more
    // than most inputs).
    static vterm_screen vt(50, 80);
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
            if (!stray_control_byte(out).empty()) std::abort();
            vt.feed(out);
        }
    }
    std::string out = r.render(console_model());
    if (!stray_control_byte(out).empty()) std::abort();
    vt.feed(out);
    if (!screen_difference(console_model(), vt, rows, columns, sixteen).empty()) std::abort();
    console_close();
    return 0;
}
