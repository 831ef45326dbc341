// What a Win32 console is told to bring it up to the screen model: a plan
// of console operations from the model and a shadow of what the console
// shows. The Win32 backend only carries the operations out, one console
// call each (a fill two: characters and attributes).
#pragma once

#include <cstdint>
#include <vector>

#include "screen_model.h"

namespace console_detail {

struct console_op {
    enum class kind : std::uint8_t {
        fill,             // the whole area blank in `attribute`
        scroll,           // rows `count` and on moved to row 0, the rows left blank in `attribute`
        write,            // `cells` from `column` on `row`, within that row
        cursor_position,  // to `column`, `row`
        cursor_shape,     // `count`: 0 hidden, 1 a full cell, 2 a quarter
        beep,
    } type;
    int row = 0, column = 0, count = 0;
    std::uint8_t attribute = 0;
    std::vector<cell> cells;
};

class screen_sync {
   public:
    // The most cells one write carries.
    static constexpr int longest_write = 80;

    // The area of the console that shows the screen (its window), as far as
    // a screen reaches (largest_screen_side); a change repaints everything.
    void set_console_size(int columns, int rows);
    int console_columns() const { return columns_; }
    int console_rows() const { return rows_; }
    // Forget what the console shows.
    void force_full_repaint();

    // The operations that bring the console to the model, in order; none
    // when nothing changed. Takes the model's beeps and recorded changes.
    // A console smaller than the model shows its top-left part and a
    // notice on the last row.
    std::vector<console_op> plan(screen_model& model);

    // How many rows at the top show the model.
    int shown_rows() const { return shown_rows_; }
    // Whether the last row holds the notice of a console too small.
    bool shows_notice() const { return shows_notice_; }

   private:
    std::uint32_t& shown(int column, int row) {
        return shown_[static_cast<std::size_t>(row * columns_ + column)];
    }
    void apply_change(const screen_change& change, bool may_fill, bool may_scroll,
                      std::vector<console_op>& ops);

    int columns_ = 80, rows_ = 25;
    std::vector<std::uint32_t> shown_ = std::vector<std::uint32_t>(80 * 25, unknown);
    int cursor_x_ = -1, cursor_y_ = -1;  // -1: not known
    int cursor_shape_ = -1;
    int shown_rows_ = 0;
    bool shows_notice_ = false;

    static constexpr std::uint32_t unknown = 0xFFFFFFFF;
};

}  // namespace console_detail
