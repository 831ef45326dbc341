#include "key_decoder.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "code_page_850.h"
#include "key_codes.h"
#include "key_table.h"

namespace console_detail {

namespace {

using code_page_850::decode_utf8;
using code_page_850::utf8_character;

constexpr std::size_t max_sequence = 256;
// The 8-bit forms of ESC [ and ESC O.
constexpr char c1_csi = '\x9b', c1_ss3 = '\x8f';
// A terminal's reports in strings (colours, titles, capabilities) are far
// shorter; a string without its end is given up after this many bytes, and
// what follows is keys again.
constexpr std::size_t max_string = 4096;

// The strings a terminal sends as reports: OSC, DCS, SOS, PM and APC, by
// the byte after ESC, or as one byte of the 8-bit controls.
bool introduces_string(unsigned char c) {
    return c == ']' || c == 'P' || c == 'X' || c == '^' || c == '_';
}
bool introduces_string_8bit(unsigned char c) {
    return c == 0x9D || c == 0x90 || c == 0x98 || c == 0x9E || c == 0x9F;
}

// The length of the string introducer at the start of `b`, or 0.
std::size_t string_introducer(std::string_view b) {
    if (b.size() >= 2 && b[0] == 0x1B && introduces_string(static_cast<unsigned char>(b[1])))
        return 2;
    if (!b.empty() && introduces_string_8bit(static_cast<unsigned char>(b[0]))) return 1;
    return 0;
}

// ESC and a string's introducer with nothing after it yet: the start of a
// report, or Alt and that key when the short wait runs out.
bool lone_string_introducer(std::string_view b) {
    return b.size() == 2 && string_introducer(b) == 2;
}

// The key of a character of the US layout, and whether Shift makes it.
std::optional<key> key_for_character(int c, bool& shift) {
    shift = false;
    if (c >= 'a' && c <= 'z') return letter_key(c - 'a');
    if (c >= 'A' && c <= 'Z') {
        shift = true;
        return letter_key(c - 'A');
    }
    if (c >= '0' && c <= '9') return digit_key(c - '0');
    static const char shifted_digits[] = ")!@#$%^&*(";
    for (int d = 0; d < 10; ++d)
        if (shifted_digits[d] == c) {
            shift = true;
            return digit_key(d);
        }
    static const char* const pairs[] = {"\\|", "/?",  "-_", "=+", "[{", "]}",
                                        ";:",  "'\"", ",<", ".>", "`~"};
    static const key pair_keys[] = {key::backslash, key::slash,        key::minus,
                                    key::equals,    key::left_bracket, key::right_bracket,
                                    key::semicolon, key::apostrophe,   key::comma,
                                    key::period,    key::backtick};
    for (int i = 0; i < 11; ++i) {
        if (pairs[i][0] == c) return pair_keys[i];
        if (pairs[i][1] == c) {
            shift = true;
            return pair_keys[i];
        }
    }
    if (c == ' ') return key::space;
    if (c == 27) return key::escape;
    if (c == 13) return key::enter;
    if (c == 9) return key::tab;
    if (c == 127 || c == 8) return key::backspace;
    return std::nullopt;
}

constexpr key_press press(key k, int mods = 0, int character = 0) { return {k, mods, character}; }

// A character that no key gives; nothing when there is no character.
std::optional<key_press> character_only(int character, int mods) {
    if (character <= 0) return std::nullopt;
    return key_press{std::nullopt, mods, character};
}

// The character a key event carries with these modifiers, as far as the
// table's fallback needs it: Ctrl makes control characters of letters.
int character_with(int c, int mods) {
    if ((mods & mod_ctrl) && !(mods & mod_alt)) {
        if (c >= 'a' && c <= 'z') return c - 'a' + 1;
        if (c >= 'A' && c <= 'Z') return c - 'A' + 1;
        return 0;
    }
    return c;
}

// An ASCII character typed with these modifiers, as the key of the US
// layout that makes it.
std::optional<key_press> character_key(int c, int mods) {
    bool shift = false;
    std::optional<key> k = key_for_character(c, shift);
    if (shift) mods |= mod_shift;
    if (!k) return character_only(character_with(c, mods), mods);
    return press(*k, mods, character_with(c, mods));
}

// A C0 byte is Ctrl and a letter, or one of the keys that send it.
key_press c0_key(unsigned char b) {
    switch (b) {
        case 0: return press(key::space, mod_ctrl);
        case 9: return press(key::tab, 0, 9);
        case 13: return press(key::enter, 0, 13);
        case 27: return press(key::escape, 0, 27);
        case 28: return press(key::backslash, mod_ctrl, 28);
        case 29: return press(key::right_bracket, mod_ctrl, 29);
        case 30: return press(digit_key(6), mod_ctrl, 30);
        case 31: return press(key::minus, mod_ctrl, 31);
        default: return press(letter_key(b - 1), mod_ctrl, b);
    }
}

// xterm's modifier parameter: 1 plus bits for Shift 1, Alt 2, Ctrl 4, Meta 32.
int mods_from_parameter(int m) {
    if (m < 2) return 0;
    int b = m - 1, mods = 0;
    if (b & 1) mods |= mod_shift;
    if (b & (2 | 32)) mods |= mod_alt;  // Alt, or Meta
    if (b & 4) mods |= mod_ctrl;
    return mods;
}

std::optional<key> key_for_tilde(int n) {
    switch (n) {
        case 1:
        case 7: return key::home;
        case 2: return key::insert;
        case 3: return key::del;
        case 4:
        case 8: return key::end;
        case 5: return key::page_up;
        case 6: return key::page_down;
        case 11: return key::f1;
        case 12: return key::f2;
        case 13: return key::f3;
        case 14: return key::f4;
        case 15: return key::f5;
        case 17:
        case 18:
        case 19:
        case 20:
        case 21: return function_key(6 + n - 17);
        case 23: return key::f11;
        case 24: return key::f12;
        default: return std::nullopt;
    }
}

std::optional<key> key_for_final(char f) {
    switch (f) {
        case 'A': return key::up;
        case 'B': return key::down;
        case 'C': return key::right;
        case 'D': return key::left;
        case 'H': return key::home;
        case 'F': return key::end;
        case 'E': return key::keypad_5;
        case 'P': return key::f1;
        case 'Q': return key::f2;
        case 'R': return key::f3;
        case 'S': return key::f4;
        case 'Z': return key::tab;
        default: return std::nullopt;
    }
}

// Keypad keys as SS3 sends them in application mode.
std::optional<key_press> ss3_keypad_key(char f, int mods) {
    if (f >= 'p' && f <= 'y') return press(keypad_key(f - 'p'), mods, '0' + (f - 'p'));
    switch (f) {
        case 'j': return press(key::keypad_multiply, mods, '*');
        case 'k': return press(key::keypad_plus, mods, '+');
        case 'm': return press(key::keypad_minus, mods, '-');
        case 'n': return press(key::keypad_decimal, mods, '.');
        case 'o': return press(key::keypad_divide, mods, '/');
        case 'M': return press(key::enter, mods, 13);
        default: return std::nullopt;
    }
}

// The kitty keyboard protocol's codes for the keypad, which has no
// characters of its own there. Its navigation keys are its digits with
// NumLock off: alone they read as the digits' Shift entries.
struct kitty_keypad_key {
    long code;
    key which;
    int character;  // 0 for a navigation key
};
// clang-format off
constexpr kitty_keypad_key kitty_keypad[] = {
    {57399, key::keypad_0, '0'}, {57400, key::keypad_1, '1'}, {57401, key::keypad_2, '2'},
    {57402, key::keypad_3, '3'}, {57403, key::keypad_4, '4'}, {57404, key::keypad_5, '5'},
    {57405, key::keypad_6, '6'}, {57406, key::keypad_7, '7'}, {57407, key::keypad_8, '8'},
    {57408, key::keypad_9, '9'},
    {57409, key::keypad_decimal, '.'}, {57410, key::keypad_divide, '/'},
    {57411, key::keypad_multiply, '*'}, {57412, key::keypad_minus, '-'},
    {57413, key::keypad_plus, '+'}, {57414, key::enter, 13},
    {57417, key::keypad_4, 0}, {57418, key::keypad_6, 0}, {57419, key::keypad_8, 0},  // Left Right Up
    {57420, key::keypad_2, 0}, {57421, key::keypad_9, 0}, {57422, key::keypad_3, 0},  // Down PgUp PgDn
    {57423, key::keypad_7, 0}, {57424, key::keypad_1, 0}, {57425, key::keypad_0, 0},  // Home End Ins
    {57426, key::del, 0},      {57427, key::keypad_5, 0},                             // Del, Begin
};
// clang-format on

// A key of the kitty keyboard protocol (and of xterm's modifyOtherKeys), by
// its code: a character's code point, or a code of the keypad.
std::optional<key_press> kitty_key(long code, int mods) {
    for (const auto& k : kitty_keypad) {
        if (k.code != code) continue;
        if (k.character == 0 && mods == 0) return press(k.which, mod_shift);
        return press(k.which, mods, k.character);
    }
    if (code >= 0x80)
        return character_only(code_page_850::byte_of(static_cast<char32_t>(code)), mods);
    if (code == 127 || code == 8) return press(key::backspace, mods, (mods & mod_ctrl) ? 127 : 8);
    if (code >= 0) return character_key(static_cast<int>(code), mods);
    return std::nullopt;
}

struct csi_sequence {
    char private_marker = 0;  // '?', '>', '<', '=' or 0
    std::vector<std::vector<long>> parameters;
    char intermediate = 0;
    char final_byte = 0;
};

long parameter(const csi_sequence& s, std::size_t i, long fallback) {
    if (i >= s.parameters.size() || s.parameters[i].empty() || s.parameters[i][0] < 0)
        return fallback;
    return s.parameters[i][0];
}

std::optional<key_press> interpret_csi(const csi_sequence& s) {
    if (s.private_marker || s.intermediate) return std::nullopt;  // replies to queries, not keys
    int mods = mods_from_parameter(static_cast<int>(parameter(s, 1, 1)));
    if (s.final_byte == '~') {
        long n = parameter(s, 0, 0);
        if (n == 27) return kitty_key(parameter(s, 2, 0), mods);  // xterm's modifyOtherKeys
        if (auto k = key_for_tilde(static_cast<int>(n))) return press(*k, mods);
        return std::nullopt;
    }
    if (s.final_byte == 'u') {
        // Kitty: key[:alternates] ; modifiers[:event] ; text. Releases are ignored.
        if (s.parameters.size() > 1 && s.parameters[1].size() > 1 && s.parameters[1][1] == 3)
            return std::nullopt;
        return kitty_key(parameter(s, 0, -1), mods);
    }
    std::optional<key> k = key_for_final(s.final_byte);
    if (!k) return std::nullopt;
    if (s.final_byte == 'Z') mods |= mod_shift;  // back tab
    if (k == key::keypad_5) mods |= mod_shift;   // the keypad's 5 with NumLock off
    return press(*k, mods);
}

enum class outcome { key, more, invalid };

// What the start of the bytes gave: a key (or bytes that are no key, such as
// a report), the need for more bytes, or bytes to pass over; how many bytes
// it took, and the key pressed.
struct decoded {
    outcome result = outcome::key;
    std::size_t used = 0;
    std::optional<key_press> pressed;
};
constexpr decoded needs_more{outcome::more, 0, std::nullopt};

// A report string, to its end, gives no key. It ends with BEL or ST (ESC \,
// or the byte 0x9C after an 8-bit introducer: after ESC the text may be
// UTF-8, whose bytes include 0x9C); CAN and SUB cancel it. Any other control
// byte or ESC ends it too and is input again, so keys typed into a string
// that lost its end get out of it (a last Esc after the short wait).
decoded decode_string(std::string_view b, std::size_t start) {
    constexpr unsigned char bel = 0x07, can = 0x18, sub = 0x1A, esc = 0x1B, st = 0x9C;
    for (std::size_t i = start; i < b.size() && i < max_string; ++i) {
        auto c = static_cast<unsigned char>(b[i]);
        if (c == esc) {
            if (i + 1 == b.size()) return needs_more;
            return {outcome::key, b[i + 1] == '\\' ? i + 2 : i, std::nullopt};
        }
        if (c == bel || c == can || c == sub || (c == st && start == 1))
            return {outcome::key, i + 1, std::nullopt};
        if (c < 0x20) return {outcome::key, i, std::nullopt};
    }
    if (b.size() < max_string) return needs_more;
    return {outcome::key, max_string, std::nullopt};
}

// How much of what is not UTF-8 to pass over: the bytes that could not
// start a character go with it, so that none of them (0x9D, say) is taken
// for the 8-bit start of a report, which would swallow the keys after it.
std::size_t not_utf8(std::string_view b, const utf8_character& u) {
    std::size_t used = u.length;
    while (used < b.size() && (static_cast<unsigned char>(b[used]) & 0xC0) == 0x80) ++used;
    return used;
}

// A key from the start of `b` that no Esc introduces.
decoded decode_character(std::string_view b) {
    auto c = static_cast<unsigned char>(b[0]);
    if (c < 0x20) return {outcome::key, 1, c0_key(c)};
    if (c == 0x7F) return {outcome::key, 1, press(key::backspace, 0, 8)};
    if (c < 0x80) return {outcome::key, 1, character_key(c, 0)};
    // UTF-8: a character of code page 850 is its byte; others are no key.
    utf8_character u = decode_utf8(b);
    if (u.state == utf8_character::kind::incomplete) return needs_more;
    if (u.state == utf8_character::kind::invalid)
        return {outcome::invalid, not_utf8(b, u), std::nullopt};
    return {outcome::key, u.length, character_only(code_page_850::byte_of(u.code_point), 0)};
}

// CSI: parameters, intermediates, then a final byte. Linux console F1..F5
// are ESC [ [ A..E. Anything malformed is swallowed up to where it breaks.
decoded decode_csi(std::string_view b) {
    std::size_t i = 2;
    if (b.size() > 2 && b[2] == '[') {
        if (b.size() < 4) return needs_more;
        if (b[3] < 'A' || b[3] > 'E') return {outcome::key, 4, std::nullopt};
        return {outcome::key, 4, press(function_key(1 + (b[3] - 'A')))};
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
            s.final_byte = static_cast<char>(c);
            return {outcome::key, i + 1, interpret_csi(s)};
        } else if (c >= 0x3C && c <= 0x3F) {
            s.private_marker = static_cast<char>(c);
        } else {
            return {outcome::invalid, i, std::nullopt};  // a control byte breaks it off
        }
    }
    return needs_more;
}

decoded decode_ss3(std::string_view b) {
    std::size_t i = 2;
    int m = 0;
    while (i < b.size() && b[i] >= '0' && b[i] <= '9') m = std::min(m * 10 + (b[i++] - '0'), 1000);
    if (i >= b.size()) return needs_more;
    // A control byte breaks it off and is input again: Esc after Alt+Shift+O.
    if (static_cast<unsigned char>(b[i]) < 0x20) return {outcome::invalid, i, std::nullopt};
    int mods = mods_from_parameter(m);
    if (auto keypad = ss3_keypad_key(b[i], mods)) return {outcome::key, i + 1, keypad};
    std::optional<key> k = key_for_final(b[i]);
    if (!k) return {outcome::key, i + 1, std::nullopt};
    if (k == key::keypad_5) mods |= mod_shift;
    return {outcome::key, i + 1, press(*k, mods)};
}

// What an Esc in front of a key makes of it: that key with Alt.
decoded with_alt(decoded d) {
    ++d.used;
    if (d.pressed) d.pressed->modifiers |= mod_alt;
    return d;
}

// The built-in table's reading of the start of `b`.
decoded decode_builtin(std::string_view b) {
    if (std::size_t start = string_introducer(b)) {
        if (lone_string_introducer(b)) return needs_more;
        decoded d = decode_string(b, start);
        // Ended before any text: no report, but Alt and the key, typed
        // before the next key in the same read.
        if (d.result == outcome::key && start == 2 && d.used == 2)
            return with_alt(decode_character(b.substr(1)));
        return d;
    }
    if (b[0] != 0x1B) return decode_character(b);
    if (b.size() < 2) return needs_more;
    if (b[1] == '[') return decode_csi(b);
    if (b[1] == 'O') return decode_ss3(b);
    std::string_view rest = b.substr(1);
    if (rest[0] != 0x1B) return with_alt(decode_character(rest));
    if (rest.size() < 2) return needs_more;
    if (rest[1] == '[') return with_alt(decode_csi(rest));
    if (rest[1] == 'O') return with_alt(decode_ss3(rest));
    return with_alt({outcome::key, 1, press(key::escape, 0, 27)});
}

// The description's 8-bit introducers read as their 7-bit forms.
decoded decode_builtin(std::string_view b, const described_keys* described) {
    if (!described ||
        !((b[0] == c1_csi && described->csi_8bit) || (b[0] == c1_ss3 && described->ss3_8bit)))
        return decode_builtin(b);
    std::string seven_bit =
        std::string(b[0] == c1_csi ? "\x1b[" : "\x1bO") + std::string(b.substr(1));
    decoded d = decode_builtin(seven_bit);
    if (d.used > 0) --d.used;
    return d;
}

// The longest of the description's strings that `b` starts with, and
// whether `b` is the start of a longer one.
struct described_match {
    const described_key* found = nullptr;
    bool longer = false;
};

described_match match_described(std::string_view b, const described_keys* described) {
    described_match m;
    if (!described) return m;
    for (const auto& k : described->keys) {
        if (b.size() < k.bytes.size()) {
            if (k.bytes.starts_with(b)) m.longer = true;
        } else if (b.starts_with(k.bytes) && (!m.found || k.bytes.size() > m.found->bytes.size())) {
            m.found = &k;
        }
    }
    return m;
}

decoded described_key_at(const described_match& m) {
    return {outcome::key, m.found->bytes.size(), m.found->pressed};
}

// The description's keys first: a key of the built-in table wins only where
// it reads a longer sequence (a modifier the description does not list).
// Until a string can't grow into a longer one, it waits for the rest.
decoded decode(std::string_view b, const described_keys* described) {
    decoded builtin = decode_builtin(b, described);
    // ESC [ or ESC O broken off at once by a control byte: Alt with [ or O.
    if (builtin.result == outcome::invalid && builtin.used == 2 && b[0] == 0x1B)
        builtin = with_alt(decode_character(b.substr(1, 1)));
    described_match m = match_described(b, described);
    if (m.longer) return needs_more;
    if (!m.found) return builtin;
    if (builtin.result == outcome::more) return needs_more;
    if (builtin.result == outcome::key && builtin.used > m.found->bytes.size()) return builtin;
    return described_key_at(m);
}

// The bytes that waited for more, once the short wait ran out: a key of
// the description is that key; a lone Esc is the Esc key; Esc Esc is
// Alt+Esc; ESC ] and the like are Alt and that key; a string that lost its
// end ends before the Esc that is a key; a broken character is passed over.
decoded as_they_stand(std::string_view b, const described_keys* described) {
    described_match m = match_described(b, described);
    if (m.found) return described_key_at(m);
    if (b == "\x1b") return {outcome::key, 1, press(key::escape, 0, 27)};
    if (b == "\x1b\x1b") return {outcome::key, 2, press(key::escape, mod_alt, 27)};
    if (lone_string_introducer(b)) return with_alt(decode_character(b.substr(1)));
    if (string_introducer(b)) return {outcome::key, b.size() - 1, std::nullopt};
    return {outcome::invalid, b.size(), std::nullopt};
}

// A key sequence that had not ended when the sequence wait ran out, as it
// was typed: a key of the description; Esc and one character, Alt with it
// (Alt+[ and Alt+Shift+O, which begin sequences); one byte, its key. A
// longer one is dropped: never an Esc, and nothing typed after it goes
// with it.
decoded given_up(std::string_view b, const described_keys* described) {
    described_match m = match_described(b, described);
    if (m.found) return described_key_at(m);
    decoded d{outcome::invalid, b.size(), std::nullopt};
    if (b.size() == 2 && b[0] == 0x1B) d = with_alt(decode_character(b.substr(1)));
    if (b.size() == 1) d = decode_character(b);
    if (d.result == outcome::more) return {outcome::invalid, b.size(), std::nullopt};
    return d;
}

// The keys a description's strings name, in the order that settles a string
// named twice: the keys that start nothing first, F1 last.
struct named_key {
    std::string_view name;
    key_press pressed;
};
// clang-format off
constexpr named_key named_keys[] = {
    {"kcuu1", press(key::up)}, {"kcud1", press(key::down)},
    {"kcub1", press(key::left)}, {"kcuf1", press(key::right)},
    {"knp", press(key::page_down)}, {"kpp", press(key::page_up)},
    {"khome", press(key::home)}, {"kend", press(key::end)},
    {"kich1", press(key::insert)}, {"kdch1", press(key::del)},
    {"kent", press(key::enter, 0, 13)}, {"kcbt", press(key::tab, mod_shift)},
    {"kLFT", press(key::left, mod_shift)}, {"kRIT", press(key::right, mod_shift)},
    {"kri", press(key::up, mod_shift)}, {"kind", press(key::down, mod_shift)},
    {"kHOM", press(key::home, mod_shift)}, {"kEND", press(key::end, mod_shift)},
    {"kNXT", press(key::page_down, mod_shift)}, {"kPRV", press(key::page_up, mod_shift)},
    {"kIC", press(key::insert, mod_shift)}, {"kDC", press(key::del, mod_shift)},
};
// The keypad's corners and centre, as its digits.
constexpr named_key keypad_keys[] = {
    {"ka1", press(key::keypad_7, 0, '7')}, {"ka3", press(key::keypad_9, 0, '9')},
    {"kb2", press(key::keypad_5, 0, '5')}, {"kc1", press(key::keypad_1, 0, '1')},
    {"kc3", press(key::keypad_3, 0, '3')},
};
// clang-format on
constexpr int function_keys = 36, table_function_keys = 12;

std::optional<std::string_view> string_of(const std::vector<terminfo::key_string>& strings,
                                          std::string_view name) {
    for (const auto& s : strings)
        if (s.name == name) return s.bytes;
    return std::nullopt;
}

// A function key's sequence as parameters and a final byte, after CSI or SS3.
struct sequence_parts {
    std::string_view parameters;
    char final_byte = 0;
};

std::optional<sequence_parts> parts_of(std::string_view s) {
    if (s.starts_with("\x1b[") || s.starts_with("\x1bO"))
        s.remove_prefix(2);
    else if (!s.empty() && (s[0] == c1_csi || s[0] == c1_ss3))
        s.remove_prefix(1);
    else
        return std::nullopt;
    if (s.empty()) return std::nullopt;
    char final_byte = s.back();
    s.remove_suffix(1);
    if (s.find_first_not_of("0123456789;") != std::string_view::npos) return std::nullopt;
    return sequence_parts{s, final_byte};
}

// Whether `modified` is `plain` with xterm's modifier parameter `m`: the
// same final byte (and number, before ~), the modifier last.
bool with_modifier(std::string_view plain, std::string_view modified, int m) {
    auto p = parts_of(plain), q = parts_of(modified);
    if (!p || !q || p->final_byte != q->final_byte) return false;
    std::size_t last = q->parameters.rfind(';');
    std::string_view modifier = q->parameters.substr(last == std::string_view::npos ? 0 : last + 1);
    if (modifier != std::to_string(m)) return false;
    if (p->final_byte != '~') return true;
    return last != std::string_view::npos && q->parameters.substr(0, last) == p->parameters;
}

// Function key n of the description: F1 to F12, then, where the description
// numbers them as xterm's does (F13 is Shift+F1, F25 Ctrl+F1), Shift and
// Ctrl with them; otherwise a key the table lacks.
std::optional<key_press> function_key_press(const std::vector<terminfo::key_string>& strings,
                                            int n) {
    if (n <= table_function_keys) return press(function_key(n));
    constexpr int shift_parameter = 2, ctrl_parameter = 5;
    bool shift = n <= 2 * table_function_keys;
    auto f1 = string_of(strings, "kf1");
    auto first = string_of(strings, shift ? "kf13" : "kf25");
    if (!f1 || !first || !with_modifier(*f1, *first, shift ? shift_parameter : ctrl_parameter))
        return std::nullopt;
    return press(function_key((n - 1) % table_function_keys + 1), shift ? mod_shift : mod_ctrl);
}

// Whether the built-in table reads the whole string as a key of the keypad:
// VT100's own keypad codes, which some descriptions give other places.
bool builtin_keypad_key(std::string_view bytes) {
    decoded d = decode_builtin(bytes);
    return d.result == outcome::key && d.used == bytes.size() && d.pressed && d.pressed->which &&
           *d.pressed->which >= key::keypad_0 && *d.pressed->which <= key::keypad_divide;
}

// Whether a byte begins a character of several bytes in UTF-8.
bool starts_utf8_character(char c) {
    auto b = static_cast<unsigned char>(c);
    return b >= 0xC2 && b <= 0xF4;
}

}  // namespace

described_keys describe_keys(const std::vector<terminfo::key_string>& strings, bool utf8) {
    described_keys d;
    auto add = [&](std::string_view name, std::optional<key_press> pressed) {
        auto bytes = string_of(strings, name);
        if (!bytes || bytes->empty() || (utf8 && starts_utf8_character((*bytes)[0]))) return;
        for (const auto& k : d.keys)
            if (k.bytes == *bytes) return;  // named before: the key that starts nothing
        d.keys.push_back({std::string(*bytes), pressed});
        if (!utf8 && (*bytes)[0] == c1_csi) d.csi_8bit = true;
        if (!utf8 && (*bytes)[0] == c1_ss3) d.ss3_8bit = true;
    };
    for (const auto& k : named_keys) add(k.name, k.pressed);
    for (const auto& k : keypad_keys) {
        auto bytes = string_of(strings, k.name);
        if (bytes && !builtin_keypad_key(*bytes)) add(k.name, k.pressed);
    }
    for (int n = 2; n <= function_keys; ++n)
        add("kf" + std::to_string(n), function_key_press(strings, n));
    add("kf1", press(key::f1));
    return d;
}

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

std::optional<key_press> key_decoder::next(bool timed_out) {
    while (!buf_.empty()) {
        if (swallowing_ && swallow_rest()) return std::nullopt;
        if (buf_.empty()) return std::nullopt;
        decoded d = decode(buf_, described_);
        if (d.result == outcome::more && buf_.size() > max_sequence && !string_introducer(buf_)) {
            // No key is this long: drop what there is and the rest of it.
            buf_.clear();
            swallowing_ = true;
            return std::nullopt;
        }
        if (d.result == outcome::more) {
            if (!timed_out || !waits_for_time()) return std::nullopt;
            d = as_they_stand(buf_, described_);
        }
        buf_.erase(0, d.used);
        if (d.pressed) return d.pressed;
    }
    return std::nullopt;
}

bool key_decoder::waits_for_time() const {
    if (buf_.empty()) return false;
    std::string_view b = buf_;
    if (lone_string_introducer(b)) return true;
    // A report never times out, but for an Esc at its end: ST's first half,
    // or the Esc key pressed after a string that lost its end.
    if (string_introducer(b)) return b.back() == 0x1B;
    if (b[0] == 0x1B) {
        if (b.size() == 1) return true;
        if (b[1] == '[' || b[1] == 'O') return false;  // a sequence never times out
        if (b[1] == 0x1B) return b.size() == 2;
        b.remove_prefix(1);
    }
    return static_cast<unsigned char>(b[0]) >= 0x80;  // part of a character
}

bool key_decoder::waits_for_sequence() const {
    if (buf_.empty() || swallowing_ || waits_for_time() || string_introducer(buf_)) return false;
    return decode(buf_, described_).result == outcome::more;
}

std::optional<key_press> key_decoder::give_up() {
    if (waits_for_time()) return next(true);  // the longer wait ran out too
    if (waits_for_sequence()) {
        decoded d = given_up(buf_, described_);
        buf_.erase(0, d.used);
        if (d.pressed) return d.pressed;
    }
    return next();
}

std::optional<key_press> read_terminal_key(key_decoder& keys, terminal_input& input,
                                           int esc_wait_ms, int sequence_wait_ms) {
    enum class ran_out { nothing, short_wait, sequence_wait } waited = ran_out::nothing;
    std::optional<key_press> pressed;
    while (!(pressed = waited == ran_out::sequence_wait
                           ? keys.give_up()
                           : keys.next(waited == ran_out::short_wait))) {
        input.show();
        bool short_wait = keys.waits_for_time();
        bool sequence_wait = !short_wait && keys.waits_for_sequence();
        std::string bytes;
        auto got = input.read(bytes, short_wait      ? esc_wait_ms
                                     : sequence_wait ? sequence_wait_ms
                                                     : -1);
        if (got == terminal::read_result::end) return std::nullopt;
        if (got == terminal::read_result::data) keys.feed(bytes);
        waited = got != terminal::read_result::timed_out ? ran_out::nothing
                 : short_wait                            ? ran_out::short_wait
                                                         : ran_out::sequence_wait;
    }
    return pressed;
}

}  // namespace console_detail
