#include "key_decoder.h"

#include <algorithm>
#include <cstdint>

#include "cp850.h"

namespace console_detail {

namespace {

// An entry of the translation table: a character code, an extended code
// (the read gives 0 and then the code), or nothing.
constexpr int none = -1;
constexpr int extended_base = 1000;
constexpr int E(int n) { return extended_base + n; }

struct row {
    int plain, shift, ctrl, alt;
};

// clang-format off
enum key : int {
    k_escape, k_f1, k_f2, k_f3, k_f4, k_f5, k_f6, k_f7, k_f8, k_f9, k_f10, k_f11, k_f12,
    k_up, k_left, k_right, k_down, k_backspace, k_tab, k_enter, k_space,
    k_page_up, k_page_down, k_end, k_home, k_insert, k_delete,
    k_keypad_0, k_keypad_1, k_keypad_2, k_keypad_3, k_keypad_4, k_keypad_5, k_keypad_6, k_keypad_7, k_keypad_8, k_keypad_9,
    k_keypad_multiply, k_keypad_plus, k_keypad_minus, k_keypad_decimal, k_keypad_divide,
    k_backslash, k_slash, k_minus, k_equals, k_left_bracket, k_right_bracket,
    k_semicolon, k_apostrophe, k_comma, k_period, k_backtick,
    k_letter_a, k_digit_0 = k_letter_a + 26, k_count = k_digit_0 + 10
};

const row fixed_rows[] = {
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
    {48, E(82), E(146), none},        {49, E(79), E(117), none},                // keypad 0, 1
    {50, E(80), E(145), none},        {51, E(81), E(118), none},                // keypad 2, 3
    {52, E(75), E(115), none},        {53, E(76), E(143), none},                // keypad 4, 5
    {54, E(77), E(116), none},        {55, E(71), E(119), none},                // keypad 6, 7
    {56, E(72), E(141), none},        {57, E(73), E(132), none},                // keypad 8, 9
    {42, 42, E(150), E(55)},         {43, 43, E(144), E(78)},                 // keypad * +
    {45, 45, E(142), E(74)},         {46, 46, E(83), E(147)},                 // keypad - .
    {47, 47, E(149), E(164)},                                                 // keypad /
    {92, 124, 28, E(43)},            {47, 63, none, E(53)},                    // \ /
    {45, 95, 31, E(130)},            {61, 43, none, E(131)},                   // - =
    {91, 123, 27, E(26)},            {93, 125, 29, E(27)},                    // [ ]
    {59, 58, none, E(39)},            {39, 34, none, E(40)},                    // ; '
    {44, 60, none, E(51)},            {46, 62, none, E(52)},                    // , .
    {96, 126, none, E(41)},                                                    // `
};
// clang-format on
static_assert(sizeof fixed_rows / sizeof fixed_rows[0] == k_letter_a);

const int scan_codes[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                            49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
const char shifted_digits[] = ")!@#$%^&*(";

row lookup(int t) {
    if (t < k_letter_a) return fixed_rows[t];
    if (t < k_digit_0) {
        int i = t - k_letter_a;
        return {none, 'A' + i, i + 1, E(scan_codes[i])};
    }
    int d = t - k_digit_0;
    static const int shift[10] = {41, 33, 64, 35, 36, 37, 94, 38, 42, 40};
    int ctrl = d == 2 ? E(3) : d == 6 ? 30 : none;
    return {'0' + d, shift[d], ctrl, d == 0 ? E(129) : E(119 + d)};
}

constexpr int mod_shift = 1, mod_alt = 2, mod_ctrl = 4;
constexpr std::size_t max_sequence = 256;

// The key of a character of the US layout, and whether Shift makes it.
int key_for_character(int c, bool& shift) {
    shift = false;
    if (c >= 'a' && c <= 'z') return k_letter_a + c - 'a';
    if (c >= 'A' && c <= 'Z') {
        shift = true;
        return k_letter_a + c - 'A';
    }
    if (c >= '0' && c <= '9') return k_digit_0 + c - '0';
    for (int d = 0; d < 10; ++d)
        if (shifted_digits[d] == c) {
            shift = true;
            return k_digit_0 + d;
        }
    static const char* const pairs[] = {"\\|", "/?",  "-_", "=+", "[{", "]}",
                                        ";:",  "'\"", ",<", ".>", "`~"};
    for (int i = 0; i < 11; ++i) {
        if (pairs[i][0] == c) return k_backslash + i;
        if (pairs[i][1] == c) {
            shift = true;
            return k_backslash + i;
        }
    }
    if (c == ' ') return k_space;
    if (c == 27) return k_escape;
    if (c == 13) return k_enter;
    if (c == 9) return k_tab;
    if (c == 127 || c == 8) return k_backspace;
    return -1;
}

// Steps 6 to 8 of the key read: choose the column, fall back to the character.
void codes_for(int t, int mods, int character, std::vector<int>& codes) {
    int chosen = none;
    if (t >= 0) {
        row r = lookup(t);
        if (mods & mod_alt)
            chosen = r.alt;
        else if (mods & mod_ctrl)
            chosen = r.ctrl;
        else if (mods & mod_shift)
            chosen = r.shift;
        else if (t >= k_letter_a && t < k_digit_0)
            chosen = character > 0 ? character : 'a' + (t - k_letter_a);
        else
            chosen = r.plain;
    }
    if (chosen == none) {
        if (character > 0) codes.push_back(character);
        return;
    }
    if (chosen >= extended_base) {
        codes.push_back(0);
        codes.push_back(chosen - extended_base);
    } else {
        codes.push_back(chosen);
    }
}

// The character a key event carries with these modifiers, as far as the
// fallback needs it: Ctrl makes control characters of letters.
int character_with(int c, int mods) {
    if ((mods & mod_ctrl) && !(mods & mod_alt)) {
        if (c >= 'a' && c <= 'z') return c - 'a' + 1;
        if (c >= 'A' && c <= 'Z') return c - 'A' + 1;
        return 0;
    }
    return c;
}

void character_key(int c, int mods, std::vector<int>& codes) {
    bool shift = false;
    int t = key_for_character(c, shift);
    if (shift) mods |= mod_shift;
    codes_for(t, mods, character_with(c, mods), codes);
}

// A C0 byte is Ctrl and a letter, or one of the keys that send it.
void c0_key(unsigned char b, int mods, std::vector<int>& codes) {
    switch (b) {
        case 0: codes_for(k_space, mods | mod_ctrl, 0, codes); return;
        case 9: codes_for(k_tab, mods, 9, codes); return;
        case 13: codes_for(k_enter, mods, 13, codes); return;
        case 27: codes_for(k_escape, mods, 27, codes); return;
        case 28: codes_for(k_backslash, mods | mod_ctrl, 28, codes); return;
        case 29: codes_for(k_right_bracket, mods | mod_ctrl, 29, codes); return;
        case 30: codes_for(k_digit_0 + 6, mods | mod_ctrl, 30, codes); return;
        case 31: codes_for(k_minus, mods | mod_ctrl, 31, codes); return;
        default: codes_for(k_letter_a + b - 1, mods | mod_ctrl, b, codes); return;
    }
}

int mods_from_parameter(int m) {
    if (m < 2) return 0;
    int b = m - 1, mods = 0;
    if (b & 1) mods |= mod_shift;
    if (b & (2 | 32)) mods |= mod_alt;  // Alt, or Meta
    if (b & 4) mods |= mod_ctrl;
    return mods;
}

int key_for_tilde(int n) {
    switch (n) {
        case 1:
        case 7: return k_home;
        case 2: return k_insert;
        case 3: return k_delete;
        case 4:
        case 8: return k_end;
        case 5: return k_page_up;
        case 6: return k_page_down;
        case 11: return k_f1;
        case 12: return k_f2;
        case 13: return k_f3;
        case 14: return k_f4;
        case 15: return k_f5;
        case 17:
        case 18:
        case 19:
        case 20:
        case 21: return k_f6 + n - 17;
        case 23: return k_f11;
        case 24: return k_f12;
        default: return -1;
    }
}

int key_for_final(char f) {
    switch (f) {
        case 'A': return k_up;
        case 'B': return k_down;
        case 'C': return k_right;
        case 'D': return k_left;
        case 'H': return k_home;
        case 'F': return k_end;
        case 'E': return k_keypad_5;
        case 'P': return k_f1;
        case 'Q': return k_f2;
        case 'R': return k_f3;
        case 'S': return k_f4;
        case 'Z': return k_tab;
        default: return -1;
    }
}

// Keypad keys as SS3 sends them in application mode.
int key_for_ss3_keypad(char f, int& character) {
    character = 0;
    if (f >= 'p' && f <= 'y') {
        character = '0' + (f - 'p');
        return k_keypad_0 + (f - 'p');
    }
    switch (f) {
        case 'j': character = '*'; return k_keypad_multiply;
        case 'k': character = '+'; return k_keypad_plus;
        case 'm': character = '-'; return k_keypad_minus;
        case 'n': character = '.'; return k_keypad_decimal;
        case 'o': character = '/'; return k_keypad_divide;
        case 'M': character = 13; return k_enter;
        default: return -1;
    }
}

// A key of the kitty keyboard protocol, by its code.
void kitty_key(long code, int mods, std::vector<int>& codes) {
    if (code >= 57399 && code <= 57408) {
        codes_for(k_keypad_0 + static_cast<int>(code - 57399), mods,
                  static_cast<int>('0' + code - 57399), codes);
        return;
    }
    static const int keypad_rest[] = {k_keypad_decimal, k_keypad_divide, k_keypad_multiply,
                                      k_keypad_minus,   k_keypad_plus,   k_enter};
    static const char keypad_characters[] = {'.', '/', '*', '-', '+', 13};
    if (code >= 57409 && code <= 57414) {
        codes_for(keypad_rest[code - 57409], mods, keypad_characters[code - 57409], codes);
        return;
    }
    // The keypad's navigation keys are its digits with NumLock off.
    static const int keypad_nav[] = {k_keypad_4, k_keypad_6,       k_keypad_8, k_keypad_2,
                                     k_keypad_9, k_keypad_3,       k_keypad_7, k_keypad_1,
                                     k_keypad_0, k_keypad_decimal, k_keypad_5};
    if (code >= 57417 && code <= 57427) {
        int t = keypad_nav[code - 57417];
        if (t == k_keypad_decimal) t = k_delete;
        codes_for(t, mods | (mods ? 0 : mod_shift), 0, codes);
        return;
    }
    if (code >= 0x80) {
        int b = cp850_from_unicode(static_cast<char32_t>(code));
        if (b > 0) codes_for(-1, mods, b, codes);
        return;
    }
    if (code >= 0 && code < 0x80) {
        if (code == 127 || code == 8) {
            codes_for(k_backspace, mods, (mods & mod_ctrl) ? 127 : 8, codes);
            return;
        }
        character_key(static_cast<int>(code), mods, codes);
    }
}

struct csi_sequence {
    char private_marker = 0;  // '?', '>', '<', '=' or 0
    std::vector<std::vector<long>> parameters;
    char intermediate = 0;
    char final = 0;
};

long parameter(const csi_sequence& s, std::size_t i, long fallback) {
    if (i >= s.parameters.size() || s.parameters[i].empty() || s.parameters[i][0] < 0)
        return fallback;
    return s.parameters[i][0];
}

void interpret_csi(const csi_sequence& s, std::vector<int>& codes) {
    if (s.private_marker || s.intermediate) return;  // replies to queries, not keys
    int mods = mods_from_parameter(static_cast<int>(parameter(s, 1, 1)));
    if (s.final == '~') {
        long n = parameter(s, 0, 0);
        if (n == 27) {  // xterm's modifyOtherKeys
            kitty_key(parameter(s, 2, 0), mods, codes);
            return;
        }
        int t = key_for_tilde(static_cast<int>(n));
        if (t >= 0) codes_for(t, mods, 0, codes);
        return;
    }
    if (s.final == 'u') {
        // Kitty: key[:alternates] ; modifiers[:event] ; text. Releases are ignored.
        if (s.parameters.size() > 1 && s.parameters[1].size() > 1 && s.parameters[1][1] == 3)
            return;
        long code = parameter(s, 0, -1);
        if (code == 27) {
            codes_for(k_escape, mods, 27, codes);
        } else if (code == 13 || code == 9) {
            codes_for(code == 13 ? k_enter : k_tab, mods, static_cast<int>(code), codes);
        } else if (code == 32) {
            codes_for(k_space, mods, 32, codes);
        } else if (code >= 0) {
            kitty_key(code, mods, codes);
        }
        return;
    }
    int t = key_for_final(s.final);
    if (s.final == 'Z') mods |= mod_shift;
    if (t == k_keypad_5) mods |= mod_shift;  // the keypad's 5 with NumLock off
    if (t >= 0) codes_for(t, mods, 0, codes);
}

enum class outcome { key, more, invalid };

// Decodes a key from the start of `b` (not Esc-prefixed); `used` is how
// many bytes it took.
outcome decode_character(std::string_view b, int mods, std::size_t& used, std::vector<int>& codes) {
    auto c = static_cast<unsigned char>(b[0]);
    if (c < 0x20) {
        used = 1;
        c0_key(c, mods, codes);
        return outcome::key;
    }
    if (c < 0x80) {
        used = 1;
        if (c == 0x7F)
            codes_for(k_backspace, mods, 8, codes);
        else if (mods)
            character_key(c, mods, codes);
        else
            codes.push_back(c);
        return outcome::key;
    }
    // UTF-8: a character of code page 850 becomes its byte; others are dropped.
    int length = c >= 0xF0 && c < 0xF8 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (length == 0 || c >= 0xF8) {
        used = 1;
        return outcome::invalid;
    }
    char32_t code = c & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if (static_cast<std::size_t>(i) >= b.size()) return outcome::more;
        auto f = static_cast<unsigned char>(b[static_cast<std::size_t>(i)]);
        if ((f & 0xC0) != 0x80) {
            used = static_cast<std::size_t>(i);
            return outcome::invalid;
        }
        code = (code << 6) | (f & 0x3F);
    }
    used = static_cast<std::size_t>(length);
    int cp = cp850_from_unicode(code);
    if (cp > 0) codes_for(-1, mods, cp, codes);
    return outcome::key;
}

// CSI: parameters, intermediates, then a final byte. Linux console F1..F5
// are ESC [ [ A..E. Anything malformed is swallowed up to where it breaks.
outcome decode_csi(std::string_view b, std::size_t& used, std::vector<int>& codes) {
    std::size_t i = 2;
    if (b.size() > 2 && b[2] == '[') {
        if (b.size() < 4) return outcome::more;
        used = 4;
        if (b[3] >= 'A' && b[3] <= 'E') codes_for(k_f1 + (b[3] - 'A'), 0, 0, codes);
        return outcome::key;
    }
    csi_sequence s;
    if (i < b.size() && (b[i] == '?' || b[i] == '>' || b[i] == '<' || b[i] == '='))
        s.private_marker = b[i++];
    s.parameters.emplace_back();
    long number = -1;
    for (; i < b.size(); ++i) {
        auto c = static_cast<unsigned char>(b[i]);
        if (c >= '0' && c <= '9') {
            number = (number < 0 ? 0 : number) * 10 + (c - '0');
            if (number > 10000000) number = 10000000;
        } else if (c == ':' || c == ';') {
            s.parameters.back().push_back(number);
            number = -1;
            if (c == ';') s.parameters.emplace_back();
        } else if (c >= 0x20 && c <= 0x2F) {
            s.intermediate = static_cast<char>(c);
        } else if (c >= 0x40 && c <= 0x7E) {
            s.parameters.back().push_back(number);
            s.final = static_cast<char>(c);
            used = i + 1;
            interpret_csi(s, codes);
            return outcome::key;
        } else if (c >= 0x3C && c <= 0x3F) {
            s.private_marker = static_cast<char>(c);
        } else {
            used = i;  // a control byte breaks the sequence off
            return outcome::invalid;
        }
    }
    return outcome::more;
}

outcome decode_ss3(std::string_view b, std::size_t& used, std::vector<int>& codes) {
    std::size_t i = 2;
    int m = 0;
    while (i < b.size() && b[i] >= '0' && b[i] <= '9') m = std::min(m * 10 + (b[i++] - '0'), 1000);
    if (i >= b.size()) return outcome::more;
    used = i + 1;
    int mods = mods_from_parameter(m), character = 0;
    int t = key_for_ss3_keypad(b[i], character);
    if (t < 0) {
        t = key_for_final(b[i]);
        if (t == k_keypad_5) mods |= mod_shift;
    }
    if (t >= 0) codes_for(t, mods, character, codes);
    return outcome::key;
}

outcome decode(std::string_view b, std::size_t& used, std::vector<int>& codes) {
    if (b[0] != 0x1B) return decode_character(b, 0, used, codes);
    if (b.size() < 2) return outcome::more;
    if (b[1] == '[') return decode_csi(b, used, codes);
    if (b[1] == 'O') return decode_ss3(b, used, codes);
    // Esc before a key is Alt with that key.
    std::string_view rest = b.substr(1);
    if (rest[0] == 0x1B) {
        if (rest.size() < 2) return outcome::more;
        if (rest[1] == '[' || rest[1] == 'O') {
            std::vector<int> inner;
            outcome u =
                rest[1] == '[' ? decode_csi(rest, used, inner) : decode_ss3(rest, used, inner);
            ++used;
            if (u != outcome::key) return u;
            // Alt with a cursor or function key: take it again with Alt.
            if (inner.size() == 2 && inner[0] == 0) {
                for (int t = 0; t < k_count; ++t) {
                    row r = lookup(t);
                    if (r.plain == E(inner[1]) || r.shift == E(inner[1])) {
                        codes_for(t, mod_alt, 0, codes);
                        return outcome::key;
                    }
                }
            }
            codes = inner;
            return outcome::key;
        }
        used = 2;
        codes_for(k_escape, mod_alt, 27, codes);
        return outcome::key;
    }
    outcome u = decode_character(rest, mod_alt, used, codes);
    ++used;
    return u;
}

}  // namespace

bool key_decoder::swallow_rest() {
    std::size_t i = 0;
    for (; i < buf_.size(); ++i) {
        auto c = static_cast<unsigned char>(buf_[i]);
        if (c < 0x20 || c >= 0x7F) {  // not part of a sequence: input again
            swallowing_ = false;
            break;
        }
        if (c >= 0x40) {  // the final byte
            ++i;
            swallowing_ = false;
            break;
        }
    }
    buf_.erase(0, i);
    return swallowing_;
}

bool key_decoder::next(std::vector<int>& codes, bool timed_out) {
    codes.clear();
    while (!buf_.empty()) {
        if (swallowing_ && swallow_rest()) return false;
        if (buf_.empty()) return false;
        std::size_t used = 0;
        outcome u = decode(buf_, used, codes);
        if (u == outcome::more && buf_.size() > max_sequence) {
            // No key is this long: drop what there is and the rest of it.
            buf_.clear();
            swallowing_ = true;
            return false;
        }
        if (u == outcome::more) {
            if (!timed_out || !waits_for_time()) return false;
            // The wait ran out: a lone Esc is the Esc key; Esc Esc is Alt+Esc;
            // a broken character is dropped.
            if (buf_ == "\x1b") {
                codes_for(k_escape, 0, 27, codes);
                used = 1;
            } else if (buf_ == "\x1b\x1b") {
                codes_for(k_escape, mod_alt, 27, codes);
                used = 2;
            } else {
                used = buf_.size();
            }
        }
        buf_.erase(0, used);
        if (!codes.empty()) return true;
    }
    return false;
}

bool key_decoder::waits_for_time() const {
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
