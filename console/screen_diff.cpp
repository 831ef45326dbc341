#include "screen_diff.h"

#include <algorithm>
#include <string>

namespace console_detail {

namespace {

std::uint32_t cell_key(const cell& c) {
    return c.character | (static_cast<std::uint32_t>(c.attribute) << 8);
}

}  // namespace

void screen_diff::set_console_size(int columns, int rows) {
    columns = std::clamp(columns, 1, largest_screen_side);
    rows = std::clamp(rows, 1, largest_screen_side);
    if (columns == columns_ && rows == rows_) return;
    columns_ = columns;
    rows_ = rows;
    force_full_repaint();
}

void screen_diff::force_full_repaint() {
    shown_.assign(static_cast<std::size_t>(columns_ * rows_), unknown);
    cursor_x_ = cursor_y_ = cursor_shape_ = -1;
    repaint_ = true;
}

// Clears and scrolls of the whole screen done again on the console, where
// that is cheaper than writing the cells: a fill where the whole console
// shows the model (or the notice), a scroll only where the console is the
// model.
void screen_diff::apply_changes(screen_model& model, bool may_fill, bool may_scroll,
                                std::vector<screen_op>& ops) {
    for (const auto& change : model.take_changes()) {
        std::uint32_t blank = cell_key(cell{' ', change.attribute});
        bool fill =
            change.type == screen_change::kind::clear || (may_scroll && change.rows >= rows_);
        if (fill && may_fill && traits_.fills) {
            ops.push_back({screen_op::kind::fill, 0, 0, 0, change.attribute, {}});
            std::fill(shown_.begin(), shown_.end(), blank);
        } else if (fill && !traits_.fills) {
            return;  // the cells that follow a clear are written anyway
        } else if (!fill && may_scroll) {
            ops.push_back({screen_op::kind::scroll, 0, 0, change.rows, change.attribute, {}});
            auto moved = static_cast<std::ptrdiff_t>(change.rows * columns_);
            std::move(shown_.begin() + moved, shown_.end(), shown_.begin());
            std::fill(shown_.end() - moved, shown_.end(),
                      traits_.scroll_blanks_known ? blank : unknown);
        }
    }
}

// The row's cells from 0 to `width` that differ from the console, as runs:
// a run ends at its last changed cell before a long gap, or at the longest
// write.
void screen_diff::write_row(const std::vector<cell>& row, int y, int width,
                            std::vector<screen_op>& ops) {
    auto differs = [&](int x) { return shown(x, y) != cell_key(row[static_cast<std::size_t>(x)]); };
    for (int x = 0; x < width;) {
        if (!differs(x)) {
            ++x;
            continue;
        }
        int end = x + 1, last_changed = x;
        while (end < width && end - x < traits_.longest_write) {
            if (differs(end))
                last_changed = end;
            else if (end - last_changed >= traits_.bridged_gap)
                break;
            ++end;
        }
        end = last_changed + 1;
        screen_op write{screen_op::kind::write, y, x, end - x, 0, {}};
        write.cells.assign(row.begin() + x, row.begin() + end);
        for (int k = x; k < end; ++k) shown(k, y) = cell_key(row[static_cast<std::size_t>(k)]);
        ops.push_back(std::move(write));
        x = end;
    }
}

// The cursor shows where the model has it, when that cell shows the model.
void screen_diff::place_cursor(const screen_model& model, int width, int height,
                               std::vector<screen_op>& ops) {
    bool show = model.cursor_visible && model.x < width && model.y < height;
    int shape = !show ? cursor_hidden
                : !traits_.cursor_shapes || model.cursor_shape == cursor_full_cell
                    ? cursor_full_cell
                    : cursor_quarter_cell;
    bool moved = model.x != cursor_x_ || model.y != cursor_y_;
    if (show && (moved || traits_.writes_move_cursor)) {
        ops.push_back({screen_op::kind::cursor_position, model.y, model.x, 0, 0, {}});
        cursor_x_ = model.x;
        cursor_y_ = model.y;
    }
    if (shape != cursor_shape_) {
        ops.push_back({screen_op::kind::cursor_shape, 0, 0, shape, 0, {}});
        cursor_shape_ = shape;
    }
}

std::vector<screen_op> screen_diff::plan(screen_model& model) {
    std::vector<screen_op> ops;
    const int model_columns = model.columns(), model_rows = model.rows();
    // Cells a smaller model no longer covers are blanked by a repaint.
    if (traits_.blank_repaint && (model_columns < model_columns_ || model_rows < model_rows_))
        force_full_repaint();
    model_columns_ = model_columns;
    model_rows_ = model_rows;
    const bool too_small = model_columns > columns_ || model_rows > rows_;
    if (repaint_ && traits_.blank_repaint) {
        ops.push_back({screen_op::kind::repaint, 0, 0, 0, 0, {}});
        model.take_changes();
    } else {
        apply_changes(model, model_columns >= columns_ && model_rows >= rows_,
                      model_columns == columns_ && model_rows == rows_, ops);
    }
    repaint_ = false;

    const int width = std::min(model_columns, columns_);
    // The rows above the notice show the screen's top part, and its last
    // row (where the program says why the list can't be saved) above the
    // notice, so both are read on any size that shows the screen at all.
    const int room = too_small ? rows_ - 1 : rows_;
    const bool keeps_last_row = model_rows > room && room >= 2;
    const int height = std::min(model_rows, keeps_last_row ? room - 1 : room);
    shown_rows_ = keeps_last_row ? room : height;
    shows_notice_ = too_small;
    const int written_width = traits_.blank_repaint ? width : columns_;
    const cell outside{' ', static_cast<std::uint8_t>(model.state.normal_attribute)};
    std::vector<cell> row(static_cast<std::size_t>(columns_), outside);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) row[static_cast<std::size_t>(x)] = model.at(x, y);
        write_row(row, y, written_width, ops);
    }
    if (keeps_last_row) {
        for (int x = 0; x < width; ++x)
            row[static_cast<std::size_t>(x)] = model.at(x, model_rows - 1);
        write_row(row, room - 1, written_width, ops);
    }
    for (int x = 0; x < width; ++x) row[static_cast<std::size_t>(x)] = outside;
    if (!traits_.blank_repaint)
        for (int y = height; y < room - (keeps_last_row ? 1 : 0); ++y)
            write_row(row, y, columns_, ops);
    if (too_small) {
        // It asks for the main screen's size, also while a smaller start-up
        // screen is shown.
        std::string notice =
            size_notice(model.tall_size_columns(), model.tall_size_rows(), columns_, rows_);
        for (int x = 0; x < columns_; ++x)
            row[static_cast<std::size_t>(x)] = {
                static_cast<std::uint8_t>(notice[static_cast<std::size_t>(x)]), notice_attribute};
        write_row(row, rows_ - 1, columns_, ops);
    }

    for (; model.beeps > 0; --model.beeps) ops.push_back({screen_op::kind::beep, 0, 0, 0, 0, {}});
    place_cursor(model, width, height, ops);
    return ops;
}

}  // namespace console_detail
