#include "screen_sync.h"

#include <algorithm>
#include <string>

namespace console_detail {

namespace {

std::uint32_t cell_key(const cell& c) {
    return c.character | (static_cast<std::uint32_t>(c.attribute) << 8);
}

// Equal cells between two changed ones are written again when the gap is
// shorter than this: one call costs more than a few cells.
constexpr int bridged_gap = 8;

}  // namespace

void screen_sync::set_console_size(int columns, int rows) {
    columns = std::clamp(columns, 1, largest_screen_side);
    rows = std::clamp(rows, 1, largest_screen_side);
    if (columns == columns_ && rows == rows_) return;
    columns_ = columns;
    rows_ = rows;
    force_full_repaint();
}

void screen_sync::force_full_repaint() {
    shown_.assign(static_cast<std::size_t>(columns_ * rows_), unknown);
    cursor_x_ = cursor_y_ = cursor_shape_ = -1;
}

void screen_sync::apply_change(const screen_change& change, bool may_fill, bool may_scroll,
                               std::vector<console_op>& ops) {
    std::uint32_t blank = cell_key(cell{' ', change.attribute});
    bool fill = change.type == screen_change::kind::clear || (may_scroll && change.rows >= rows_);
    if (fill && may_fill) {
        ops.push_back({console_op::kind::fill, 0, 0, 0, change.attribute, {}});
        std::fill(shown_.begin(), shown_.end(), blank);
    } else if (!fill && may_scroll) {
        ops.push_back({console_op::kind::scroll, 0, 0, change.rows, change.attribute, {}});
        auto moved = static_cast<std::ptrdiff_t>(change.rows * columns_);
        std::move(shown_.begin() + moved, shown_.end(), shown_.begin());
        std::fill(shown_.end() - moved, shown_.end(), blank);
    }
}

std::vector<console_op> screen_sync::plan(screen_model& model) {
    std::vector<console_op> ops;
    const int model_columns = model.columns(), model_rows = model.rows();
    const bool too_small = model_columns > columns_ || model_rows > rows_;
    // A fill is worth it where the whole area shows the model (or the
    // notice); a scroll only where the area is the model.
    const bool may_fill = model_columns >= columns_ && model_rows >= rows_;
    const bool may_scroll = model_columns == columns_ && model_rows == rows_;
    for (const auto& change : model.take_changes()) apply_change(change, may_fill, may_scroll, ops);

    const int width = std::min(model_columns, columns_);
    const int height = std::min(model_rows, too_small ? rows_ - 1 : rows_);
    shown_rows_ = height;
    shows_notice_ = too_small;
    const std::string notice =
        too_small ? size_notice(model_columns, model_rows, columns_, rows_) : std::string();
    const cell outside{' ', static_cast<std::uint8_t>(model.state.normal_attribute)};
    auto target = [&](int x, int y) {
        if (too_small && y == rows_ - 1)
            return cell{static_cast<std::uint8_t>(notice[static_cast<std::size_t>(x)]),
                        notice_attribute};
        if (x < width && y < height) return model.at(x, y);
        return outside;
    };

    std::vector<cell> row(static_cast<std::size_t>(columns_));
    for (int y = 0; y < rows_; ++y) {
        for (int x = 0; x < columns_; ++x) row[static_cast<std::size_t>(x)] = target(x, y);
        auto differs = [&](int x) {
            return shown(x, y) != cell_key(row[static_cast<std::size_t>(x)]);
        };
        for (int x = 0; x < columns_;) {
            if (!differs(x)) {
                ++x;
                continue;
            }
            // A run ends at its last changed cell before a long gap, or at
            // the longest write.
            int end = x + 1, last_changed = x;
            while (end < columns_ && end - x < longest_write) {
                if (differs(end))
                    last_changed = end;
                else if (end - last_changed >= bridged_gap)
                    break;
                ++end;
            }
            end = last_changed + 1;
            console_op write{console_op::kind::write, y, x, end - x, 0, {}};
            write.cells.assign(row.begin() + x, row.begin() + end);
            for (int k = x; k < end; ++k) shown(k, y) = cell_key(row[static_cast<std::size_t>(k)]);
            ops.push_back(std::move(write));
            x = end;
        }
    }

    for (; model.beeps > 0; --model.beeps) ops.push_back({console_op::kind::beep, 0, 0, 0, 0, {}});
    bool show = model.cursor_visible && model.x < width && model.y < height;
    int shape = !show ? 0 : model.cursor_shape == 1 ? 1 : 2;
    if (show && (model.x != cursor_x_ || model.y != cursor_y_)) {
        ops.push_back({console_op::kind::cursor_position, model.y, model.x, 0, 0, {}});
        cursor_x_ = model.x;
        cursor_y_ = model.y;
    }
    if (shape != cursor_shape_) {
        ops.push_back({console_op::kind::cursor_shape, 0, 0, shape, 0, {}});
        cursor_shape_ = shape;
    }
    return ops;
}

}  // namespace console_detail
