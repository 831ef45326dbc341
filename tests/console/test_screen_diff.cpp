// The Win32 console's screen updates, planned from the model: carried out on
// a simulated console buffer as the console calls do them, they must leave
// exactly the model's cells (or its top-left part and the notice) there,
// with few calls: one fill for a clear, a scroll for a scroll, nothing for
// no change, no write longer than 80 cells.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "code_page_850.h"
#include "screen_diff.h"
#include "screen_model.h"
#include "screens.h"
#include "win32_device.h"

using console_detail::cell;
using console_detail::screen_diff;
using console_detail::screen_model;
using console_detail::screen_op;
using console_detail::win32_traits;
using kind = screen_op::kind;

namespace {

// A console buffer as the console calls change it. It starts with text of
// its own, as a console has from before the program.
struct simulated_console {
    int columns, rows;
    std::vector<cell> cells;
    int cursor_x = 0, cursor_y = 0, cursor_shape = 2, beeps = 0;
    int calls = 0;

    simulated_console(int c, int r)
        : columns(c), rows(r), cells(static_cast<std::size_t>(c * r), cell{'?', 0x5A}) {}

    cell& at(int x, int y) { return cells[static_cast<std::size_t>(y * columns + x)]; }

    void run(const std::vector<screen_op>& ops) {
        for (const auto& op : ops) {
            ++calls;
            switch (op.type) {
                case kind::fill:
                    for (auto& c : cells) c = cell{' ', op.attribute};
                    break;
                case kind::scroll:
                    ASSERT_GT(op.count, 0);
                    ASSERT_LT(op.count, rows);
                    for (int y = 0; y < rows; ++y)
                        for (int x = 0; x < columns; ++x)
                            at(x, y) =
                                y + op.count < rows ? at(x, y + op.count) : cell{' ', op.attribute};
                    break;
                case kind::write:
                    ASSERT_GE(op.row, 0);
                    ASSERT_LT(op.row, rows);
                    ASSERT_GE(op.column, 0);
                    ASSERT_GT(op.count, 0);
                    ASSERT_LE(op.count, 80) << "a write of more than 80 cells";
                    ASSERT_LE(op.column + op.count, columns) << "a write past the row";
                    ASSERT_EQ(op.cells.size(), static_cast<std::size_t>(op.count));
                    for (int k = 0; k < op.count; ++k)
                        at(op.column + k, op.row) = op.cells[static_cast<std::size_t>(k)];
                    break;
                case kind::cursor_position:
                    cursor_x = op.column;
                    cursor_y = op.row;
                    break;
                case kind::cursor_shape: cursor_shape = op.count; break;
                case kind::beep: ++beeps; break;
                case kind::repaint: ADD_FAILURE() << "a repaint on a Win32 console"; break;
            }
        }
    }
};

int count(const std::vector<screen_op>& ops, kind k) {
    int n = 0;
    for (const auto& op : ops) n += op.type == k;
    return n;
}

std::string text(const screen_op& write) {
    std::string s;
    for (const auto& c : write.cells) s += static_cast<char>(c.character);
    return s;
}

// Where the console is as big as the model: every cell is the model's.
std::string differences(simulated_console& console, const screen_model& m) {
    for (int y = 0; y < m.rows(); ++y)
        for (int x = 0; x < m.columns(); ++x)
            if (!(console.at(x, y) == m.at(x, y)))
                return "cell " + std::to_string(x) + "," + std::to_string(y);
    return "";
}

struct synced {
    screen_model model = tall_model();
    screen_diff sync{win32_traits};
    simulated_console console{80, 50};

    synced() { sync.set_console_size(80, 50); }
    std::vector<screen_op> step() {
        auto ops = sync.plan(model);
        console.run(ops);
        return ops;
    }
};

}  // namespace

TEST(ScreenDiffWin32, AClearIsOneFillAndOnlyTheTextOnItIsWritten) {
    synced s;
    s.model.set_background(1);
    s.model.set_foreground(14);
    s.model.clear();
    s.model.go_to(3, 2);
    s.model.print("Hello");
    auto ops = s.step();
    ASSERT_GE(ops.size(), 2u);
    EXPECT_EQ(ops[0].type, kind::fill);
    EXPECT_EQ(ops[0].attribute, 0x1E);
    ASSERT_EQ(count(ops, kind::write), 1);
    EXPECT_EQ(ops[1].type, kind::write);
    EXPECT_EQ(ops[1].row, 1);
    EXPECT_EQ(ops[1].column, 2);
    EXPECT_EQ(text(ops[1]), "Hello");
    EXPECT_EQ(count(ops, kind::fill), 1);
    EXPECT_EQ(differences(s.console, s.model), "");
    EXPECT_EQ(s.console.cursor_x, 7);
    EXPECT_EQ(s.console.cursor_y, 1);
}

TEST(ScreenDiffWin32, NothingChangedNothingIsDone) {
    synced s;
    s.model.go_to(10, 10);
    s.model.print("text");
    s.step();
    EXPECT_TRUE(s.step().empty());
    // The same text at the same place again changes no cell.
    s.model.go_to(10, 10);
    s.model.print("text");
    EXPECT_TRUE(s.step().empty());
    // Only the cursor moved: only the cursor is set.
    s.model.go_to(1, 1);
    auto ops = s.step();
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].type, kind::cursor_position);
    EXPECT_EQ(s.console.cursor_x, 0);
    EXPECT_EQ(s.console.cursor_y, 0);
}

TEST(ScreenDiffWin32, AScrollOfTheWholeScreenIsAConsoleScroll) {
    synced s;
    s.model.set_background(3);
    s.model.clear();
    for (int r = 1; r <= 50; ++r) {
        s.model.go_to(1, r);
        s.model.print("row " + std::to_string(r));
    }
    s.step();
    s.model.set_background(2);
    s.model.go_to(1, 50);
    s.model.print("\nnew");
    auto ops = s.step();
    ASSERT_GE(ops.size(), 2u);
    EXPECT_EQ(ops[0].type, kind::scroll);
    EXPECT_EQ(ops[0].count, 1);
    EXPECT_EQ(ops[0].attribute, 0x27);
    ASSERT_EQ(count(ops, kind::write), 1);
    EXPECT_EQ(ops[1].row, 49);
    EXPECT_EQ(text(ops[1]), "new");
    EXPECT_EQ(differences(s.console, s.model), "");
    // Several rows in one colour are one scroll.
    s.model.print("\n\n\n");
    ops = s.step();
    EXPECT_EQ(count(ops, kind::scroll), 1);
    EXPECT_EQ(ops[0].count, 3);
    EXPECT_EQ(count(ops, kind::write), 0);
    EXPECT_EQ(differences(s.console, s.model), "");
}

TEST(ScreenDiffWin32, WritesAreRunsOfAtMostEightyCellsWithinOneRow) {
    // A wider start-up screen (mode 65) on a console as wide.
    screen_model m(120, 30);
    screen_diff sync{win32_traits};
    sync.set_console_size(120, 30);
    simulated_console console(120, 30);
    console.run(sync.plan(m));
    EXPECT_EQ(differences(console, m), "");
    m.go_to(1, 5);
    m.print(std::string(120, 'x'));
    auto ops = sync.plan(m);
    console.run(ops);
    ASSERT_EQ(count(ops, kind::write), 2);
    EXPECT_EQ(ops[0].count, 80);
    EXPECT_EQ(ops[1].column, 80);
    EXPECT_EQ(ops[1].count, 40);
    EXPECT_EQ(differences(console, m), "");
}

TEST(ScreenDiffWin32, ShortGapsAreWrittenAgainLongOnesSplitTheRun) {
    synced s;
    s.step();
    s.model.go_to(1, 3);
    s.model.print("a");
    s.model.go_to(8, 3);
    s.model.print("b");
    auto ops = s.step();
    ASSERT_EQ(count(ops, kind::write), 1);
    EXPECT_EQ(text(ops[0]), "a      b");
    s.model.go_to(1, 4);
    s.model.print("a");
    s.model.go_to(20, 4);
    s.model.print("b");
    ops = s.step();
    ASSERT_EQ(count(ops, kind::write), 2);
    EXPECT_EQ(text(ops[0]), "a");
    EXPECT_EQ(text(ops[1]), "b");
    EXPECT_EQ(ops[1].column, 19);
}

TEST(ScreenDiffWin32, ASmallConsoleShowsTheTopLeftAndTheNotice) {
    screen_model m = tall_model();
    screen_diff sync{win32_traits};
    sync.set_console_size(80, 25);
    simulated_console console(80, 25);
    for (int r = 1; r <= 50; ++r) {
        m.go_to(1, r);
        m.print("row " + std::to_string(r));
    }
    m.go_to(5, 3);
    console.run(sync.plan(m));
    // The top rows, then the last row (the reason the list can't be saved).
    EXPECT_EQ(sync.shown_rows(), 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 80; ++x)
            ASSERT_EQ(console.at(x, y), m.at(x, y < 23 ? y : 49)) << x << "," << y;
    std::string notice;
    for (int x = 0; x < 80; ++x) {
        notice += static_cast<char>(console.at(x, 24).character);
        EXPECT_EQ(console.at(x, 24).attribute, 0x4F);  // white on red
    }
    EXPECT_EQ(notice,
              " Vinduet er for lille: brug 80 x 50 tegn (nu 80 x 25)" + std::string(27, ' '));
    EXPECT_EQ(console.cursor_shape, 2);
    EXPECT_EQ(console.cursor_y, 2);
    // A scroll of the screen is no scroll of the console's part: written anew.
    m.go_to(1, 50);
    m.print("\n");
    auto ops = sync.plan(m);
    console.run(ops);
    EXPECT_EQ(count(ops, kind::scroll), 0);
    EXPECT_EQ(console.at(4, 0).character, '2');  // "row 2" is now on top
    // A clear fills the console, and the notice comes back.
    m.set_background(4);
    m.clear();
    ops = sync.plan(m);
    console.run(ops);
    EXPECT_EQ(count(ops, kind::fill), 1);
    EXPECT_EQ(console.at(0, 23), (cell{' ', 0x47}));
    EXPECT_EQ(console.at(1, 24), (cell{'V', 0x4F}));
    // The cursor below the part shown is hidden.
    m.go_to(1, 40);
    ops = sync.plan(m);
    console.run(ops);
    EXPECT_EQ(console.cursor_shape, 0);
    EXPECT_EQ(count(ops, kind::cursor_position), 0);
}

TEST(ScreenDiffWin32, AConsoleLargerThanTheScreenIsBlankBeyondIt) {
    screen_model m(80, 25, 0x1F);
    screen_diff sync{win32_traits};
    sync.set_console_size(100, 30);
    simulated_console console(100, 30);
    m.set_background(2);
    m.clear();
    auto ops = sync.plan(m);
    console.run(ops);
    EXPECT_EQ(count(ops, kind::fill), 0);  // it would paint beyond the screen
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(console.at(x, y), (x < 80 && y < 25 ? cell{' ', 0x2F} : cell{' ', 0x1F}))
                << x << "," << y;
}

TEST(ScreenDiffWin32, ANewConsoleSizeRepaintsEverything) {
    synced s;
    s.model.go_to(1, 1);
    s.model.print("top");
    s.step();
    // The console was resized: what it shows is not known any more.
    s.sync.set_console_size(80, 50);
    EXPECT_TRUE(s.step().empty());  // the same size is no change
    s.sync.set_console_size(90, 50);
    simulated_console resized(90, 50);
    auto ops = s.sync.plan(s.model);
    resized.run(ops);
    EXPECT_EQ(count(ops, kind::write), 100);  // each row of 90 is two writes
    EXPECT_EQ(differences(resized, s.model), "");
    EXPECT_EQ(resized.at(85, 10), (cell{' ', 0x07}));
    EXPECT_EQ(count(ops, kind::cursor_shape), 1);
    s.sync.force_full_repaint();
    EXPECT_EQ(count(s.sync.plan(s.model), kind::write), 100);
}

TEST(ScreenDiffWin32, BeepsAndCursorShapes) {
    synced s;
    s.step();
    s.model.print("a\a\ab");
    auto ops = s.step();
    EXPECT_EQ(count(ops, kind::beep), 2);
    EXPECT_EQ(s.model.beeps, 0);
    EXPECT_EQ(count(s.step(), kind::beep), 0);
    const int shapes[][2] = {{0, 0}, {1, 1}, {2, 2}, {0, 0}, {2, 2}};
    for (const auto& shape : shapes) {
        s.model.set_cursor_shape(shape[0]);
        ops = s.step();
        EXPECT_EQ(s.console.cursor_shape, shape[1]);
        EXPECT_EQ(count(ops, kind::cursor_shape), 1);
    }
    s.model.set_cursor_shape(cursor_quarter_cell);
    EXPECT_TRUE(s.step().empty());
}

TEST(ScreenDiffWin32, EveryGlyphIsOneUtf16Unit) {
    // The console gets one UTF-16 unit per cell.
    for (int b = 0; b < 256; ++b) {
        const char32_t glyph = code_page_850::cell_glyph(static_cast<unsigned char>(b));
        EXPECT_LT(glyph, 0x10000u) << b;
        EXPECT_FALSE(glyph >= 0xD800 && glyph < 0xE000) << b;
    }
}

// Random drawing with updates at random moments, on consoles of the
// model's size, larger and smaller: after each update the console shows
// what it must, and an update right after it does nothing.
TEST(ScreenDiffWin32, RandomDrawingKeepsTheConsoleTheModelsMirror) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        auto number = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        screen_model m(80, 25, 0x07);
        m.set_mode(64);
        screen_diff sync{win32_traits};
        simulated_console console(80, 50);
        sync.set_console_size(80, 50);
        for (int step = 0; step < 300; ++step) {
            int op = number(12);
            if (op <= 3) {
                std::string t;
                int length = number(6) == 0 ? number(3000) : number(120);
                for (int i = 0; i < length; ++i) {
                    static const char controls[] = {7, 8, 10, 13};
                    t += number(6) == 0 ? controls[number(4)] : static_cast<char>(1 + number(255));
                }
                if (op <= 1)
                    m.print(t);
                else
                    m.put_text(t);
            } else if (op == 4) {
                m.go_to(1 + number(80), 1 + number(m.rows()));
            } else if (op == 5) {
                m.set_foreground(number(16));
                m.set_background(number(8));
            } else if (op == 6 && number(3) == 0) {
                m.clear();
            } else if (op == 7 && number(10) == 0) {
                m.set_mode(number(2) == 0 ? 64 : 3);
            } else if (op == 8 && number(15) == 0) {
                static const int sizes[][2] = {{80, 50}, {80, 25}, {100, 60}, {60, 20}};
                const auto& size = sizes[number(4)];
                // A console of another size shows whatever; the same size
                // keeps what it showed.
                if (size[0] != console.columns || size[1] != console.rows)
                    console = simulated_console(size[0], size[1]);
                sync.set_console_size(size[0], size[1]);
            } else if (op == 9) {
                m.set_cursor_shape(number(3));
            }
            if (number(3) != 0) continue;
            console.run(sync.plan(m));
            int width = std::min(m.columns(), console.columns);
            bool too_small = m.columns() > console.columns || m.rows() > console.rows;
            int room = too_small ? console.rows - 1 : console.rows;
            bool last_row_kept = m.rows() > room;  // above the notice
            int height = std::min(m.rows(), last_row_kept ? room - 1 : room);
            for (int y = 0; y < console.rows; ++y)
                for (int x = 0; x < console.columns; ++x) {
                    cell want = x < width && y < height ? m.at(x, y) : cell{' ', 0x07};
                    if (last_row_kept && x < width && y == room - 1) want = m.at(x, m.rows() - 1);
                    if (too_small && y == console.rows - 1) want = console.at(x, y);
                    ASSERT_EQ(console.at(x, y), want)
                        << "seed " << seed << " step " << step << " cell " << x << "," << y;
                }
            if (too_small) {
                ASSERT_EQ(console.at(0, console.rows - 1), (cell{' ', 0x4F})) << "the notice";
            }
            bool cursor_shown = m.cursor_visible && m.x < width && m.y < height;
            ASSERT_EQ(console.cursor_shape != 0, cursor_shown) << "seed " << seed;
            if (cursor_shown) {
                ASSERT_EQ(console.cursor_x, m.x);
                ASSERT_EQ(console.cursor_y, m.y);
            }
            ASSERT_TRUE(sync.plan(m).empty()) << "seed " << seed << " step " << step;
        }
    }
}
