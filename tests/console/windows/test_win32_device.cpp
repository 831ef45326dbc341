// The Win32 console device on the three consoles katsort.exe meets, each
// modelled from what is documented or measured of its calls: the classic
// console window, a pseudo console (Windows Terminal, ssh, VS Code) and
// Wine's terminal. At each start-up size and after a resize: what the
// operator sees (the whole 80 x 50 screen, or its top-left part with the
// notice, never rows piled), and the console as found after the close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "code_page_850.h"
#include "screen_model.h"
#include "win32_device.h"

using namespace console_detail;

namespace {

enum class kind { classic, pseudo, wine };

constexpr std::uint32_t shell_input_mode = 0x1F7;  // processed, line and echo input
constexpr std::uint32_t window_input = 0x8;
// The largest window Windows gives: from the monitor and font, not a tab.
constexpr int monitor_columns = 240, monitor_rows = 80;
constexpr int conhost_buffer_rows = 300;  // the classic console's scroll-back

// A screen buffer with its window and cursor; also what the operator sees.
struct buffer {
    int columns = 0, rows = 0;
    int left = 0, top = 0, window_columns = 0, window_rows = 0;
    std::vector<glyph_cell> cells;
    int cursor_x = 0, cursor_y = 0, cursor_size = 25;
    bool cursor_visible = true;

    buffer(int c, int r, int wc, int wr)
        : columns(c),
          rows(r),
          window_columns(wc),
          window_rows(wr),
          cells(static_cast<std::size_t>(c * r)) {}
    bool operator==(const buffer&) const = default;
    glyph_cell& at(int x, int y) { return cells[static_cast<std::size_t>(y * columns + x)]; }
    // The cells kept from the top-left, the window within.
    void resize(int c, int r) {
        buffer kept(c, r, std::min(window_columns, c), std::min(window_rows, r));
        for (int y = 0; y < std::min(r, rows); ++y)
            for (int x = 0; x < std::min(c, columns); ++x) kept.at(x, y) = at(x, y);
        columns = c;
        rows = r;
        cells = std::move(kept.cells);
        window_columns = kept.window_columns;
        window_rows = kept.window_rows;
        left = std::min(left, c - window_columns);
        top = std::min(top, r - window_rows);
    }
};

// One console and what shows it.
//  classic: its own visible window shows the active buffer's window. The
//    buffer can't be smaller than the window, the window can't leave the
//    buffer or outgrow the monitor (Microsoft Learn, SetConsoleScreenBufferSize
//    and SetConsoleWindowInfo); a new buffer is the window's size
//    (CreateConsoleScreenBuffer). Enlarging the window enlarges the buffer,
//    a size event in window-aware input (WINDOW_BUFFER_SIZE_RECORD).
//  pseudo: a terminal of its own size draws the active buffer row by row, a
//    row below its last on its last (VtIo.cpp); the size calls succeed and
//    echo (getset.cpp); the largest window comes from the monitor
//    (WindowMetrics.cpp); GetConsoleWindow gives a hidden PseudoConsoleWindow.
//    A resize of the terminal resizes the active buffer, an event as above.
//  wine (measured, Wine 8): the pty is the window and the largest window;
//    a hidden WineConsoleClass window; a new buffer has the window's size,
//    and switching buffers draws the new active one; a resize of the pty
//    reaches the console not at all.
class console {
   public:
    console(kind k, int columns, int rows)
        : kind_(k),
          columns_(columns),
          rows_(rows),
          user_(&buffers_.emplace_back(columns, k == kind::classic ? conhost_buffer_rows : rows,
                                       columns, rows)),
          active_(user_) {
        // The shell's earlier output, the cursor under it.
        const std::u16string earlier = u"C:\\auktion> dir";
        for (int y = 0; y < 4; ++y)
            for (std::size_t x = 0; x < earlier.size(); ++x)
                user_->at(static_cast<int>(x), y) = {earlier[x], 0x07};
        user_->cursor_y = 4;
    }

    console_calls::handle input() { return &input_; }
    buffer* user() { return user_; }
    bool user_buffer_active() const { return active_ == user_; }
    std::uint32_t input_mode() const { return mode_; }
    const buffer& seen_at_key() const { return seen_at_key_; }

    // The operator makes the window (tab, pty) this size while the program runs.
    void resize(int columns, int rows) {
        columns_ = columns;
        rows_ = rows;
        if (kind_ == kind::wine) return;
        buffer& b = *active_;
        b.resize(kind_ == kind::pseudo ? columns : std::max(b.columns, columns),
                 kind_ == kind::pseudo ? rows : std::max(b.rows, rows));
        b.window_columns = columns;
        b.window_rows = rows;
        b.left = b.top = 0;
        if (mode_ & window_input) events_.push_back({input_event::kind::window_size});
    }
    void press_escape() { events_.push_back({input_event::kind::key, true, 1, 0x1B}); }
    // CreateConsoleScreenBuffer fails from now on.
    void refuse_buffers() { refuses_buffers_ = true; }

    // The classic console's window shows the active buffer's; a terminal of
    // its own size draws it from its top-left.
    buffer seen() const {
        buffer b = *active_;
        bool own_size = kind_ != kind::classic;
        buffer v(own_size ? columns_ : b.window_columns, own_size ? rows_ : b.window_rows, 0, 0);
        for (int y = 0; y < b.window_rows; ++y) {
            int to = kind_ == kind::pseudo ? std::min(y, v.rows - 1) : y;  // piled
            for (int x = 0; x < std::min(b.window_columns, v.columns) && to < v.rows; ++x)
                v.at(x, to) = b.at(b.left + x, b.top + y);
        }
        return v;
    }

    console_calls calls() {
        console_calls c;
        auto as_buffer = [](void* h) -> buffer& { return *static_cast<buffer*>(h); };
        auto largest = [this](int& columns, int& rows) {
            columns = kind_ == kind::wine ? columns_ : monitor_columns;
            rows = kind_ == kind::wine ? rows_ : monitor_rows;
        };
        c.buffer = [=](void* h, buffer_info& i) {
            buffer& b = as_buffer(h);
            i = {b.columns,
                 b.rows,
                 b.left,
                 b.top,
                 b.left + b.window_columns - 1,
                 b.top + b.window_rows - 1,
                 b.cursor_x,
                 b.cursor_y,
                 0x07};
            return true;
        };
        c.largest_window = [=](void*, int& columns, int& rows) { largest(columns, rows); };
        c.set_buffer_size = [=, this](void* h, int columns, int rows) {
            buffer& b = as_buffer(h);
            int most_columns = 0, most_rows = 0;
            largest(most_columns, most_rows);
            if (kind_ != kind::pseudo && (columns < b.window_columns || rows < b.window_rows))
                return false;
            if (kind_ == kind::wine && (columns > most_columns || rows > most_rows)) return false;
            b.resize(columns, rows);
            return true;
        };
        c.set_window = [=, this](void* h, int left, int top, int right, int bottom) {
            buffer& b = as_buffer(h);
            int most_columns = 0, most_rows = 0;
            largest(most_columns, most_rows);
            if (kind_ != kind::pseudo &&
                (right >= b.columns || bottom >= b.rows || right - left >= most_columns ||
                 bottom - top >= most_rows))
                return false;
            b.resize(std::max(b.columns, right + 1), std::max(b.rows, bottom + 1));
            b.left = left;
            b.top = top;
            b.window_columns = right - left + 1;
            b.window_rows = bottom - top + 1;
            return true;
        };
        c.create_buffer = [this]() -> void* {
            if (refuses_buffers_) return nullptr;
            int columns = active_->window_columns, rows = active_->window_rows;
            return &buffers_.emplace_back(columns, rows, columns, rows);
        };
        c.activate = [=, this](void* h) {
            active_ = &as_buffer(h);
            return true;
        };
        c.close = [](void*) {};
        c.write = [=](void* h, int column, int row, const std::vector<glyph_cell>& cells) {
            for (std::size_t k = 0; k < cells.size(); ++k)
                as_buffer(h).at(column + static_cast<int>(k), row) = cells[k];
            return true;
        };
        c.fill = [=](void* h, int column, int row, int count, std::uint16_t attribute) {
            buffer& b = as_buffer(h);
            std::fill_n(b.cells.begin() + row * b.columns + column, count,
                        glyph_cell{u' ', attribute});
            return true;
        };
        c.scroll = [](auto...) { return false; };  // the screen here never scrolls
        c.set_cursor = [=](void* h, int column, int row) {
            as_buffer(h).cursor_x = column;
            as_buffer(h).cursor_y = row;
            return true;
        };
        c.set_cursor_shape = [=](void* h, int size, bool visible) {
            as_buffer(h).cursor_size = size;
            as_buffer(h).cursor_visible = visible;
            return true;
        };
        c.cursor_shape = [=](void* h, int& size, bool& visible) {
            size = as_buffer(h).cursor_size;
            visible = as_buffer(h).cursor_visible;
            return true;
        };
        c.get_mode = [this](void*, std::uint32_t& mode) {
            mode = mode_;
            return true;
        };
        c.set_mode = [this](void*, std::uint32_t mode) {
            mode_ = mode;
            return true;
        };
        c.read_event = [this](void*, input_event& e) {
            if (events_.empty()) return false;
            e = events_.front();
            events_.pop_front();
            if (e.type == input_event::kind::key) seen_at_key_ = seen();
            return true;
        };
        c.window = [this] {
            if (kind_ == kind::classic) return console_window{true, true, "ConsoleWindowClass"};
            if (kind_ == kind::pseudo) return console_window{true, false, "PseudoConsoleWindow"};
            return console_window{true, false, "WineConsoleClass"};
        };
        c.beep = [] {};
        c.stdout_is_console = [] { return true; };
        c.breaks_as_keys = [](bool) {};
        return c;
    }

   private:
    kind kind_;
    int columns_, rows_;  // the window, tab or pty the operator looks at
    std::deque<buffer> buffers_;
    buffer* user_;
    buffer* active_;
    int input_ = 0;
    std::uint32_t mode_ = shell_input_mode;
    std::deque<input_event> events_;
    buffer seen_at_key_{0, 0, 0, 0};
    bool refuses_buffers_ = false;
};

// The main screen's stand-in: every row its own text, the last column too.
void draw(screen_model& m) {
    m.set_background(7);
    m.clear();
    for (int row = 1; row <= m.rows(); ++row) {
        char text[8];
        std::snprintf(text, sizeof text, "R%02d", row);
        m.go_to(1, row);
        m.print(text);
        m.go_to(79, row);
        m.print("|");
    }
}

// Whether the operator sees the model's screen, as far as `rows` rows and,
// if fewer than the screen's, the notice of a console of columns x rows on
// the last of them: the first row that differs.
std::string differences(buffer seen, const screen_model& m, int columns, int rows) {
    const bool whole = rows >= m.rows();
    if (seen.rows < std::min(rows, m.rows())) return "a view of " + std::to_string(seen.rows);
    // Too small: the top rows, the last row above the notice.
    for (int y = 0; y < (whole ? m.rows() : rows - 1); ++y) {
        const int from = whole || y < rows - 2 ? y : m.rows() - 1;
        for (int x = 0; x < std::min(seen.columns, m.columns()); ++x)
            if (seen.at(x, y) != glyph_cell{static_cast<char16_t>(
                                                code_page_850::cell_glyph(m.at(x, from).character)),
                                            m.at(x, from).attribute})
                return "row " + std::to_string(y);
    }
    std::string notice =
        whole ? "" : size_notice(m.tall_size_columns(), m.tall_size_rows(), columns, rows);
    for (std::size_t x = 0; x < notice.size(); ++x)
        if (seen.at(static_cast<int>(x), rows - 1).character !=
            code_page_850::cell_glyph(static_cast<std::uint8_t>(notice[x])))
            return "no notice";
    return "";
}

}  // namespace

TEST(Win32Device, EachConsoleShowsTheWholeScreenOrItsTopWithTheNoticeAndIsGivenBack) {
    const struct {
        kind console;
        int columns, rows;
        int screen_rows;  // the rows that show the screen; fewer than 50: its top and the notice
        int resized_columns = 0, resized_rows = 0, screen_rows_after = 0;
        bool own_buffer = true;
    } cases[] = {
        // The window is switched to 80 x 50, whatever it was.
        {kind::classic, 120, 30, 50},
        {kind::classic, 80, 50, 50},
        {kind::classic, 200, 60, 50},
        {kind::classic, 120, 30, 50, 200, 60, 60},
        // The tab keeps its size; the screen shows in it.
        {kind::pseudo, 120, 30, 30},
        {kind::pseudo, 80, 50, 50},
        {kind::pseudo, 200, 60, 60},
        {kind::pseudo, 120, 30, 30, 200, 60, 60},  // at once, before the next key
        // The pty keeps its size, and its resize reaches the console not at all.
        {kind::wine, 120, 30, 30},
        {kind::wine, 80, 50, 50},
        {kind::wine, 200, 60, 60},
        {kind::wine, 120, 30, 30, 200, 60, 30},
        // No buffer of its own to be had: drawn in the user's, and left with
        // the cursor on a blank row below the screen, or on the window's last.
        {kind::pseudo, 200, 60, 60, 0, 0, 0, false},
        {kind::pseudo, 80, 50, 50, 0, 0, 0, false},
        {kind::pseudo, 120, 30, 30, 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        const char* const names[] = {"classic", "pseudo", "wine"};
        SCOPED_TRACE(std::string(names[static_cast<int>(c.console)]) + ": " +
                     std::to_string(c.columns) + " x " + std::to_string(c.rows) + ", resized to " +
                     std::to_string(c.resized_columns));
        console con(c.console, c.columns, c.rows);
        if (!c.own_buffer) con.refuse_buffers();
        const buffer found = *con.user();
        backend::start_up start;
        auto device = open_win32_device(con.calls(), con.input(), con.user(), start);
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(start.columns, c.columns);
        EXPECT_EQ(start.rows, c.rows);

        screen_model m(start.columns, start.rows, start.normal_attribute, start.tall_rows);
        ASSERT_TRUE(m.set_mode(64));
        device->mode_changed(m);
        draw(m);
        device->flush(m);
        EXPECT_EQ(differences(con.seen(), m, c.columns, c.screen_rows), "");

        if (c.resized_columns > 0) con.resize(c.resized_columns, c.resized_rows);
        con.press_escape();
        ASSERT_TRUE(device->read_key(m).has_value());
        EXPECT_EQ(con.input_mode(), window_input);  // also between reads
        // Wine's console keeps its size when the pty's changes.
        int columns_after = c.console == kind::wine ? c.columns : c.resized_columns;
        if (c.resized_columns > 0) {
            EXPECT_EQ(differences(con.seen_at_key(), m, columns_after, c.screen_rows_after), "");
        }

        device->close(m);
        EXPECT_TRUE(con.user_buffer_active());
        EXPECT_EQ(con.input_mode(), shell_input_mode);
        if (c.own_buffer) {
            EXPECT_TRUE(*con.user() == found) << "the user's buffer changed";
            continue;
        }
        buffer& user = *con.user();
        const int end_row = std::min(std::min(c.screen_rows, m.rows()), c.rows - 1);
        EXPECT_EQ(user.cursor_y, user.top + end_row);
        for (int x = 0; x < c.columns; ++x)
            ASSERT_EQ(user.at(x, user.top + end_row).character, u' ') << "column " << x;
    }
}
