#include "renderer.h"

#include <algorithm>

#include "cp850.h"

namespace console_detail {

namespace {

constexpr std::uint32_t unknown = 0xFFFFFFFF;
constexpr const char* csi = "\x1b[";

std::uint32_t cell_key(const cell& c) {
    return c.character | (static_cast<std::uint32_t>(c.attribute) << 8);
}

// PC colour order has blue in bit 0 and red in bit 2; ECMA-48 the reverse.
int ecma(int colour) { return (colour & 2) | ((colour & 1) << 2) | ((colour & 4) >> 2); }

void append_number(std::string& out, int n) { out += std::to_string(n); }

}  // namespace

void renderer::set_terminal_size(int columns, int rows) {
    columns = std::clamp(columns, 1, largest_screen_side);
    rows = std::clamp(rows, 1, largest_screen_side);
    if (columns != columns_ || rows != rows_) full_ = true;
    columns_ = columns;
    rows_ = rows;
}

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

std::string renderer::render(screen_model& model) {
    std::string out;
    if (model.columns() < model_columns_ || model.rows() < model_rows_) full_ = true;
    model_columns_ = model.columns();
    model_rows_ = model.rows();
    if (full_) {
        // Blank the whole terminal in its default colours, then paint every cell.
        out += "\x1b[0m\x1b[H\x1b[2J";
        shown_.assign(static_cast<std::size_t>(columns_ * rows_), unknown);
        tx_ = ty_ = 0;
        sgr_ = sgr{};
        cursor_shown_ = -1;
        notice_.clear();
        full_ = false;
    }
    bool too_small = model.columns() > columns_ || model.rows() > rows_;
    int width = std::min(model.columns(), columns_);
    int height = std::min(model.rows(), too_small ? rows_ - 1 : rows_);
    shown_rows_ = std::max(height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const cell& c = model.at(x, y);
            std::uint32_t& shown = shown_[static_cast<std::size_t>(y * columns_ + x)];
            if (shown == cell_key(c)) continue;
            move_to(out, x, y);
            set_colours(out, c.attribute);
            append_glyph(out, c.character);
            shown = cell_key(c);
            // At the last column the cursor stays put (autowrap is off).
            tx_ = x + 1 < columns_ ? x + 1 : -1;
        }
    }
    if (too_small) draw_notice(out, model);
    out.append(static_cast<std::size_t>(model.beeps), '\a');  // the console's beep
    model.beeps = 0;
    bool show = model.cursor_visible && model.x < width && model.y < height;
    if (show) move_to(out, model.x, model.y);
    if (static_cast<int>(show) != cursor_shown_) {
        out += show ? "\x1b[?25h" : "\x1b[?25l";
        cursor_shown_ = show;
    }
    if (out.empty()) return out;
    // Synchronized output (CSI ? 2026 h/l): the terminal paints the update at once.
    return "\x1b[?2026h" + out + "\x1b[?2026l";
}

void renderer::draw_notice(std::string& out, const screen_model& model) {
    std::string text = size_notice(model.columns(), model.rows(), columns_, rows_);
    if (text == notice_) return;
    move_to(out, 0, rows_ - 1);
    out += "\x1b[0;97;41m";
    out += text;
    sgr_ = sgr{};
    tx_ = -1;
    notice_ = text;
    std::fill(shown_.begin() + static_cast<std::ptrdiff_t>((rows_ - 1) * columns_), shown_.end(),
              unknown);
}

}  // namespace console_detail
