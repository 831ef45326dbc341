#include "win32_device.h"

#include <algorithm>
#include <optional>

#include "code_page_850.h"
#include "screen_diff.h"

namespace console_detail {

namespace {

// The class of the hidden window a pseudo console gives GetConsoleWindow.
constexpr const char* pseudo_console_class = "PseudoConsoleWindow";
// The cursor's sizes, in percent of a cell (1: the smallest, shown hidden).
constexpr int cursor_size_full = 100, cursor_size_quarter = 25, cursor_size_hidden = 1;

// A console whose display shows no more than 43 rows is made 43 rows tall
// in mode 64 instead of 50: it shows the screen's top part and the notice.
constexpr int short_display_rows = 43;
constexpr int tall_console_rows(int display_rows) {
    return display_rows > short_display_rows ? backend::tall_rows : short_display_rows;
}

// The console in a screen buffer of the program's own while it runs, the
// user's buffer (its size, text, scroll-back and cursor) left as it was and
// made active again at the close.
class win32_device final : public console_device {
   public:
    win32_device(const console_calls& calls, console_calls::handle in, console_calls::handle out,
                 std::uint32_t start_input_mode, const buffer_info& start)
        : calls_(calls),
          in_(in),
          out_(out),
          screen_(out),
          start_input_mode_(start_input_mode),
          start_(start),
          kind_(kind_of(calls.window())) {
        calls_.cursor_shape(out_, start_cursor_size_, start_cursor_visible_);
        take_own_buffer();
        // Keys typed ahead are raw key events from the start: a console in
        // line mode (Wine's terminal) would echo them and hold them back.
        calls_.set_mode(in_, win32::enable_window_input);
        calls_.breaks_as_keys(true);
        take_window();
        int columns = 0, rows = 0;
        calls_.largest_window(screen_, columns, rows);
        tall_rows_ = tall_console_rows(rows);
    }

    int columns() const { return diff_.console_columns(); }
    int rows() const { return diff_.console_rows(); }

    void close(screen_model& model) override {
        if (screen_ != out_) {
            give_back_buffer();
        } else {
            leave_screen_readable(model);
        }
        calls_.set_mode(in_, start_input_mode_);
        calls_.breaks_as_keys(false);
        calls_.close(in_);
        calls_.close(out_);
    }

    // Only the classic console's window follows its buffer: it is brought to
    // the mode's size (buffer, window, buffer), so buffer and window are that
    // size exactly and nothing scrolls, then read back, and what it refused
    // shows in what there is. A pseudo console would echo the size and pile
    // the rows beyond its terminal's on its last row, so its window is taken
    // as found, as is one that no window shows.
    void mode_changed(screen_model& model) override {
        int columns = model.columns();
        int rows = model.state.current_mode == 64 ? tall_rows_ : model.rows();
        if (kind_ == console_kind::classic && fits_display(columns, rows)) switch_to(columns, rows);
        take_window();
    }

    void flush(screen_model& model) override {
        // The window is looked at anew each time (Wine reports no resize):
        // a new size or place is painted anew.
        take_window();
        for (const auto& op : diff_.plan(model)) {
            // A call that failed leaves the console unknown: the next flush
            // writes everything again.
            if (!run(op)) diff_.force_full_repaint();
        }
    }

    std::optional<key_press> read_key(screen_model& model) override;

    bool owns_stdout() override { return calls_.stdout_is_console(); }

    const console_calls& calls() const { return calls_; }
    console_calls::handle input() const { return in_; }
    void force_full_repaint() { diff_.force_full_repaint(); }

   private:
    void take_own_buffer() {
        console_calls::handle own = calls_.create_buffer();
        if (!own) return;
        if (!calls_.activate(own)) {
            calls_.close(own);
            return;
        }
        screen_ = own;
    }

    // The user's buffer active again, as it was; the classic console's window
    // back at its size (a pseudo console's follows its terminal).
    void give_back_buffer() {
        calls_.activate(out_);
        calls_.close(screen_);
        screen_ = out_;
        if (kind_ == console_kind::classic)
            calls_.set_window(out_, start_.left, start_.top, start_.right, start_.bottom);
    }

    // Drawn in the user's buffer (no buffer of its own could be made): the
    // cursor visible below the screen, or on the window's last row, blanked,
    // so what follows is written under the screen and never into it.
    void leave_screen_readable(screen_model& model) {
        const auto end = diff_.exit_row();
        if (end.blank)
            calls_.fill(screen_, origin_x_, origin_y_ + end.row, diff_.console_columns(),
                        model.state.normal_attribute);
        calls_.set_cursor(screen_, origin_x_, origin_y_ + end.row);
        calls_.set_cursor_shape(screen_, start_cursor_size_, true);
    }

    // The buffer holds both the old window and the new one first (a buffer
    // smaller than its window and a window beyond its buffer are refused),
    // so a wide short window becomes a narrow tall one too.
    void switch_to(int columns, int rows) {
        buffer_info now;
        if (!calls_.buffer(screen_, now)) return;
        calls_.set_buffer_size(screen_, std::max(columns, now.window_columns()),
                               std::max(rows, now.window_rows()));
        if (calls_.set_window(screen_, 0, 0, columns - 1, rows - 1))
            calls_.set_buffer_size(screen_, columns, rows);
    }

    // Whether the display can show a window of this size. Windows refuses a
    // larger one; Wine takes it but its terminal shows only the top of it.
    bool fits_display(int columns, int rows) {
        int largest_columns = 0, largest_rows = 0;
        calls_.largest_window(screen_, largest_columns, largest_rows);
        if (largest_columns <= 0 || largest_rows <= 0) return true;  // not known
        return columns <= largest_columns && rows <= largest_rows;
    }

    // Where the screen goes: the console's window as it is now, no more of it
    // than the display shows.
    void take_window() {
        buffer_info info;
        if (!calls_.buffer(screen_, info)) return;
        // A window scrolled elsewhere in the buffer shows other cells.
        if (info.left != origin_x_ || info.top != origin_y_) diff_.force_full_repaint();
        origin_x_ = info.left;
        origin_y_ = info.top;
        buffer_columns_ = info.columns;
        int columns = info.window_columns(), rows = info.window_rows();
        int largest_columns = 0, largest_rows = 0;
        calls_.largest_window(screen_, largest_columns, largest_rows);
        if (largest_columns > 0) columns = std::min(columns, largest_columns);
        if (largest_rows > 0) rows = std::min(rows, largest_rows);
        diff_.set_console_size(columns, rows);
    }

    bool run(const screen_op& op) {
        const int columns = diff_.console_columns(), rows = diff_.console_rows();
        switch (op.type) {
            case screen_op::kind::fill:
                // From the window's first cell to its last, whatever the buffer's width.
                return calls_.fill(screen_, origin_x_, origin_y_,
                                   buffer_columns_ * (rows - 1) + columns, op.attribute);
            case screen_op::kind::scroll:
                // Rows n and on moved to the top, within the buffer: Wine refuses
                // a move of the whole window above its first row.
                return calls_.scroll(screen_, origin_x_, origin_y_ + op.count,
                                     origin_x_ + columns - 1, origin_y_ + rows - 1, origin_x_,
                                     origin_y_, op.attribute);
            case screen_op::kind::write: {
                int n = std::min(op.count, win32_traits.longest_write);
                std::vector<glyph_cell> cells(static_cast<std::size_t>(n));
                for (std::size_t k = 0; k < cells.size(); ++k) {
                    const cell& c = op.cells[k];
                    cells[k] = {static_cast<char16_t>(code_page_850::cell_glyph(c.character)),
                                c.attribute};
                }
                return calls_.write(screen_, origin_x_ + op.column, origin_y_ + op.row, cells);
            }
            case screen_op::kind::cursor_position:
                return calls_.set_cursor(screen_, origin_x_ + op.column, origin_y_ + op.row);
            case screen_op::kind::cursor_shape:
                return calls_.set_cursor_shape(screen_,
                                               op.count == cursor_full_cell ? cursor_size_full
                                               : op.count == cursor_quarter_cell
                                                   ? cursor_size_quarter
                                                   : cursor_size_hidden,
                                               op.count != cursor_hidden);
            case screen_op::kind::beep: calls_.beep(); return true;
            case screen_op::kind::repaint: return true;  // not planned for a Win32 console
        }
        return true;
    }

    console_calls calls_;
    console_calls::handle in_, out_;
    console_calls::handle screen_;  // the buffer drawn in: the program's own, or out_
    std::uint32_t start_input_mode_;
    buffer_info start_;
    console_kind kind_;
    int start_cursor_size_ = cursor_size_quarter;
    bool start_cursor_visible_ = true;
    int origin_x_ = 0, origin_y_ = 0;  // the buffer cell at the window's top-left: the screen's
    int buffer_columns_ = 80;
    // The rows of the console's window in mode 64 (tall_console_rows).
    int tall_rows_ = backend::tall_rows;
    screen_diff diff_{win32_traits};
};

// A key read on the console's input; a resized window is shown anew at
// once, not only after the next key.
class device_input final : public console_input {
   public:
    device_input(win32_device& device, screen_model& model) : device_(device), model_(model) {}

    bool get_mode(std::uint32_t& mode) override {
        return device_.calls().get_mode(device_.input(), mode);
    }
    bool set_mode(std::uint32_t mode) override {
        return device_.calls().set_mode(device_.input(), mode);
    }
    bool read_event(input_event& event) override {
        return device_.calls().read_event(device_.input(), event);
    }
    void window_resized() override {
        device_.force_full_repaint();
        device_.flush(model_);
    }

   private:
    win32_device& device_;
    screen_model& model_;
};

std::optional<key_press> win32_device::read_key(screen_model& model) {
    flush(model);
    device_input input(*this, model);
    return read_console_key(input);
}

}  // namespace

console_kind kind_of(const console_window& window) {
    if (window.class_name == pseudo_console_class) return console_kind::pseudo;
    if (!window.exists || !window.visible) return console_kind::hidden;
    return console_kind::classic;
}

std::unique_ptr<console_device> open_win32_device(const console_calls& calls,
                                                  console_calls::handle in,
                                                  console_calls::handle out,
                                                  backend::start_up& found) {
    buffer_info start;
    std::uint32_t input_mode = 0;
    if (!calls.buffer(out, start) || !calls.get_mode(in, input_mode)) return nullptr;
    auto device = std::make_unique<win32_device>(calls, in, out, input_mode, start);
    found.columns = device->columns();
    found.rows = device->rows();
    found.normal_attribute = static_cast<std::uint8_t>(start.attribute & 0xFF);
    found.tall_rows = backend::tall_rows;
    return device;
}

}  // namespace console_detail
