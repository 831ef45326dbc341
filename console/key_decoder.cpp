#include "key_decoder.h"

#include <algorithm>
#include <cstdint>

#include "cp850.h"

namespace console_detail {

namespace {

// An entry of the translation table: a character code, an extended code
// (the read gives 0 and then the code), or nothing.
constexpr int tom = -1;
constexpr int udv = 1000;
constexpr int E(int n) { return udv + n; }

struct raekke {
    int alene, shift, ctrl, alt;
};

// clang-format off
enum tast : int {
    t_esc, t_f1, t_f2, t_f3, t_f4, t_f5, t_f6, t_f7, t_f8, t_f9, t_f10, t_f11, t_f12,
    t_op, t_venstre, t_hoejre, t_ned, t_backspace, t_tab, t_enter, t_mellemrum,
    t_pgup, t_pgdn, t_end, t_home, t_insert, t_delete,
    t_kp0, t_kp1, t_kp2, t_kp3, t_kp4, t_kp5, t_kp6, t_kp7, t_kp8, t_kp9,
    t_kp_gange, t_kp_plus, t_kp_minus, t_kp_punktum, t_kp_division,
    t_backslash, t_skraastreg, t_minus, t_lig, t_venstre_klamme, t_hoejre_klamme,
    t_semikolon, t_apostrof, t_komma, t_punktum, t_accent,
    t_bogstav_a, t_ciffer_0 = t_bogstav_a + 26, t_antal = t_ciffer_0 + 10
};

const raekke faste[] = {
    {27, 27, 27, E(1)},                                                       // Esc
    {E(59), E(84), E(94), E(104)},   {E(60), E(85), E(95), E(105)},           // F1, F2
    {E(61), E(86), E(96), E(106)},   {E(62), E(87), E(97), E(107)},           // F3, F4
    {E(63), E(88), E(98), E(108)},   {E(64), E(89), E(99), E(109)},           // F5, F6
    {E(65), E(90), E(100), E(110)},  {E(66), E(91), E(101), E(111)},          // F7, F8
    {E(67), E(92), E(102), E(112)},  {E(68), E(93), E(103), E(113)},          // F9, F10
    {E(133), E(135), E(137), E(139)}, {E(134), E(136), E(138), E(140)},       // F11, F12
    {E(72), E(72), E(141), E(152)},  {E(75), E(75), E(115), E(155)},          // Up, Left
    {E(77), E(77), E(116), E(157)},  {E(80), E(80), E(145), E(160)},          // Right, Down
    {8, 8, 127, E(14)},              {9, E(15), E(148), E(165)},              // Backspace, Tab
    {13, 13, 10, E(166)},            {32, 32, E(3), 32},                      // Enter, Space
    {E(73), E(73), E(132), E(153)},  {E(81), E(81), E(118), E(161)},          // PgUp, PgDn
    {E(79), E(79), E(117), E(159)},  {E(71), E(71), E(119), E(151)},          // End, Home
    {E(82), E(82), E(146), E(162)},  {E(83), E(83), E(147), E(163)},          // Insert, Delete
    {48, E(82), E(146), tom},        {49, E(79), E(117), tom},                // keypad 0, 1
    {50, E(80), E(145), tom},        {51, E(81), E(118), tom},                // keypad 2, 3
    {52, E(75), E(115), tom},        {53, E(76), E(143), tom},                // keypad 4, 5
    {54, E(77), E(116), tom},        {55, E(71), E(119), tom},                // keypad 6, 7
    {56, E(72), E(141), tom},        {57, E(73), E(132), tom},                // keypad 8, 9
    {42, 42, E(150), E(55)},         {43, 43, E(144), E(78)},                 // keypad * +
    {45, 45, E(142), E(74)},         {46, 46, E(83), E(147)},                 // keypad - .
    {47, 47, E(149), E(164)},                                                 // keypad /
    {92, 124, 28, E(43)},            {47, 63, tom, E(53)},                    // \ /
    {45, 95, 31, E(130)},            {61, 43, tom, E(131)},                   // - =
    {91, 123, 27, E(26)},            {93, 125, 29, E(27)},                    // [ ]
    {59, 58, tom, E(39)},            {39, 34, tom, E(40)},                    // ; '
    {44, 60, tom, E(51)},            {46, 62, tom, E(52)},                    // , .
    {96, 126, tom, E(41)},                                                    // `
};
// clang-format on
static_assert(sizeof faste / sizeof faste[0] == t_bogstav_a);

const int scankoder[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                           49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
const char shiftede_cifre[] = ")!@#$%^&*(";

raekke opslag(int t) {
    if (t < t_bogstav_a) return faste[t];
    if (t < t_ciffer_0) {
        int i = t - t_bogstav_a;
        return {tom, 'A' + i, i + 1, E(scankoder[i])};
    }
    int d = t - t_ciffer_0;
    static const int shift[10] = {41, 33, 64, 35, 36, 37, 94, 38, 42, 40};
    int ctrl = d == 2 ? E(3) : d == 6 ? 30 : tom;
    return {'0' + d, shift[d], ctrl, d == 0 ? E(129) : E(119 + d)};
}

constexpr int mod_shift = 1, mod_alt = 2, mod_ctrl = 4;
constexpr std::size_t maks_sekvens = 256;

// The key of a character of the US layout, and whether Shift makes it.
int tast_for_tegn(int c, bool& shift) {
    shift = false;
    if (c >= 'a' && c <= 'z') return t_bogstav_a + c - 'a';
    if (c >= 'A' && c <= 'Z') {
        shift = true;
        return t_bogstav_a + c - 'A';
    }
    if (c >= '0' && c <= '9') return t_ciffer_0 + c - '0';
    for (int d = 0; d < 10; ++d)
        if (shiftede_cifre[d] == c) {
            shift = true;
            return t_ciffer_0 + d;
        }
    static const char* const par[] = {"\\|", "/?",  "-_", "=+", "[{", "]}",
                                      ";:",  "'\"", ",<", ".>", "`~"};
    for (int i = 0; i < 11; ++i) {
        if (par[i][0] == c) return t_backslash + i;
        if (par[i][1] == c) {
            shift = true;
            return t_backslash + i;
        }
    }
    if (c == ' ') return t_mellemrum;
    if (c == 27) return t_esc;
    if (c == 13) return t_enter;
    if (c == 9) return t_tab;
    if (c == 127 || c == 8) return t_backspace;
    return -1;
}

// Steps 6 to 8 of the key read: choose the column, fall back to the character.
void koder_for(int t, int mods, int tegn, std::vector<int>& koder) {
    int valgt = tom;
    if (t >= 0) {
        raekke r = opslag(t);
        if (mods & mod_alt)
            valgt = r.alt;
        else if (mods & mod_ctrl)
            valgt = r.ctrl;
        else if (mods & mod_shift)
            valgt = r.shift;
        else if (t >= t_bogstav_a && t < t_ciffer_0)
            valgt = tegn > 0 ? tegn : 'a' + (t - t_bogstav_a);
        else
            valgt = r.alene;
    }
    if (valgt == tom) {
        if (tegn > 0) koder.push_back(tegn);
        return;
    }
    if (valgt >= udv) {
        koder.push_back(0);
        koder.push_back(valgt - udv);
    } else {
        koder.push_back(valgt);
    }
}

// The character a key event carries with these modifiers, as far as the
// fallback needs it: Ctrl makes control characters of letters.
int tegn_med(int c, int mods) {
    if ((mods & mod_ctrl) && !(mods & mod_alt)) {
        if (c >= 'a' && c <= 'z') return c - 'a' + 1;
        if (c >= 'A' && c <= 'Z') return c - 'A' + 1;
        return 0;
    }
    return c;
}

void tegn_tast(int c, int mods, std::vector<int>& koder) {
    bool shift = false;
    int t = tast_for_tegn(c, shift);
    if (shift) mods |= mod_shift;
    koder_for(t, mods, tegn_med(c, mods), koder);
}

// A C0 byte is Ctrl and a letter, or one of the keys that send it.
void c0_tast(unsigned char b, int mods, std::vector<int>& koder) {
    switch (b) {
        case 0: koder_for(t_mellemrum, mods | mod_ctrl, 0, koder); return;
        case 9: koder_for(t_tab, mods, 9, koder); return;
        case 13: koder_for(t_enter, mods, 13, koder); return;
        case 27: koder_for(t_esc, mods, 27, koder); return;
        case 28: koder_for(t_backslash, mods | mod_ctrl, 28, koder); return;
        case 29: koder_for(t_hoejre_klamme, mods | mod_ctrl, 29, koder); return;
        case 30: koder_for(t_ciffer_0 + 6, mods | mod_ctrl, 30, koder); return;
        case 31: koder_for(t_minus, mods | mod_ctrl, 31, koder); return;
        default: koder_for(t_bogstav_a + b - 1, mods | mod_ctrl, b, koder); return;
    }
}

int mods_fra_parameter(int m) {
    if (m < 2) return 0;
    int b = m - 1, mods = 0;
    if (b & 1) mods |= mod_shift;
    if (b & (2 | 32)) mods |= mod_alt;  // Alt, or Meta
    if (b & 4) mods |= mod_ctrl;
    return mods;
}

int tast_for_tilde(int n) {
    switch (n) {
        case 1:
        case 7: return t_home;
        case 2: return t_insert;
        case 3: return t_delete;
        case 4:
        case 8: return t_end;
        case 5: return t_pgup;
        case 6: return t_pgdn;
        case 11: return t_f1;
        case 12: return t_f2;
        case 13: return t_f3;
        case 14: return t_f4;
        case 15: return t_f5;
        case 17:
        case 18:
        case 19:
        case 20:
        case 21: return t_f6 + n - 17;
        case 23: return t_f11;
        case 24: return t_f12;
        default: return -1;
    }
}

int tast_for_bogstav(char f) {
    switch (f) {
        case 'A': return t_op;
        case 'B': return t_ned;
        case 'C': return t_hoejre;
        case 'D': return t_venstre;
        case 'H': return t_home;
        case 'F': return t_end;
        case 'E': return t_kp5;
        case 'P': return t_f1;
        case 'Q': return t_f2;
        case 'R': return t_f3;
        case 'S': return t_f4;
        case 'Z': return t_tab;
        default: return -1;
    }
}

// Keypad keys as SS3 sends them in application mode.
int tast_for_ss3_keypad(char f, int& tegn) {
    tegn = 0;
    if (f >= 'p' && f <= 'y') {
        tegn = '0' + (f - 'p');
        return t_kp0 + (f - 'p');
    }
    switch (f) {
        case 'j': tegn = '*'; return t_kp_gange;
        case 'k': tegn = '+'; return t_kp_plus;
        case 'm': tegn = '-'; return t_kp_minus;
        case 'n': tegn = '.'; return t_kp_punktum;
        case 'o': tegn = '/'; return t_kp_division;
        case 'M': tegn = 13; return t_enter;
        default: return -1;
    }
}

// A key of the kitty keyboard protocol, by its code.
void kitty_tast(long kode, int mods, std::vector<int>& koder) {
    if (kode >= 57399 && kode <= 57408) {
        koder_for(t_kp0 + static_cast<int>(kode - 57399), mods,
                  static_cast<int>('0' + kode - 57399), koder);
        return;
    }
    static const int keypad_rest[] = {t_kp_punktum, t_kp_division, t_kp_gange,
                                      t_kp_minus,   t_kp_plus,     t_enter};
    static const char keypad_tegn[] = {'.', '/', '*', '-', '+', 13};
    if (kode >= 57409 && kode <= 57414) {
        koder_for(keypad_rest[kode - 57409], mods, keypad_tegn[kode - 57409], koder);
        return;
    }
    // The keypad's navigation keys are its digits with NumLock off.
    static const int keypad_nav[] = {t_kp4, t_kp6, t_kp8, t_kp2,        t_kp9, t_kp3,
                                     t_kp7, t_kp1, t_kp0, t_kp_punktum, t_kp5};
    if (kode >= 57417 && kode <= 57427) {
        int t = keypad_nav[kode - 57417];
        if (t == t_kp_punktum) t = t_delete;
        koder_for(t, mods | (mods ? 0 : mod_shift), 0, koder);
        return;
    }
    if (kode >= 0x80) {
        int b = cp850_fra_unicode(static_cast<char32_t>(kode));
        if (b > 0) koder_for(-1, mods, b, koder);
        return;
    }
    if (kode >= 0 && kode < 0x80) {
        if (kode == 127 || kode == 8) {
            koder_for(t_backspace, mods, (mods & mod_ctrl) ? 127 : 8, koder);
            return;
        }
        tegn_tast(static_cast<int>(kode), mods, koder);
    }
}

struct csi_sekvens {
    char privat = 0;  // '?', '>', '<', '=' or 0
    std::vector<std::vector<long>> parametre;
    char mellem = 0;
    char slut = 0;
};

long parameter(const csi_sekvens& s, std::size_t i, long standard) {
    if (i >= s.parametre.size() || s.parametre[i].empty() || s.parametre[i][0] < 0) return standard;
    return s.parametre[i][0];
}

void fortolk_csi(const csi_sekvens& s, std::vector<int>& koder) {
    if (s.privat || s.mellem) return;  // replies to queries, not keys
    int mods = mods_fra_parameter(static_cast<int>(parameter(s, 1, 1)));
    if (s.slut == '~') {
        long n = parameter(s, 0, 0);
        if (n == 27) {  // xterm's modifyOtherKeys
            kitty_tast(parameter(s, 2, 0), mods, koder);
            return;
        }
        int t = tast_for_tilde(static_cast<int>(n));
        if (t >= 0) koder_for(t, mods, 0, koder);
        return;
    }
    if (s.slut == 'u') {
        // Kitty: key[:alternates] ; modifiers[:event] ; text. Releases are ignored.
        if (s.parametre.size() > 1 && s.parametre[1].size() > 1 && s.parametre[1][1] == 3) return;
        long kode = parameter(s, 0, -1);
        if (kode == 27) {
            koder_for(t_esc, mods, 27, koder);
        } else if (kode == 13 || kode == 9) {
            koder_for(kode == 13 ? t_enter : t_tab, mods, static_cast<int>(kode), koder);
        } else if (kode == 32) {
            koder_for(t_mellemrum, mods, 32, koder);
        } else if (kode >= 0) {
            kitty_tast(kode, mods, koder);
        }
        return;
    }
    int t = tast_for_bogstav(s.slut);
    if (s.slut == 'Z') mods |= mod_shift;
    if (t == t_kp5) mods |= mod_shift;  // the keypad's 5 with NumLock off
    if (t >= 0) koder_for(t, mods, 0, koder);
}

enum class udfald { tast, mere, ugyldig };

// Decodes a key from the start of `b` (not Esc-prefixed); `brugt` is how
// many bytes it took.
udfald afkod_tegn(std::string_view b, int mods, std::size_t& brugt, std::vector<int>& koder) {
    auto c = static_cast<unsigned char>(b[0]);
    if (c < 0x20) {
        brugt = 1;
        c0_tast(c, mods, koder);
        return udfald::tast;
    }
    if (c < 0x80) {
        brugt = 1;
        if (c == 0x7F)
            koder_for(t_backspace, mods, 8, koder);
        else if (mods)
            tegn_tast(c, mods, koder);
        else
            koder.push_back(c);
        return udfald::tast;
    }
    // UTF-8: a character of code page 850 becomes its byte; others are dropped.
    int laengde = c >= 0xF0 && c < 0xF8 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (laengde == 0 || c >= 0xF8) {
        brugt = 1;
        return udfald::ugyldig;
    }
    char32_t kode = c & (0x7F >> laengde);
    for (int i = 1; i < laengde; ++i) {
        if (static_cast<std::size_t>(i) >= b.size()) return udfald::mere;
        auto f = static_cast<unsigned char>(b[static_cast<std::size_t>(i)]);
        if ((f & 0xC0) != 0x80) {
            brugt = static_cast<std::size_t>(i);
            return udfald::ugyldig;
        }
        kode = (kode << 6) | (f & 0x3F);
    }
    brugt = static_cast<std::size_t>(laengde);
    int cp = cp850_fra_unicode(kode);
    if (cp > 0) koder_for(-1, mods, cp, koder);
    return udfald::tast;
}

// CSI: parameters, intermediates, then a final byte. Linux console F1..F5
// are ESC [ [ A..E. Anything malformed is swallowed up to where it breaks.
udfald afkod_csi(std::string_view b, std::size_t& brugt, std::vector<int>& koder) {
    std::size_t i = 2;
    if (b.size() > 2 && b[2] == '[') {
        if (b.size() < 4) return udfald::mere;
        brugt = 4;
        if (b[3] >= 'A' && b[3] <= 'E') koder_for(t_f1 + (b[3] - 'A'), 0, 0, koder);
        return udfald::tast;
    }
    csi_sekvens s;
    if (i < b.size() && (b[i] == '?' || b[i] == '>' || b[i] == '<' || b[i] == '='))
        s.privat = b[i++];
    s.parametre.emplace_back();
    long tal = -1;
    for (; i < b.size(); ++i) {
        auto c = static_cast<unsigned char>(b[i]);
        if (c >= '0' && c <= '9') {
            tal = (tal < 0 ? 0 : tal) * 10 + (c - '0');
            if (tal > 10000000) tal = 10000000;
        } else if (c == ':' || c == ';') {
            s.parametre.back().push_back(tal);
            tal = -1;
            if (c == ';') s.parametre.emplace_back();
        } else if (c >= 0x20 && c <= 0x2F) {
            s.mellem = static_cast<char>(c);
        } else if (c >= 0x40 && c <= 0x7E) {
            s.parametre.back().push_back(tal);
            s.slut = static_cast<char>(c);
            brugt = i + 1;
            fortolk_csi(s, koder);
            return udfald::tast;
        } else if (c >= 0x3C && c <= 0x3F) {
            s.privat = static_cast<char>(c);
        } else {
            brugt = i;  // a control byte breaks the sequence off
            return udfald::ugyldig;
        }
    }
    return udfald::mere;
}

udfald afkod_ss3(std::string_view b, std::size_t& brugt, std::vector<int>& koder) {
    std::size_t i = 2;
    int m = 0;
    while (i < b.size() && b[i] >= '0' && b[i] <= '9') m = std::min(m * 10 + (b[i++] - '0'), 1000);
    if (i >= b.size()) return udfald::mere;
    brugt = i + 1;
    int mods = mods_fra_parameter(m), tegn = 0;
    int t = tast_for_ss3_keypad(b[i], tegn);
    if (t < 0) {
        t = tast_for_bogstav(b[i]);
        if (t == t_kp5) mods |= mod_shift;
    }
    if (t >= 0) koder_for(t, mods, tegn, koder);
    return udfald::tast;
}

udfald afkod(std::string_view b, std::size_t& brugt, std::vector<int>& koder) {
    if (b[0] != 0x1B) return afkod_tegn(b, 0, brugt, koder);
    if (b.size() < 2) return udfald::mere;
    if (b[1] == '[') return afkod_csi(b, brugt, koder);
    if (b[1] == 'O') return afkod_ss3(b, brugt, koder);
    // Esc before a key is Alt with that key.
    std::string_view rest = b.substr(1);
    if (rest[0] == 0x1B) {
        if (rest.size() < 2) return udfald::mere;
        if (rest[1] == '[' || rest[1] == 'O') {
            std::vector<int> indre;
            udfald u =
                rest[1] == '[' ? afkod_csi(rest, brugt, indre) : afkod_ss3(rest, brugt, indre);
            ++brugt;
            if (u != udfald::tast) return u;
            // Alt with a cursor or function key: take it again with Alt.
            if (indre.size() == 2 && indre[0] == 0) {
                for (int t = 0; t < t_antal; ++t) {
                    raekke r = opslag(t);
                    if (r.alene == E(indre[1]) || r.shift == E(indre[1])) {
                        koder_for(t, mod_alt, 0, koder);
                        return udfald::tast;
                    }
                }
            }
            koder = indre;
            return udfald::tast;
        }
        brugt = 2;
        koder_for(t_esc, mod_alt, 27, koder);
        return udfald::tast;
    }
    udfald u = afkod_tegn(rest, mod_alt, brugt, koder);
    ++brugt;
    return u;
}

}  // namespace

bool tastdekoder::slug_rest() {
    std::size_t i = 0;
    for (; i < buf_.size(); ++i) {
        auto c = static_cast<unsigned char>(buf_[i]);
        if (c < 0x20 || c >= 0x7F) {  // not part of a sequence: input again
            sluger_ = false;
            break;
        }
        if (c >= 0x40) {  // the final byte
            ++i;
            sluger_ = false;
            break;
        }
    }
    buf_.erase(0, i);
    return sluger_;
}

bool tastdekoder::naeste(std::vector<int>& koder, bool udloebet) {
    koder.clear();
    while (!buf_.empty()) {
        if (sluger_ && slug_rest()) return false;
        if (buf_.empty()) return false;
        std::size_t brugt = 0;
        udfald u = afkod(buf_, brugt, koder);
        if (u == udfald::mere && buf_.size() > maks_sekvens) {
            // No key is this long: drop what there is and the rest of it.
            buf_.clear();
            sluger_ = true;
            return false;
        }
        if (u == udfald::mere) {
            if (!udloebet || !venter_paa_tid()) return false;
            // The wait ran out: a lone Esc is the Esc key; Esc Esc is Alt+Esc;
            // a broken character is dropped.
            if (buf_ == "\x1b") {
                koder_for(t_esc, 0, 27, koder);
                brugt = 1;
            } else if (buf_ == "\x1b\x1b") {
                koder_for(t_esc, mod_alt, 27, koder);
                brugt = 2;
            } else {
                brugt = buf_.size();
            }
        }
        buf_.erase(0, brugt);
        if (!koder.empty()) return true;
    }
    return false;
}

bool tastdekoder::venter_paa_tid() const {
    if (buf_.empty()) return false;
    std::string_view b = buf_;
    if (b[0] == 0x1B) {
        if (b.size() == 1) return true;
        if (b[1] == '[' || b[1] == 'O') return false;  // a sequence never times out
        if (b[1] == 0x1B) return b.size() == 2;
        b.remove_prefix(1);
    }
    return static_cast<unsigned char>(b[0]) >= 0x80;  // part of a character
}

}  // namespace console_detail
