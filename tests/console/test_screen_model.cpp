#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "console.h"
#include "console_test.h"
#include "screen_model.h"
#include "screens.h"

using console_detail::screen_model;

TEST(ScreenModel, ModeSixtyFourIsEightyByFiftyAndResetsTheAttribute) {
    screen_model m(100, 30, 0x07);
    EXPECT_EQ(m.columns(), 100);
    EXPECT_EQ(m.state.current_mode, 65);
    m.set_foreground(15);
    m.set_background(2);
    m.set_mode(64);
    EXPECT_EQ(m.columns(), 80);
    EXPECT_EQ(m.rows(), 50);
    EXPECT_EQ(m.state.attribute, 0x07);
    EXPECT_EQ(m.state.window_right, 79);
    EXPECT_EQ(m.state.window_bottom, 49);
    m.set_mode(65);
    EXPECT_EQ(m.columns(), 100);
    m.set_mode(3);
    EXPECT_EQ(m.columns(), 80);
    EXPECT_EQ(m.rows(), 25);
    EXPECT_EQ(m.state.current_mode, 3);
    m.set_foreground(4);
    m.set_mode(99);  // matches nothing: nothing changes
    EXPECT_EQ(m.state.current_mode, 3);
    EXPECT_EQ(m.state.attribute & 0x0F, 4);
    EXPECT_EQ(screen_model(80, 25).state.current_mode, 3);
    EXPECT_EQ(screen_model(80, 50).state.current_mode, 64);
}

TEST(ScreenModel, ModeSixtyFourTakesTheTallSizeTheConsoleCanShow) {
    // A console that shows no more than 43 rows: mode 64 is 80 x 43.
    screen_model small(80, 25, 0x1E, 43);
    EXPECT_EQ(small.state.current_mode, 3);
    small.set_mode(64);
    EXPECT_EQ(small.columns(), 80);
    EXPECT_EQ(small.rows(), 43);
    EXPECT_EQ(small.state.current_mode, 64);
    EXPECT_EQ(small.state.window_bottom, 42);
    EXPECT_EQ(small.state.attribute, 0x1E);  // the start-up attribute is the normal one
    small.set_mode(18);                      // the 50-row text mode is still there
    EXPECT_EQ(small.rows(), 50);
    // The start-up mode: 64 when the console has the tall size already, else
    // the text mode of that size.
    EXPECT_EQ(screen_model(80, 43, 0x07, 43).state.current_mode, 64);
    EXPECT_EQ(screen_model(80, 43, 0x07, 50).state.current_mode, 17);
    EXPECT_EQ(screen_model(80, 50, 0x07, 43).state.current_mode, 18);
    EXPECT_EQ(screen_model(120, 43, 0x07, 43).state.current_mode, 65);
}

TEST(ScreenModel, ColourBitArithmetic) {
    auto m = tall_model();
    m.set_background(2);
    m.set_foreground(15);
    EXPECT_EQ(m.state.attribute, 47);
    m.set_background(9);
    EXPECT_EQ((m.state.attribute >> 4) & 7, 1);
    m.set_foreground(0x8F | 0x100);  // bit 7 kept, bits above 7 cleared
    EXPECT_EQ(m.state.attribute, 0x8F | 0x10);
    m.set_background(7);
    EXPECT_EQ(m.state.attribute, 0x8F | 0x70);
}

TEST(ScreenModel, GotoOutsideTheWindowIsIgnored) {
    auto m = tall_model();
    m.go_to(10, 5);
    m.go_to(81, 1);
    m.go_to(1, 51);
    m.go_to(0, 5);
    EXPECT_EQ(m.x, 9);
    EXPECT_EQ(m.y, 4);
    m.print("x");
    EXPECT_EQ(m.at(9, 4).character, 'x');
}

TEST(ScreenModel, PrintWrapsScrollsAndTakesControlBytes) {
    auto m = tall_model();
    m.set_background(7);
    m.clear();
    EXPECT_EQ(m.x, 0);
    EXPECT_EQ(m.y, 0);
    EXPECT_EQ(m.at(40, 30).attribute, 0x77);
    // Eighty characters from column 1 leave the cursor at column 1 of the next row.
    m.print(std::string(80, 'a'));
    EXPECT_EQ(m.x, 0);
    EXPECT_EQ(m.y, 1);
    // LF goes straight down; CR to column 1; BS stops at column 1; BEL writes nothing.
    m.go_to(5, 3);
    m.print("ab\ncd\rX\b\b\x07Y");
    EXPECT_EQ(row_text(m, 2, 4, 6), "ab");
    EXPECT_EQ(row_text(m, 3, 0, 8), "Y     cd");
    EXPECT_EQ(m.beeps, 1);
    // Other control bytes are characters.
    m.go_to(1, 10);
    m.print("\x1b[2J\x01");
    EXPECT_EQ(row_text(m, 9, 0, 5), "\x1b[2J\x01");
    // Column 80 of row 50 scrolls the screen up one row.
    m.go_to(1, 1);
    m.print("top");
    m.go_to(1, 2);
    m.print("second");
    m.set_background(1);
    m.go_to(80, 50);
    m.print("z");
    EXPECT_EQ(row_text(m, 0, 0, 6), "second");
    EXPECT_EQ(m.at(79, 48).character, 'z');
    EXPECT_EQ(m.at(0, 49).character, ' ');
    EXPECT_EQ(m.at(0, 49).attribute, 0x17);
    EXPECT_EQ(m.x, 0);
    EXPECT_EQ(m.y, 49);
    // LF on the last row scrolls too.
    m.print("q\n");
    EXPECT_EQ(m.at(0, 48).character, 'q');
    EXPECT_EQ(m.y, 49);
    EXPECT_EQ(m.x, 1);
}

TEST(ScreenModel, ConsolePrintExpandsFormatsOfAnyLength) {
    console_open_model(80, 50);
    std::string long_text(5000, 'x');
    console_goto(1, 1);
    EXPECT_EQ(console_print("%s", long_text.c_str()), 5000);
    EXPECT_EQ(console_print("%i/%i", 9, 12), 4);
    EXPECT_EQ(console_print("%s", "100%"), 4);  // a per-cent sign in a value is printed as is
    const auto& m = console_model();
    // 5000 cells from (1,1) fill 62 rows and a half: the screen scrolled.
    EXPECT_EQ(m.y, 49);
    EXPECT_EQ(m.x, 5000 % 80 + 8);
    EXPECT_EQ(m.at(40, 49).character, '9');
    EXPECT_EQ(m.at(44, 49).character, '1');
    EXPECT_EQ(m.at(47, 49).character, '%');
    console_set_cursor_shape(cursor_hidden);
    EXPECT_FALSE(console_model().cursor_visible);
    console_set_cursor_shape(cursor_quarter_cell);
    EXPECT_TRUE(console_model().cursor_visible);
    console_close();
}

namespace {

// The screen rules as plainly as they can be written: every scroll moves
// every cell of the window. The model must give exactly the same.
struct plain_screen {
    int columns = 80, rows = 50;
    std::vector<console_detail::cell> cells = std::vector<console_detail::cell>(80 * 50);
    int x = 0, y = 0, beeps = 0;
    int left = 0, top = 0, right = 79, bottom = 49;
    std::uint8_t attribute = 0x07;

    console_detail::cell& at(int k, int r) {
        return cells[static_cast<std::size_t>(r * columns + k)];
    }
    void resize(int k, int r) {
        std::vector<console_detail::cell> resized(static_cast<std::size_t>(k * r));
        for (int rr = 0; rr < std::min(r, rows); ++rr)
            for (int kk = 0; kk < std::min(k, columns); ++kk)
                resized[static_cast<std::size_t>(rr * k + kk)] = at(kk, rr);
        cells = std::move(resized);
        columns = k;
        rows = r;
        left = top = 0;
        right = k - 1;
        bottom = r - 1;
        x = std::min(x, k - 1);
        y = std::min(y, r - 1);
        attribute = 0x07;
    }
    void go_to(int k, int r) {
        int nx = left + k - 1, ny = top + r - 1;
        if (nx < left || nx > right || ny < top || ny > bottom) return;
        x = nx;
        y = ny;
    }
    void clear() {
        for (int r = top; r <= bottom; ++r)
            for (int k = left; k <= right; ++k) at(k, r) = {' ', attribute};
        go_to(1, 1);
    }
    void print(const std::string& text, bool control_bytes) {
        for (char ch : text) {
            auto b = static_cast<unsigned char>(ch);
            if (control_bytes && b == 7) {
                ++beeps;
            } else if (control_bytes && b == 8) {
                if (x > left) --x;
            } else if (control_bytes && b == 10) {
                ++y;
            } else if (control_bytes && b == 13) {
                x = left;
            } else {
                at(x, y) = {b, attribute};
                ++x;
            }
            if (x > right) {
                x = left;
                ++y;
            }
            if (y > bottom) {
                for (int r = top; r < bottom; ++r)
                    for (int k = left; k <= right; ++k) at(k, r) = at(k, r + 1);
                for (int k = left; k <= right; ++k) at(k, bottom) = {' ', attribute};
                --y;
            }
        }
    }
};

std::string difference(const screen_model& m, plain_screen& e) {
    if (m.columns() != e.columns || m.rows() != e.rows) return "size";
    if (m.x != e.x || m.y != e.y)
        return "cursor " + std::to_string(m.x) + "," + std::to_string(m.y) + " not " +
               std::to_string(e.x) + "," + std::to_string(e.y);
    if (m.beeps != e.beeps) return "beeps";
    for (int r = 0; r < e.rows; ++r)
        for (int k = 0; k < e.columns; ++k)
            if (!(m.at(k, r) == e.at(k, r)))
                return "cell " + std::to_string(k) + "," + std::to_string(r);
    return "";
}

// Random texts through console_print and console_put_text, with the control
// bytes console_print obeys and runs long enough to scroll many times, mixed
// with moves, colours, clears, mode changes and (when `windows`) a window
// smaller than the screen set on the model's fields.
void compare_with_plain(unsigned seed, bool windows) {
    std::mt19937 random(seed);
    auto number = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    console_open_model(80, 25);
    console_set_mode(64);
    plain_screen e;
    for (int step = 0; step < 400; ++step) {
        int op = number(10);
        std::string what;
        if (op <= 3) {
            int length = number(8) == 0 ? number(20000) : number(200);
            std::string text;
            for (int i = 0; i < length; ++i) {
                static const char controls[] = {7, 8, 10, 13};
                text += number(6) == 0 ? controls[number(4)] : static_cast<char>(1 + number(255));
            }
            if (op <= 1) {
                console_print("%s", text.c_str());
                e.print(text, true);
                what = "print";
            } else {
                console_put_text(text.c_str());
                e.print(text, false);
                what = "put_text";
            }
        } else if (op == 4) {
            int k = number(84), r = number(54);
            console_goto(k, r);
            e.go_to(k, r);
            what = "goto";
        } else if (op == 5) {
            int f = number(256);
            console_set_foreground(f);
            e.attribute = static_cast<std::uint8_t>((e.attribute & 0x70) | (f & 0x8F));
            int b = number(16);
            console_set_background(b);
            e.attribute = static_cast<std::uint8_t>((e.attribute & 0x8F) | ((b * 16) & 0x70));
            what = "colours";
        } else if (op == 6 && number(4) == 0) {
            console_clear();
            e.clear();
            what = "clear";
        } else if (op == 7 && number(8) == 0) {
            static const int modes[][3] = {{64, 80, 50}, {3, 80, 25}, {1, 40, 25}};
            const auto& mode = modes[number(3)];
            console_set_mode(mode[0]);
            e.resize(mode[1], mode[2]);
            what = "mode";
        } else if (op == 8 && windows) {
            auto& t = console_model().state;
            if (number(3) == 0) {  // back to the whole screen
                e.left = e.top = 0;
                e.right = e.columns - 1;
                e.bottom = e.rows - 1;
            } else {
                e.left = number(e.columns / 2);
                e.right = number(3) == 0 ? e.columns - 1 : e.left + number(e.columns - e.left);
                e.top = number(2) == 0 ? 0 : number(e.rows / 2);
                e.bottom = number(3) == 0 ? e.rows - 1 : e.top + number(e.rows - e.top);
            }
            t.window_left = static_cast<std::uint8_t>(e.left);
            t.window_right = static_cast<std::uint8_t>(e.right);
            t.window_top = static_cast<std::uint8_t>(e.top);
            t.window_bottom = static_cast<std::uint8_t>(e.bottom);
            console_goto(1, 1);
            e.go_to(1, 1);
            what = "window";
        }
        std::string f = difference(console_model(), e);
        ASSERT_EQ(f, "") << "seed " << seed << ", step " << step << " (" << what << ")";
    }
    console_close();
}

}  // namespace

TEST(ScreenModel, PrintingMatchesThePlainScreenRules) {
    for (unsigned seed = 1; seed <= 12; ++seed) compare_with_plain(seed, false);
}

TEST(ScreenModel, PrintingInAWindowSmallerThanTheScreenMatchesThePlainScreenRules) {
    for (unsigned seed = 100; seed <= 111; ++seed) compare_with_plain(seed, true);
}

namespace {

using console_detail::screen_change;
constexpr auto clear_kind = screen_change::kind::clear;
constexpr auto scroll_kind = screen_change::kind::scroll;

}  // namespace

TEST(ScreenModel, RecordsWholeScreenClearsAndScrollsForTheConsole) {
    auto m = tall_model();
    m.take_changes();
    EXPECT_TRUE(m.take_changes().empty());
    m.set_background(1);
    m.clear();
    // Three rows off the top in one colour, then one in another.
    m.go_to(1, 50);
    m.print("\n\n\n");
    m.set_background(2);
    m.print("\n");
    EXPECT_EQ(m.take_changes(),
              (std::vector<screen_change>{
                  {clear_kind, 0x17, 0}, {scroll_kind, 0x17, 3}, {scroll_kind, 0x27, 1}}));
    EXPECT_TRUE(m.take_changes().empty());  // taken once
    // A clear makes the scrolls before it moot.
    m.print("\n");
    m.clear();
    EXPECT_EQ(m.take_changes(), (std::vector<screen_change>{{clear_kind, 0x27, 0}}));
    // Scrolling every row away leaves the screen as a clear does.
    m.go_to(1, 50);
    m.print(std::string(50, '\n'));
    EXPECT_EQ(m.take_changes(), (std::vector<screen_change>{{clear_kind, 0x27, 0}}));
    // A new mode starts afresh.
    m.print("\n");
    m.set_mode(3);
    EXPECT_TRUE(m.take_changes().empty());
}

TEST(ScreenModel, RecordsNothingInASmallerWindowAndDropsALongRecord) {
    auto m = tall_model();
    m.take_changes();
    m.state.window_bottom = 20;
    m.clear();
    m.go_to(1, 21);
    m.print("\n");
    EXPECT_TRUE(m.take_changes().empty());
    EXPECT_EQ(m.at(0, 49).attribute, 0x07);
    m.state.window_bottom = 49;
    // Scrolls in ever new colours: past some length the record is dropped,
    // so an unused record can't grow without end.
    m.go_to(1, 50);
    for (int k = 0; k < 40; ++k) {
        m.set_background(k % 2);
        m.print("\n");
    }
    auto record = m.take_changes();
    EXPECT_FALSE(record.empty());
    EXPECT_LT(record.size(), 40u);
    EXPECT_EQ(record.back(), (screen_change{scroll_kind, 0x17, 1}));
}
