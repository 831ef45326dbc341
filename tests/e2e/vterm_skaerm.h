// A real terminal emulator (libvterm) for tests: feed it what the program
// writes, then read its cells back.
#pragma once

#include <vterm.h>

#include <string>
#include <string_view>

class vterm_skaerm {
   public:
    vterm_skaerm(int raekker, int kolonner) : vt_(vterm_new(raekker, kolonner)) {
        vterm_set_utf8(vt_, 1);
        skaerm_ = vterm_obtain_screen(vt_);
        kald_.settermprop = &vterm_skaerm::termprop;
        vterm_screen_set_callbacks(skaerm_, &kald_, this);
        vterm_screen_reset(skaerm_, 1);
        vterm_output_set_callback(vt_, &vterm_skaerm::svar, this);
    }
    ~vterm_skaerm() { vterm_free(vt_); }
    vterm_skaerm(const vterm_skaerm&) = delete;
    vterm_skaerm& operator=(const vterm_skaerm&) = delete;

    void fodr(std::string_view bytes) { vterm_input_write(vt_, bytes.data(), bytes.size()); }
    void skift_stoerrelse(int raekker, int kolonner) { vterm_set_size(vt_, raekker, kolonner); }

    // 0-based row and column.
    char32_t tegn(int raekke, int kolonne) const {
        VTermScreenCell c = celle(raekke, kolonne);
        return c.chars[0] ? c.chars[0] : U' ';
    }
    int forgrund(int raekke, int kolonne) const { return indeks(celle(raekke, kolonne).fg); }
    int baggrund(int raekke, int kolonne) const { return indeks(celle(raekke, kolonne).bg); }
    bool fed(int raekke, int kolonne) const { return celle(raekke, kolonne).attrs.bold; }

    // A row as UTF-8, for messages and for comparing texts.
    std::string raekke(int r, int fra = 0, int til = -1) const {
        int rows = 0, cols = 0;
        vterm_get_size(vt_, &rows, &cols);
        if (til < 0) til = cols;
        std::string s;
        for (int k = fra; k < til; ++k) utf8(s, tegn(r, k));
        return s;
    }

    void markoer(int& raekke, int& kolonne) const {
        VTermPos p;
        vterm_state_get_cursorpos(vterm_obtain_state(vt_), &p);
        raekke = p.row;
        kolonne = p.col;
    }
    bool markoer_synlig() const { return synlig_; }
    // What the terminal answered (to queries), taken once.
    std::string tag_svar() {
        std::string s;
        s.swap(svar_);
        return s;
    }

    static void utf8(std::string& ud, char32_t c) {
        if (c < 0x80) {
            ud += static_cast<char>(c);
        } else if (c < 0x800) {
            ud += static_cast<char>(0xC0 | (c >> 6));
            ud += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            ud += static_cast<char>(0xE0 | (c >> 12));
            ud += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            ud += static_cast<char>(0x80 | (c & 0x3F));
        }
    }

   private:
    VTermScreenCell celle(int raekke, int kolonne) const {
        VTermScreenCell c{};
        vterm_screen_get_cell(skaerm_, VTermPos{raekke, kolonne}, &c);
        return c;
    }
    // A colour as the terminal's sixteen number it (ECMA-48 order); one of
    // the 256 or a direct colour as the nearest of the PC's sixteen shades.
    int indeks(VTermColor c) const {
        if (VTERM_COLOR_IS_DEFAULT_FG(&c) || VTERM_COLOR_IS_DEFAULT_BG(&c)) return -1;
        if (VTERM_COLOR_IS_INDEXED(&c) && c.indexed.idx < 16) return c.indexed.idx;
        vterm_screen_convert_color_to_rgb(skaerm_, &c);
        static const int pc_nuancer[16][3] = {
            {0, 0, 0},     {170, 0, 0},    {0, 170, 0},    {170, 85, 0},
            {0, 0, 170},   {170, 0, 170},  {0, 170, 170},  {170, 170, 170},
            {85, 85, 85},  {255, 85, 85},  {85, 255, 85},  {255, 255, 85},
            {85, 85, 255}, {255, 85, 255}, {85, 255, 255}, {255, 255, 255}};  // ECMA-48 order
        int bedst = 0, afstand = 1 << 30;
        for (int i = 0; i < 16; ++i) {
            int dr = c.rgb.red - pc_nuancer[i][0], dg = c.rgb.green - pc_nuancer[i][1],
                db = c.rgb.blue - pc_nuancer[i][2];
            if (dr * dr + dg * dg + db * db < afstand) {
                afstand = dr * dr + dg * dg + db * db;
                bedst = i;
            }
        }
        return bedst;
    }
    static int termprop(VTermProp prop, VTermValue* val, void* selv) {
        if (prop == VTERM_PROP_CURSORVISIBLE)
            static_cast<vterm_skaerm*>(selv)->synlig_ = val->boolean;
        return 1;
    }
    static void svar(const char* s, size_t n, void* selv) {
        static_cast<vterm_skaerm*>(selv)->svar_.append(s, n);
    }

    VTerm* vt_;
    VTermScreen* skaerm_;
    VTermScreenCallbacks kald_{};
    bool synlig_ = true;
    std::string svar_;
};
