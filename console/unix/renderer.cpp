#include "renderer.h"

#include <algorithm>

#include "code_page_850.h"
#include "cp850.h"

namespace console_detail {

namespace {

constexpr const char* csi = "\x1b[";

// PC colour order has blue in bit 0 and red in bit 2; ECMA-48 the reverse.
int ecma(int colour) { return (colour & 2) | ((colour & 1) << 2) | ((colour & 4) >> 2); }

void append_number(std::string& out, int n) { out += std::to_string(n); }

constexpr int light_grey = 7, dark_grey = 8, white = 15;
constexpr unsigned char full_block = 0xDB;  // code page 850's █
// The SGR state kept on a terminal without colours.
constexpr int bold_flag = 1, reverse_flag = 2;

// A terminal's own light grey is almost white in most palettes (#E5E5E5 in
// xterm, #DDDDDD in kitty, #FCFCFC in konsole), and an eight-colour one may
// not brighten bold at all: white on light grey, the labels' colours, is
// drawn dark grey there, which every palette shows legibly on its grey.
int legible_foreground(int foreground, int background) {
    return foreground == white && background == light_grey ? dark_grey : foreground;
}

}  // namespace

// The cheapest of the cursor movements that get there.
void renderer::move_to(std::string& out, int x, int y) {
    if (x == tx_ && y == ty_) return;
    std::string best = csi;
    if (y > 0 || x > 0) append_number(best, y + 1);
    if (x > 0) {
        best += ';';
        append_number(best, x + 1);
    }
    best += 'H';
    auto try_shorter = [&](std::string candidate) {
        if (candidate.size() < best.size()) best = std::move(candidate);
    };
    if (ty_ == y && tx_ >= 0) {
        try_shorter(std::string(csi) + std::to_string(x + 1) + "G");
        if (x > tx_)
            try_shorter(std::string(csi) + (x - tx_ > 1 ? std::to_string(x - tx_) : "") + "C");
        if (x == 0) try_shorter("\r");
    }
    if (ty_ >= 0 && y == ty_ + 1 && tx_ >= 0) {
        if (x == 0) try_shorter("\r\n");
        if (x == tx_) try_shorter("\n");
    }
    out += best;
    tx_ = x;
    ty_ = y;
}

void renderer::set_colours(std::string& out, std::uint8_t attribute) {
    if (attribute == sgr_.attribute) return;
    int fg = attribute & 0x0F, bg = (attribute >> 4) & 0x07;
    bool bright_background = attribute & 0x80;
    if (depth_ == colour_depth::none) return set_monochrome(out, attribute);
    if (depth_ != colour_depth::ansi) return set_palette_colours(out, attribute);
    if (!bright_background) fg = legible_foreground(fg, bg);
    int new_fg, new_bg = (bright_background && sixteen_colours_ ? 100 : 40) + ecma(bg);
    int new_bold = 0;
    if (sixteen_colours_) {
        new_fg = (fg & 8 ? 90 : 30) + ecma(fg & 7);
    } else {
        new_fg = 30 + ecma(fg & 7);
        new_bold = fg & 8 ? 1 : 22;
    }
    std::string parameters;
    auto add = [&](int p) {
        if (!parameters.empty()) parameters += ';';
        append_number(parameters, p);
    };
    if (new_bold && new_bold != sgr_.bold) add(new_bold);
    if (new_fg != sgr_.foreground) add(new_fg);
    if (new_bg != sgr_.background) add(new_bg);
    sgr_ = {new_fg, new_bg, new_bold ? new_bold : sgr_.bold, attribute};
    if (parameters.empty()) return;
    out += csi;
    out += parameters;
    out += 'm';
}

// The PC's own shades; the foreground and background numbers kept are the
// PC colours themselves, past every ECMA-48 parameter.
void renderer::set_palette_colours(std::string& out, std::uint8_t attribute) {
    constexpr int pc = 1000;
    int fg = attribute & 0x0F, bg = ((attribute >> 4) & 0x07) | (attribute & 0x80 ? 8 : 0);
    std::string parameters;
    if (pc + fg != sgr_.foreground) parameters = sgr_colour(depth_, fg, false);
    if (pc + bg != sgr_.background) {
        if (!parameters.empty()) parameters += ';';
        parameters += sgr_colour(depth_, bg, true);
    }
    sgr_ = {pc + fg, pc + bg, sgr_.bold, attribute};
    if (parameters.empty()) return;
    out += csi;
    out += parameters;
    out += 'm';
}

// No colours: a cell on any background but black or light grey (the list's
// highlight, the boxes, the dialog, the last row's reason) in reverse
// video, bright text in bold. The parameters kept are these two flags.
void renderer::set_monochrome(std::string& out, std::uint8_t attribute) {
    const int bg = (attribute >> 4) & 0x07;
    const int flags =
        (attribute & 0x08 ? bold_flag : 0) | (bg != 0 && bg != light_grey ? reverse_flag : 0);
    sgr_.attribute = attribute;
    if (flags == sgr_.foreground) return;
    sgr_.foreground = flags;
    out += csi;
    out += '0';
    if (flags & bold_flag) out += ";1";
    if (flags & reverse_flag) out += ";7";
    out += 'm';
}

// A legacy codeset has no full block, and line-drawing sets have at most a
// smaller one: a space in reverse video fills the cell on every terminal.
void renderer::append_full_block(std::string& out) {
    legacy_->finish(out);
    const bool reversed =
        depth_ == colour_depth::none && sgr_.foreground >= 0 && (sgr_.foreground & reverse_flag);
    out += reversed ? "\x1b[27m \x1b[7m" : "\x1b[7m \x1b[27m";
}

void renderer::run(std::string& out, const screen_op& op) {
    switch (op.type) {
        case screen_op::kind::repaint:
            // Blank the whole terminal in its default colours.
            out += "\x1b[0m\x1b[H\x1b[2J";
            tx_ = ty_ = 0;
            sgr_ = sgr{};
            break;
        case screen_op::kind::fill: break;  // not planned for a terminal
        case screen_op::kind::scroll:
            // Line feeds on the last row: every terminal scrolls so.
            move_to(out, 0, terminal_rows() - 1);
            out.append(static_cast<std::size_t>(op.count), '\n');
            break;
        case screen_op::kind::write:
            move_to(out, op.column, op.row);
            for (const cell& c : op.cells) {
                set_colours(out, c.attribute);
                if (legacy_ && c.character == full_block)
                    append_full_block(out);
                else if (legacy_)
                    legacy_->append(out, code_page_850::cell_glyph(c.character));
                else
                    append_glyph(out, c.character);
            }
            // At the last column the cursor stays put (autowrap is off).
            tx_ = op.column + op.count < terminal_columns() ? op.column + op.count : -1;
            break;
        case screen_op::kind::cursor_position: move_to(out, op.column, op.row); break;
        case screen_op::kind::cursor_shape:
            out += op.count != cursor_hidden ? "\x1b[?25h" : "\x1b[?25l";
            if (op.count != cursor_hidden && cursor_styles_)  // DECSCUSR: underline, or block
                out += op.count == cursor_quarter_cell ? "\x1b[4 q" : "\x1b[2 q";
            break;
        case screen_op::kind::beep: out += '\a'; break;
    }
}

std::string renderer::render(screen_model& model) {
    std::string out;
    for (const auto& op : diff_.plan(model)) run(out, op);
    if (out.empty()) return out;
    // The line-drawing set never outlasts an update.
    if (legacy_) legacy_->finish(out);
    // Synchronized output (CSI ? 2026 h/l): the terminal paints the update at once.
    if (!synchronized_) return out;
    return "\x1b[?2026h" + out + "\x1b[?2026l";
}

}  // namespace console_detail
