// A real terminal emulator (libvterm) for tests: feed it what the program
// writes, then read its cells back.
#pragma once

#include <vterm.h>

#include <string>
#include <string_view>

#include "code_page_850.h"

class vterm_screen {
   public:
    vterm_screen(int rows, int columns) : vt_(vterm_new(rows, columns)) {
        vterm_set_utf8(vt_, 1);
        screen_ = vterm_obtain_screen(vt_);
        callbacks_.settermprop = &vterm_screen::termprop;
        vterm_screen_set_callbacks(screen_, &callbacks_, this);
        vterm_screen_reset(screen_, 1);
        vterm_output_set_callback(vt_, &vterm_screen::reply, this);
    }
    ~vterm_screen() { vterm_free(vt_); }
    vterm_screen(const vterm_screen&) = delete;
    vterm_screen& operator=(const vterm_screen&) = delete;

    void feed(std::string_view bytes) { vterm_input_write(vt_, bytes.data(), bytes.size()); }
    void resize(int rows, int columns) { vterm_set_size(vt_, rows, columns); }
    // A fresh terminal of this size (making one costs more than resetting it).
    void reset(int rows, int columns) {
        resize(rows, columns);
        vterm_screen_reset(screen_, 1);
        replies_.clear();
    }

    // 0-based row and column.
    VTermScreenCell cell(int row, int column) const {
        VTermScreenCell c{};
        vterm_screen_get_cell(screen_, VTermPos{row, column}, &c);
        return c;
    }
    char32_t character(int row, int column) const {
        VTermScreenCell c = cell(row, column);
        return c.chars[0] ? c.chars[0] : U' ';
    }
    int foreground(int row, int column) const { return index(cell(row, column).fg); }
    int background(int row, int column) const { return index(cell(row, column).bg); }
    bool bold(int row, int column) const { return cell(row, column).attrs.bold; }
    bool reverse(int row, int column) const { return cell(row, column).attrs.reverse; }

    // A row as UTF-8, for messages and for comparing texts.
    std::string row(int r, int from = 0, int to = -1) const {
        int rows = 0, columns = 0;
        vterm_get_size(vt_, &rows, &columns);
        if (to < 0) to = columns;
        std::string s;
        for (int k = from; k < to; ++k) code_page_850::append_utf8(s, character(r, k));
        return s;
    }

    void cursor(int& row, int& column) const {
        VTermPos p;
        vterm_state_get_cursorpos(vterm_obtain_state(vt_), &p);
        row = p.row;
        column = p.col;
    }
    bool cursor_visible() const { return visible_; }
    // What the terminal answered (to queries), taken once.
    std::string take_replies() {
        std::string s;
        s.swap(replies_);
        return s;
    }

   private:
    // A colour as the terminal's sixteen number it (ECMA-48 order); one of
    // the 256 or a direct colour as the nearest of the PC's sixteen shades.
    int index(VTermColor c) const {
        if (VTERM_COLOR_IS_DEFAULT_FG(&c) || VTERM_COLOR_IS_DEFAULT_BG(&c)) return -1;
        if (VTERM_COLOR_IS_INDEXED(&c) && c.indexed.idx < 16) return c.indexed.idx;
        vterm_screen_convert_color_to_rgb(screen_, &c);
        static const int pc_shades[16][3] = {
            {0, 0, 0},     {170, 0, 0},    {0, 170, 0},    {170, 85, 0},
            {0, 0, 170},   {170, 0, 170},  {0, 170, 170},  {170, 170, 170},
            {85, 85, 85},  {255, 85, 85},  {85, 255, 85},  {255, 255, 85},
            {85, 85, 255}, {255, 85, 255}, {85, 255, 255}, {255, 255, 255}};  // ECMA-48 order
        int best = 0, distance = 1 << 30;
        for (int i = 0; i < 16; ++i) {
            int dr = c.rgb.red - pc_shades[i][0], dg = c.rgb.green - pc_shades[i][1],
                db = c.rgb.blue - pc_shades[i][2];
            if (dr * dr + dg * dg + db * db < distance) {
                distance = dr * dr + dg * dg + db * db;
                best = i;
            }
        }
        return best;
    }
    static int termprop(VTermProp prop, VTermValue* val, void* self) {
        if (prop == VTERM_PROP_CURSORVISIBLE)
            static_cast<vterm_screen*>(self)->visible_ = val->boolean;
        return 1;
    }
    static void reply(const char* s, size_t n, void* self) {
        static_cast<vterm_screen*>(self)->replies_.append(s, n);
    }

    VTerm* vt_;
    VTermScreen* screen_;
    VTermScreenCallbacks callbacks_{};
    bool visible_ = true;
    std::string replies_;
};
