#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "renderer.h"
#include "screen_check.h"
#include "screen_model.h"
#include "vterm_screen.h"

using console_detail::renderer;
using console_detail::screen_model;

namespace {

// The parameters of every SGR sequence in the output, in order.
std::vector<std::string> sgr_parameters(const std::string& out) {
    std::vector<std::string> all;
    for (std::size_t i = out.find("\x1b["); i != std::string::npos; i = out.find("\x1b[", i + 1)) {
        std::size_t end = out.find_first_not_of("0123456789;", i + 2);
        if (end != std::string::npos && out[end] == 'm')
            all.push_back(out.substr(i + 2, end - i - 2));
    }
    return all;
}

// Whether any SGR sequence sets a bright foreground (90..97).
bool has_bright_colours(const std::string& out) {
    for (std::string parameters : sgr_parameters(out)) {
        parameters += ';';
        for (std::size_t p = 0, q; (q = parameters.find(';', p)) != std::string::npos; p = q + 1) {
            int v = q > p ? std::stoi(parameters.substr(p, q - p)) : 0;
            if (v >= 90 && v <= 97) return true;
        }
    }
    return false;
}

// The SGR parameters a fresh renderer sends for a cell of this attribute:
// after the reset that starts every full paint, the first cell's colours.
std::string sgr_for(int attribute, bool sixteen_colours) {
    screen_model m(80, 50);
    m.set_foreground(attribute & 0x8F);
    m.set_background((attribute >> 4) & 7);
    m.go_to(1, 1);
    m.print("x");
    renderer r(sixteen_colours);
    r.set_terminal_size(80, 50);
    std::vector<std::string> all = sgr_parameters(r.render(m));
    if (all.size() < 2 || all[0] != "0") return "no colours after the reset";
    return all[1];
}

}  // namespace

TEST(Renderer, RandomChangesShowOnARealTerminalCellForCell) {
    std::mt19937 rng(1234);
    screen_model m(80, 25);
    m.set_mode(64);
    renderer r;
    r.set_terminal_size(80, 50);
    vterm_screen vt(50, 80);
    for (int round = 0; round < 200; ++round) {
        int actions = 1 + static_cast<int>(rng() % 20);
        for (int h = 0; h < actions; ++h) {
            m.set_foreground(static_cast<int>(rng() % 16));
            m.set_background(static_cast<int>(rng() % 8));
            m.go_to(1 + static_cast<int>(rng() % 80), 1 + static_cast<int>(rng() % 50));
            std::string text;
            int length = static_cast<int>(rng() % 120);
            for (int i = 0; i < length; ++i) text += static_cast<char>(rng() % 256);
            if (rng() % 10 == 0) m.clear();
            m.print(text);
        }
        if (rng() % 3 == 0) m.set_cursor_shape(static_cast<int>(rng() % 3));
        std::string out = r.render(m);
        ASSERT_EQ(stray_control_byte(out), "");
        vt.feed(out);
        ASSERT_EQ(screen_difference(m, vt, 50, 80), "");
        int cursor_row = 0, cursor_column = 0;
        vt.cursor(cursor_row, cursor_column);
        ASSERT_EQ(vt.cursor_visible(), m.cursor_visible);
        if (m.cursor_visible) {
            ASSERT_EQ(cursor_row, m.y);
            ASSERT_EQ(cursor_column, m.x);
        }
    }
}

TEST(Renderer, NothingChangedWritesNothing) {
    screen_model m(80, 50);
    renderer r;
    r.set_terminal_size(80, 50);
    EXPECT_FALSE(r.render(m).empty());
    EXPECT_TRUE(r.render(m).empty());
    m.go_to(3, 3);
    m.print("x");
    std::string out = r.render(m);
    EXPECT_EQ(out.rfind("\x1b[?2026h", 0), 0u);  // synchronized output around each update
    EXPECT_NE(out.find("\x1b[?2026l"), std::string::npos);
    EXPECT_TRUE(r.render(m).empty());
}

// A text that scrolls the whole screen moves the terminal's rows with line
// feeds on its last row; only the rows scrolled in are written, and rows
// the terminal blanks in its own colours are not trusted.
TEST(Renderer, AScrollOfTheWholeScreenIsLineFeedsOnTheLastRow) {
    screen_model m(80, 25);
    m.set_mode(64);
    m.set_background(1);
    for (int y = 1; y <= 50; ++y) {
        m.go_to(1, y);
        m.print("row " + std::to_string(y) + std::string(70, static_cast<char>('a' + y % 26)));
    }
    renderer r;
    r.set_terminal_size(80, 50);
    vterm_screen vt(50, 80);
    vt.feed(r.render(m));
    m.set_background(2);
    m.go_to(1, 50);
    m.print("\r\n\r\nlast");
    std::string out = r.render(m);
    EXPECT_NE(out.find("\n\n"), std::string::npos);
    EXPECT_LT(out.size(), 250u) << "the moved rows written again";
    vt.feed(out);
    ASSERT_EQ(screen_difference(m, vt, 50, 80), "");
}

TEST(Renderer, EveryByteShowsAsItsGlyphAndSoftHyphenAsAHyphen) {
    screen_model m(80, 50);
    m.go_to(1, 1);
    for (int b = 0; b < 256; ++b) {
        m.go_to(1 + b % 64, 1 + b / 64);
        m.print(
            std::string(1, static_cast<char>(b == 7 || b == 8 || b == 10 || b == 13 ? '.' : b)));
    }
    renderer r;
    r.set_terminal_size(80, 50);
    std::string out = r.render(m);
    ASSERT_EQ(stray_control_byte(out), "");
    vterm_screen vt(50, 80);
    vt.feed(out);
    EXPECT_EQ(vt.character(0, 0), U' ');        // 0x00 blank
    EXPECT_EQ(vt.character(0, 1), U'\u263A');   // 0x01 ☺
    EXPECT_EQ(vt.character(0, 27), U'\u2190');  // 0x1B ←
    EXPECT_EQ(vt.character(1, 63), U'\u2302');  // 0x7F ⌂
    EXPECT_EQ(vt.character(2, 17), U'\u00E6');  // 0x91 æ
    EXPECT_EQ(vt.character(3, 48), U'-');       // 0xF0 soft hyphen
}

// Eight colours show bright ones as bold. White on light grey, which the
// terminal's palette draws almost alike, is dark grey on sixteen and eight.
// Without colours, bright is bold and any background but black and light
// grey (the highlight, the boxes) is reverse video.
TEST(Renderer, EightColourTerminalsGetBoldForBrightColours) {
    constexpr int eight = 8, sixteen = 16, none = 0, terminal_default = -1;
    const struct {
        int colours;
        int background, foreground;
        bool bold;
        int shown_foreground;
        bool reverse = false;
    } cases[] = {
        {eight, 1, 15, true, 7},
        {eight, 7, 15, true, 0},
        {sixteen, 1, 15, false, 15},
        {sixteen, 7, 15, false, 8},
        {none, 7, 15, true, terminal_default},
        {none, 1, 15, true, terminal_default, true},
        {none, 2, 7, false, terminal_default, true},
    };
    for (const auto& c : cases) {
        screen_model m(80, 50);
        m.set_background(c.background);
        m.set_foreground(c.foreground);
        m.go_to(1, 1);
        m.print("A");
        renderer r(c.colours != eight, c.colours == none ? console_detail::colour_depth::none
                                                         : console_detail::colour_depth::ansi);
        r.set_terminal_size(80, 50);
        vterm_screen vt(50, 80);
        std::string out = r.render(m);
        EXPECT_EQ(has_bright_colours(out), c.colours == sixteen && c.shown_foreground >= 8);
        vt.feed(out);
        const std::string name =
            std::to_string(c.foreground) + " on " + std::to_string(c.background);
        EXPECT_EQ(vt.bold(0, 0), c.bold) << name;
        EXPECT_EQ(palette_index(vt.cell(0, 0).fg), c.shown_foreground) << name;
        EXPECT_EQ(palette_index(vt.cell(0, 0).bg),
                  c.colours == none ? terminal_default : ecma(c.background))
            << name;
        EXPECT_EQ(vt.reverse(0, 0), c.reverse) << name;
    }
}

TEST(Renderer, SmallTerminalShowsTheTopLeftAndANotice) {
    screen_model m(80, 25);
    m.set_mode(64);
    m.go_to(1, 1);
    m.print("corner");
    m.go_to(60, 20);
    m.print("visible");
    m.go_to(70, 45);
    m.print("hidden");
    renderer r;
    r.set_terminal_size(70, 24);
    vterm_screen vt(24, 70);
    vt.feed(r.render(m));
    EXPECT_EQ(vt.row(0, 0, 6), "corner");
    EXPECT_EQ(vt.row(19, 59, 66), "visible");
    EXPECT_NE(vt.row(23).find("80 x 50"), std::string::npos);
    EXPECT_NE(vt.row(23).find("70 x 24"), std::string::npos);
    // Big enough again: everything is repainted and the notice goes.
    r.set_terminal_size(80, 50);
    vterm_screen large(50, 80);
    large.feed(r.render(m));
    EXPECT_EQ(large.row(44, 69, 75), "hidden");
    EXPECT_EQ(large.row(23).find("80 x 50"), std::string::npos);
}

// Whatever size a terminal reports, the screen is in its top-left corner
// and nothing is kept for cells no screen reaches.
TEST(Renderer, AnySizeATerminalReportsShowsTheScreenInItsCorner) {
    const struct {
        int columns, rows;
    } sizes[] = {{65535, 65535}, {65535, 50}, {80, 65535}, {256, 256}, {INT_MAX, INT_MAX}};
    for (const auto& size : sizes) {
        screen_model m(size.columns, size.rows);
        m.set_mode(64);
        m.set_background(1);
        m.clear();
        m.print("top left");
        m.go_to(75, 50);
        m.print("end");
        renderer r;
        r.set_terminal_size(size.columns, size.rows);
        vterm_screen vt(50, 80);
        vt.feed(r.render(m));
        ASSERT_EQ(screen_difference(m, vt, 50, 80), "");
        // The program's end leaves the cursor below the screen, or on its
        // last row where there is none below (blanked: the end-to-end tests).
        EXPECT_EQ(r.exit_row().row, size.rows > 50 ? 50 : 49) << size.columns << " x " << size.rows;
    }
}

// PC colour numbers and the SGR parameters each must give: as a foreground
// and a background on a 16-colour terminal (bit 7 of the attribute is the
// bright background there), and as a foreground on an 8-colour terminal,
// where bright colours are bold and bit 7 is lost.
struct colour_row {
    int pc;
    const char* name;
    const char* foreground_16;
    const char* background_16;
    const char* bright_background_16;
    const char* foreground_8;
};
const colour_row colour_table[] = {
    {0, "black", "30", "40", "100", "22;30"},
    {1, "blue", "34", "44", "104", "22;34"},
    {2, "green", "32", "42", "102", "22;32"},
    {3, "cyan", "36", "46", "106", "22;36"},
    {4, "red", "31", "41", "101", "22;31"},
    {5, "magenta", "35", "45", "105", "22;35"},
    {6, "brown", "33", "43", "103", "22;33"},
    {7, "light grey", "37", "47", "107", "22;37"},
    {8, "dark grey", "90", nullptr, nullptr, "1;30"},
    {9, "light blue", "94", nullptr, nullptr, "1;34"},
    {10, "light green", "92", nullptr, nullptr, "1;32"},
    {11, "light cyan", "96", nullptr, nullptr, "1;36"},
    {12, "light red", "91", nullptr, nullptr, "1;31"},
    {13, "light magenta", "95", nullptr, nullptr, "1;35"},
    {14, "yellow", "93", nullptr, nullptr, "1;33"},
    {15, "white", "97", nullptr, nullptr, "1;37"},
};

TEST(Renderer, PcColoursBecomeTheirEcma48Parameters) {
    for (const auto& c : colour_table) {
        // As a foreground on black.
        EXPECT_EQ(sgr_for(c.pc, true), std::string(c.foreground_16) + ";40") << c.name;
        EXPECT_EQ(sgr_for(c.pc, false), std::string(c.foreground_8) + ";40") << c.name;
        if (!c.background_16) continue;
        // As a background under light grey, plain and with bit 7.
        int attribute = 0x07 | c.pc << 4;
        EXPECT_EQ(sgr_for(attribute, true), std::string("37;") + c.background_16) << c.name;
        EXPECT_EQ(sgr_for(attribute | 0x80, true), std::string("37;") + c.bright_background_16)
            << c.name;
        EXPECT_EQ(sgr_for(attribute, false), std::string("22;37;") + c.background_16) << c.name;
        EXPECT_EQ(sgr_for(attribute | 0x80, false), std::string("22;37;") + c.background_16)
            << c.name;
    }
}
