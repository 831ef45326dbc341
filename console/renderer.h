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
    explicit renderer(bool sixteen_colours = true) : sixteen_colours_(sixteen_colours) {}

    // The terminal's size, as far as a screen reaches (largest_screen_side);
    // a change repaints everything.
    void set_terminal_size(int columns, int rows);
    // Forget what the terminal shows (after a stop, or at start).
    void force_full_repaint() { full_ = true; }
    // The bytes that bring the terminal to the model (and sound its beeps);
    // empty when nothing changed.
    std::string render(screen_model& model);

    int terminal_columns() const { return columns_; }
    int terminal_rows() const { return rows_; }
    // The last terminal row that shows the model.
    int last_shown_row() const { return shown_rows_; }
    // Whether the last row holds the notice of a terminal too small.
    bool shows_notice() const { return !notice_.empty(); }

   private:
    struct sgr {
        int foreground = -1, background = -1, bold = -1;  // -1: not known
        int attribute = -1;                               // the cell attribute they stand for
    };

    void move_to(std::string& out, int x, int y);
    void set_colours(std::string& out, std::uint8_t attribute);
    void draw_notice(std::string& out, const screen_model& model);

    bool sixteen_colours_;
    bool full_ = true;
    int columns_ = 80, rows_ = 50;
    int model_columns_ = 0, model_rows_ = 0;
    int shown_rows_ = 0;
    std::vector<std::uint32_t> shown_;  // what each terminal cell shows; unknown when not known
    int tx_ = -1, ty_ = -1;             // the terminal's cursor; -1 when not known
    sgr sgr_;
    int cursor_shown_ = -1;  // cursor visibility on the terminal; -1 when not known
    std::string notice_;     // the size notice on the last row, when shown
};

}  // namespace console_detail
