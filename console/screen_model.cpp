#include "screen_model.h"

#include <algorithm>

namespace console_detail {

namespace {
constexpr int tall_columns = 80;
// Modes 8..13 (40 columns) and 14..19 (80 columns) have these rows in turn.
constexpr int row_heights[] = {14, 21, 28, 43, 50, 60};

std::uint8_t clamp_size(int n) {
    return static_cast<std::uint8_t>(std::clamp(n, 1, largest_screen_side));
}
}  // namespace

screen_model::screen_model(int columns, int rows, std::uint8_t normal_attribute, int tall_rows)
    : start_columns_(clamp_size(columns)),
      start_rows_(clamp_size(rows)),
      tall_rows_(clamp_size(tall_rows)) {
    state.attribute = state.normal_attribute = normal_attribute;
    resize(start_columns_, start_rows_);
    // The mode that stands for the start-up size: 64, a colour mode, or 65.
    state.current_mode = 65;
    for (int mode : {64, 1, 3, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}) {
        int c = 0, r = 0;
        size_for(mode, c, r);
        if (c == start_columns_ && r == start_rows_) {
            state.current_mode = static_cast<std::int8_t>(mode);
            break;
        }
    }
}

void screen_model::resize(int columns, int rows) {
    std::vector<cell> resized(static_cast<std::size_t>(columns * rows));
    for (int r = 0; r < std::min(rows, static_cast<int>(state.screen_rows)); ++r)
        for (int c = 0; c < std::min(columns, static_cast<int>(state.screen_columns)); ++c)
            resized[static_cast<std::size_t>(r * columns + c)] = at(c, r);
    cells_ = std::move(resized);
    first_row_ = 0;
    changes_.clear();
    state.screen_columns = static_cast<std::uint8_t>(columns);
    state.screen_rows = static_cast<std::uint8_t>(rows);
    state.window_left = state.window_top = 0;
    state.window_right = static_cast<std::uint8_t>(columns - 1);
    state.window_bottom = static_cast<std::uint8_t>(rows - 1);
    x = std::min(x, columns - 1);
    y = std::min(y, rows - 1);
}

bool screen_model::size_for(int mode, int& columns, int& rows) const {
    if (mode == 64) {
        columns = tall_columns;
        rows = tall_rows_;
    } else if (mode == 65) {
        columns = start_columns_;
        rows = start_rows_;
    } else if (mode == 0 || mode == 1) {
        columns = 40;
        rows = 25;
    } else if (mode == 2 || mode == 3 || mode == 7) {
        columns = 80;
        rows = 25;
    } else if (mode >= 8 && mode <= 19) {
        columns = mode <= 13 ? 40 : 80;
        rows = row_heights[(mode - 8) % 6];
    } else {
        return false;
    }
    return true;
}

bool screen_model::set_mode(int mode) {
    if (mode == -1) mode = state.current_mode;
    int columns = 0, rows = 0;
    if (!size_for(mode, columns, rows)) return false;
    resize(columns, rows);
    state.current_mode = static_cast<std::int8_t>(mode);
    state.attribute = state.normal_attribute;
    return true;
}

void screen_model::set_foreground(int colour) {
    state.attribute = static_cast<std::uint16_t>((state.attribute & 0x70) | (colour & 0x8F));
}

void screen_model::set_background(int colour) {
    state.attribute = static_cast<std::uint16_t>((state.attribute & 0x8F) | ((colour * 16) & 0x70));
}

void screen_model::go_to(int column, int row) {
    int nx = state.window_left + column - 1;
    int ny = state.window_top + row - 1;
    if (nx < state.window_left || nx > state.window_right) return;
    if (ny < state.window_top || ny > state.window_bottom) return;
    x = nx;
    y = ny;
}

bool screen_model::window_is_screen() const {
    const auto& s = state;
    return s.window_left == 0 && s.window_top == 0 && s.window_right == columns() - 1 &&
           s.window_bottom == rows() - 1;
}

// A long text scrolls the screen once per row it fills: that must cost a
// row, not the whole screen. The program's window is always the screen; a
// smaller one moves its cells.
void screen_model::scroll_up() {
    const auto& s = state;
    if (window_is_screen()) {
        first_row_ = first_row_ + 1 == rows() ? 0 : first_row_ + 1;
        for (int c = 0; c < columns(); ++c)
            cells_[index(c, rows() - 1)] = cell{' ', static_cast<std::uint8_t>(s.attribute)};
        record({screen_change::kind::scroll, static_cast<std::uint8_t>(s.attribute), 1});
        return;
    }
    for (int r = s.window_top; r < s.window_bottom; ++r)
        for (int c = s.window_left; c <= s.window_right; ++c)
            cells_[index(c, r)] = cells_[index(c, r + 1)];
    for (int c = s.window_left; c <= s.window_right; ++c)
        cells_[index(c, s.window_bottom)] = cell{' ', static_cast<std::uint8_t>(s.attribute)};
}

// After each byte: wrap at the window's right edge, scroll at its bottom.
void screen_model::after_character() {
    const auto& s = state;
    if (x > s.window_right) {
        x = s.window_left;
        ++y;
    }
    if (y > s.window_bottom) {
        scroll_up();
        --y;
    }
}

// Cells are written as they come; a run of cells in the console's sense is
// only a unit of screen update, which the terminal output does by itself.
void screen_model::print(std::string_view bytes) {
    const auto& s = state;
    for (char ch : bytes) {
        auto b = static_cast<unsigned char>(ch);
        if (b == 7) {
            ++beeps;
        } else if (b == 8) {
            if (x > s.window_left) --x;
        } else if (b == 10) {
            ++y;
        } else if (b == 13) {
            x = s.window_left;
        } else {
            cells_[index(x, y)] = cell{b, static_cast<std::uint8_t>(s.attribute)};
            ++x;
        }
        after_character();
    }
}

void screen_model::put_text(std::string_view bytes) {
    for (char ch : bytes) {
        cells_[index(x, y)] =
            cell{static_cast<unsigned char>(ch), static_cast<std::uint8_t>(state.attribute)};
        ++x;
        after_character();
    }
}

void screen_model::clear() {
    const auto& s = state;
    if (window_is_screen())
        record({screen_change::kind::clear, static_cast<std::uint8_t>(s.attribute)});
    for (int r = s.window_top; r <= s.window_bottom; ++r)
        for (int c = s.window_left; c <= s.window_right; ++c)
            cells_[index(c, r)] = cell{' ', static_cast<std::uint8_t>(s.attribute)};
    go_to(1, 1);
}

// Scrolls in one colour add up; as many rows as the screen has leave it as
// a clear does; a clear makes everything before it moot.
void screen_model::record(screen_change change) {
    constexpr std::size_t most = 16;  // past this, writing the cells is as cheap
    if (change.type == screen_change::kind::clear) changes_.clear();
    if (change.type == screen_change::kind::scroll && !changes_.empty() &&
        changes_.back().type == screen_change::kind::scroll &&
        changes_.back().attribute == change.attribute) {
        change.rows += changes_.back().rows;
        changes_.pop_back();
    }
    if (change.type == screen_change::kind::scroll && change.rows >= rows()) {
        changes_.clear();
        change = {screen_change::kind::clear, change.attribute};
    }
    if (changes_.size() == most) changes_.clear();
    changes_.push_back(change);
}

int screen_model::tall_size_columns() const { return tall_columns; }

std::string size_notice(int screen_columns, int screen_rows, int columns, int rows) {
    std::string text = " Vinduet er for lille: brug " + std::to_string(screen_columns) + " x " +
                       std::to_string(screen_rows) + " tegn (nu " + std::to_string(columns) +
                       " x " + std::to_string(rows) + ")";
    text.resize(static_cast<std::size_t>(std::max(columns, 0)), ' ');
    return text;
}

void screen_model::set_cursor_shape(int shape) {
    cursor_shape = shape;
    cursor_visible = shape != cursor_hidden;
}

}  // namespace console_detail
