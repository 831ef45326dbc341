// What a console is told to bring it up to the screen model: a short plan of
// operations from the model and a shadow of what the console shows. Each
// console only carries the operations out: a terminal as ECMA-48 bytes
// (renderer), a Win32 console as console calls.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "screen_model.h"

namespace console_detail {

struct screen_op {
    enum class kind : std::uint8_t {
        repaint,          // the whole console blank in its own colours, its cursor at 0, 0
        fill,             // the whole console blank in `attribute`
        scroll,           // rows `count` and on moved to row 0, the rows left blank
        write,            // `cells` from `column` on `row`, within that row
        cursor_position,  // to `column`, `row`
        cursor_shape,     // `count`: cursor_hidden, _full_cell (or just shown), _quarter_cell
        beep,
    } type;
    int row = 0, column = 0, count = 0;
    std::uint8_t attribute = 0;
    std::vector<cell> cells;
};

// What a console does with the operations, and which of them pay off.
struct console_traits {
    // A repaint starts from a blank console (a repaint operation); cells
    // beyond the model are left as that leaves them. Otherwise they are
    // written blank in the screen's normal colours.
    bool blank_repaint;
    // A clear of the whole screen is a fill.
    bool fills;
    // The rows a scroll leaves are blank in the scroll's attribute; else
    // not known (a terminal blanks them in its own colours).
    bool scroll_blanks_known;
    // Equal cells between two changed ones are written again when the gap
    // is shorter than this (1: never).
    int bridged_gap;
    int longest_write;
    // The cursor's shape: a full cell or a quarter; else only shown or not.
    bool cursor_shapes;
    // Writing cells moves the cursor: its place is given after each plan.
    bool writes_move_cursor;
};

class screen_diff {
   public:
    explicit screen_diff(console_traits traits) : traits_(traits) {}

    // The area of the console that shows the screen, as far as a screen
    // reaches (largest_screen_side); a change repaints everything.
    void set_console_size(int columns, int rows);
    int console_columns() const { return columns_; }
    int console_rows() const { return rows_; }
    // Forget what the console shows.
    void force_full_repaint();

    // The operations that bring the console to the model, in order; none
    // when nothing changed. Takes the model's beeps and recorded changes.
    // A console smaller than the model shows its top-left part and a
    // notice on the last row.
    std::vector<screen_op> plan(screen_model& model);

    // How many rows at the top show the model.
    int shown_rows() const { return shown_rows_; }
    // Where the cursor is left when the program ends: the row below the
    // screen, or the console's last row where there is none or where the
    // notice stands (a console too narrow may have rows between). That row
    // is then blanked, so neither the notice nor the screen's last row (the
    // reason the list can't be saved) outlives the program.
    struct exit_place {
        int row;
        bool blank;
    };
    exit_place exit_row() const {
        const int last_row = rows_ - 1;
        return {shows_notice_ ? last_row : std::min(shown_rows_, last_row),
                shows_notice_ || shown_rows_ > last_row};
    }

   private:
    std::uint32_t& shown(int column, int row) {
        return shown_[static_cast<std::size_t>(row * columns_ + column)];
    }
    void apply_changes(screen_model& model, bool may_fill, bool may_scroll,
                       std::vector<screen_op>& ops);
    void write_row(const std::vector<cell>& row, int y, int width, std::vector<screen_op>& ops);
    void place_cursor(const screen_model& model, int width, int height,
                      std::vector<screen_op>& ops);

    console_traits traits_;
    int columns_ = 80, rows_ = 25;
    std::vector<std::uint32_t> shown_ = std::vector<std::uint32_t>(80 * 25, unknown);
    bool repaint_ = true;
    int model_columns_ = 0, model_rows_ = 0;
    int cursor_x_ = -1, cursor_y_ = -1;  // -1: not known
    int cursor_shape_ = -1;
    int shown_rows_ = 0;
    bool shows_notice_ = false;

    static constexpr std::uint32_t unknown = 0xFFFFFFFF;
};

}  // namespace console_detail
