// Checks of what the renderer writes, for its tests and its fuzz target:
// the bytes hold no control byte of their own, and a real terminal fed with
// them shows the model's cells. Each returns what it found wrong, or an
// empty text.
#pragma once

#include <vterm.h>

#include <cstddef>
#include <string>

#include "code_page_850.h"
#include "screen_model.h"
#include "vterm_screen.h"

// The terminal's colour index (ECMA-48 order: red is 1, blue 4) of a PC
// colour number (blue is 1, red 4).
inline int ecma(int pc) {
    static const int terminal_colour[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
    return terminal_colour[pc];
}

// Outside the renderer's own CSI sequences, a byte below 0x20 other than CR,
// LF and BEL, or a DEL; inside one, any byte below 0x20.
inline std::string stray_control_byte(const std::string& out) {
    const auto at = [](int b, std::size_t i) {
        return "byte " + std::to_string(b) + " at " + std::to_string(i);
    };
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto b = static_cast<unsigned char>(out[i]);
        if (b == 0x1B) {
            if (i + 1 >= out.size() || out[i + 1] != '[') return "an escape not CSI at " + at(b, i);
            for (i += 2; i < out.size() && !(out[i] >= 0x40 && out[i] <= 0x7E); ++i)
                if (static_cast<unsigned char>(out[i]) < 0x20) return at(out[i], i);
            continue;
        }
        if ((b < 0x20 && b != '\r' && b != '\n' && b != '\a') || b == 0x7F) return at(b, i);
    }
    return {};
}

// The terminal's own number of a colour: -1 its default, -2 one that is
// not of its palette.
inline int palette_index(const VTermColor& c) {
    if (VTERM_COLOR_IS_DEFAULT_FG(&c) || VTERM_COLOR_IS_DEFAULT_BG(&c)) return -1;
    return VTERM_COLOR_IS_INDEXED(&c) ? c.indexed.idx : -2;
}

// The first cell of the top-left rows x columns that the terminal does not
// show as the model holds it. Bit 7 of an attribute is a bright background,
// which only sixteen colours show; eight show a bright foreground as bold,
// so there the foreground is not compared. White on light grey shows as
// dark grey (the terminal's light grey is almost white).
inline std::string screen_difference(const console_detail::screen_model& m, const vterm_screen& vt,
                                     int rows, int columns, bool sixteen_colours = true) {
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns; ++x) {
            const auto& c = m.at(x, y);
            const VTermScreenCell shown = vt.cell(y, x);
            const int bright = (c.attribute & 0x80) && sixteen_colours ? 8 : 0;
            const bool on_grey = (c.attribute & 0xF0) == 0x70;
            const int foreground = on_grey && (c.attribute & 0x0F) == 15 ? 8 : c.attribute & 0x0F;
            const char* wrong = nullptr;
            if (vt.character(y, x) != code_page_850::cell_glyph(c.character))
                wrong = "character";
            else if (palette_index(shown.bg) != ecma((c.attribute >> 4) & 7) + bright)
                wrong = "background";
            else if (sixteen_colours && palette_index(shown.fg) != ecma(foreground))
                wrong = "foreground";
            if (wrong)
                return std::string(wrong) + " of cell " + std::to_string(x) + "," +
                       std::to_string(y);
        }
    return {};
}
