// The console screen as cells in memory: what the program has drawn, in the
// console's own terms. The terminal only mirrors it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"

namespace console_detail {

// The window, colours and mode, in the console's own fields.
struct console_state {
    std::uint8_t window_left;
    std::uint8_t window_top;
    std::uint8_t window_right;
    std::uint8_t window_bottom;
    std::uint16_t attribute;
    std::uint16_t normal_attribute;
    std::int8_t current_mode;
    std::uint8_t screen_rows;
    std::uint8_t screen_columns;
};

struct cell {
    std::uint8_t character = ' ';
    std::uint8_t attribute = 0x07;
    bool operator==(const cell&) const = default;
};

// A clear or a scroll of the whole screen. A console that can fill and
// scroll its buffer repeats them instead of writing every cell again.
struct screen_change {
    enum class kind : std::uint8_t { clear, scroll } type;
    std::uint8_t attribute;  // of the blank cells it leaves
    int rows = 0;            // scrolled up
    bool operator==(const screen_change&) const = default;
};

class screen_model {
   public:
    // The start-up screen; mode 64 is 80 columns by `tall_rows` (the
    // program's 50; a console that shows fewer shows the screen's top part).
    screen_model(int columns, int rows, std::uint8_t normal_attribute = 0x07, int tall_rows = 50);

    console_state state{};
    int x = 0, y = 0;  // the cursor, 0-based screen position
    bool cursor_visible = true;
    int cursor_shape = cursor_quarter_cell;
    int beeps = 0;  // beeps not yet sounded

    int columns() const { return state.screen_columns; }
    int rows() const { return state.screen_rows; }
    // The size mode 64 stands for: what the program's main screen needs.
    int tall_size_columns() const;
    int tall_size_rows() const { return tall_rows_; }
    const cell& at(int column, int row) const { return cells_[index(column, row)]; }

    // False for a number that matches no mode (nothing changes).
    bool set_mode(int mode);
    void set_foreground(int colour);
    void set_background(int colour);
    void go_to(int column, int row);
    void print(std::string_view bytes);
    // Every byte fills one cell, control bytes as their glyphs.
    void put_text(std::string_view bytes);
    void clear();
    void set_cursor_shape(int shape);

    // The whole-screen clears and scrolls since the last call, oldest first.
    // Only a shortcut: a list too long to be worth it is dropped, and a
    // console that ignores it still gets every cell right from the cells.
    std::vector<screen_change> take_changes() { return std::move(changes_); }

   private:
    // Screen row r is stored row r + first_row_ (round the end), so a
    // scroll of the whole screen moves no cells.
    std::size_t index(int column, int row) const {
        int r = row + first_row_;
        if (r >= rows()) r -= rows();
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(columns()) +
               static_cast<std::size_t>(column);
    }
    bool window_is_screen() const;
    void resize(int columns, int rows);
    void scroll_up();
    void after_character();
    bool size_for(int mode, int& columns, int& rows) const;

    void record(screen_change change);

    std::vector<cell> cells_;
    int first_row_ = 0;
    std::vector<screen_change> changes_;
    int start_columns_, start_rows_;
    int tall_rows_;
};

// The most columns or rows a screen has (its sizes are 8-bit). A terminal
// or console may report more (a window of 65535 x 65535); past this no cell
// shows the screen, so that is all of it there is to keep track of.
inline constexpr int largest_screen_side = 255;

// The line on the last row of a console too small for the screen, as wide
// as the console, in white on red.
std::string size_notice(int screen_columns, int screen_rows, int columns, int rows);
inline constexpr std::uint8_t notice_attribute = 0x4F;

}  // namespace console_detail
