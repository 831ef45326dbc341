// Turns the screen model into terminal output: the screen diff's plan as
// UTF-8 glyphs (or a legacy codeset's bytes and line drawing) with ECMA-48 colours and the shortest
// cursor moves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "legacy_charset.h"
#include "palette.h"
#include "screen_diff.h"

namespace console_detail {

class renderer {
   public:
    // `sixteen_colours` false: the terminal has eight, and bold brightens.
    // `legacy`: the glyphs for a terminal that is not UTF-8; nothing for UTF-8.
    explicit renderer(bool sixteen_colours = true, colour_depth depth = colour_depth::ansi,
                      std::optional<legacy_encoder> legacy = std::nullopt)
        : sixteen_colours_(sixteen_colours), depth_(depth), legacy_(std::move(legacy)) {
        diff_.set_console_size(80, 50);
    }

    // The terminal's size, as far as a screen reaches (largest_screen_side);
    // a change repaints everything.
    void set_terminal_size(int columns, int rows) { diff_.set_console_size(columns, rows); }
    // Forget what the terminal shows (after a stop, or at start).
    void force_full_repaint() { diff_.force_full_repaint(); }
    // Whether each update is bracketed as synchronized output (mode 2026),
    // which only a terminal that says it knows the mode is sent.
    void set_synchronized(bool synchronized) { synchronized_ = synchronized; }
    // Whether the cursor's shape is set (DECSCUSR: a block, or the quarter
    // cell as an underline); else it is only shown or hidden.
    void set_cursor_styles(bool styles) { cursor_styles_ = styles; }
    // The bytes that bring the terminal to the model (and sound its beeps);
    // empty when nothing changed.
    std::string render(screen_model& model);

    int terminal_columns() const { return diff_.console_columns(); }
    int terminal_rows() const { return diff_.console_rows(); }
    // Where the cursor is left when the program ends.
    screen_diff::exit_place exit_row() const { return diff_.exit_row(); }

   private:
    // A terminal: cursor moves are cheap, rewriting equal cells is not.
    static constexpr console_traits traits{.blank_repaint = true,
                                           .fills = false,
                                           .scroll_blanks_known = false,
                                           .bridged_gap = 1,
                                           .longest_write = largest_screen_side,
                                           .cursor_shapes = true,
                                           .writes_move_cursor = true};

    struct sgr {
        int foreground = -1, background = -1, bold = -1;  // -1: not known
        int attribute = -1;                               // the cell attribute they stand for
    };

    void run(std::string& out, const screen_op& op);
    void move_to(std::string& out, int x, int y);
    void set_colours(std::string& out, std::uint8_t attribute);
    void set_palette_colours(std::string& out, std::uint8_t attribute);
    void set_monochrome(std::string& out, std::uint8_t attribute);
    void append_full_block(std::string& out);

    bool sixteen_colours_;
    colour_depth depth_;
    bool synchronized_ = true;
    bool cursor_styles_ = false;
    std::optional<legacy_encoder> legacy_;
    screen_diff diff_{traits};
    int tx_ = -1, ty_ = -1;  // the terminal's cursor; -1 when not known
    sgr sgr_;
};

}  // namespace console_detail
