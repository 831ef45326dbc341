#include "key_decoder.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "console.h"
#include "cp850.h"
#include "key_table.h"

namespace console_detail {

namespace {

constexpr std::size_t max_sequence = 256;
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

void push_code(key_code code, std::vector<int>& codes) {
    if (code.type == key_code::kind::extended) codes.push_back(key_extended);
    if (!code.empty()) codes.push_back(code.code);
}

// A key with its modifiers and the character its event would carry; without
// a key, a character that no key of the table gives (code page 850's own).
void codes_for(std::optional<key> k, int mods, int character, std::vector<int>& codes) {
    if (k)
        push_code(choose_code(*k, mods, character), codes);
    else if (character > 0)
        codes.push_back(character);
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
    std::optional<key> k = key_for_character(c, shift);
    if (shift) mods |= mod_shift;
    codes_for(k, mods, character_with(c, mods), codes);
}

// A C0 byte is Ctrl and a letter, or one of the keys that send it.
void c0_key(unsigned char b, int mods, std::vector<int>& codes) {
    switch (b) {
        case 0: codes_for(key::space, mods | mod_ctrl, 0, codes); return;
        case 9: codes_for(key::tab, mods, 9, codes); return;
        case 13: codes_for(key::enter, mods, 13, codes); return;
        case 27: codes_for(key::escape, mods, 27, codes); return;
        case 28: codes_for(key::backslash, mods | mod_ctrl, 28, codes); return;
        case 29: codes_for(key::right_bracket, mods | mod_ctrl, 29, codes); return;
        case 30: codes_for(digit_key(6), mods | mod_ctrl, 30, codes); return;
        case 31: codes_for(key::minus, mods | mod_ctrl, 31, codes); return;
        default: codes_for(letter_key(b - 1), mods | mod_ctrl, b, codes); return;
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
std::optional<key> key_for_ss3_keypad(char f, int& character) {
    character = 0;
    if (f >= 'p' && f <= 'y') {
        character = '0' + (f - 'p');
        return keypad_key(f - 'p');
    }
    switch (f) {
        case 'j': character = '*'; return key::keypad_multiply;
        case 'k': character = '+'; return key::keypad_plus;
        case 'm': character = '-'; return key::keypad_minus;
        case 'n': character = '.'; return key::keypad_decimal;
        case 'o': character = '/'; return key::keypad_divide;
        case 'M': character = 13; return key::enter;
        default: return std::nullopt;
    }
}

// A key of the kitty keyboard protocol, by its code. Keys without a
// character have codes from 57344 up: the keypad's digits 57399..57408, its
// operators and Enter 57409..57414, its navigation keys 57417..57427.
void kitty_key(long code, int mods, std::vector<int>& codes) {
    if (code >= 57399 && code <= 57408) {
        codes_for(keypad_key(static_cast<int>(code - 57399)), mods,
                  static_cast<int>('0' + code - 57399), codes);
        return;
    }
    static const key keypad_rest[] = {key::keypad_decimal, key::keypad_divide, key::keypad_multiply,
                                      key::keypad_minus,   key::keypad_plus,   key::enter};
    static const char keypad_characters[] = {'.', '/', '*', '-', '+', 13};
    if (code >= 57409 && code <= 57414) {
        codes_for(keypad_rest[code - 57409], mods, keypad_characters[code - 57409], codes);
        return;
    }
    // The keypad's navigation keys are its digits with NumLock off.
    static const key keypad_nav[] = {key::keypad_4,       key::keypad_6, key::keypad_8,
                                     key::keypad_2,       key::keypad_9, key::keypad_3,
                                     key::keypad_7,       key::keypad_1, key::keypad_0,
                                     key::keypad_decimal, key::keypad_5};
    if (code >= 57417 && code <= 57427) {
        key k = keypad_nav[code - 57417];
        if (k == key::keypad_decimal) k = key::del;
        codes_for(k, mods | (mods ? 0 : mod_shift), 0, codes);
        return;
    }
    if (code >= 0x80) {
        int b = cp850_from_unicode(static_cast<char32_t>(code));
        if (b > 0) codes_for(std::nullopt, mods, b, codes);
        return;
    }
    if (code >= 0 && code < 0x80) {
        if (code == 127 || code == 8) {
            codes_for(key::backspace, mods, (mods & mod_ctrl) ? 127 : 8, codes);
            return;
        }
        character_key(static_cast<int>(code), mods, codes);
    }
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

void interpret_csi(const csi_sequence& s, std::vector<int>& codes) {
    if (s.private_marker || s.intermediate) return;  // replies to queries, not keys
    int mods = mods_from_parameter(static_cast<int>(parameter(s, 1, 1)));
    if (s.final_byte == '~') {
        long n = parameter(s, 0, 0);
        if (n == 27) {  // xterm's modifyOtherKeys
            kitty_key(parameter(s, 2, 0), mods, codes);
            return;
        }
        if (auto k = key_for_tilde(static_cast<int>(n))) codes_for(k, mods, 0, codes);
        return;
    }
    if (s.final_byte == 'u') {
        // Kitty: key[:alternates] ; modifiers[:event] ; text. Releases are ignored.
        if (s.parameters.size() > 1 && s.parameters[1].size() > 1 && s.parameters[1][1] == 3)
            return;
        long code = parameter(s, 0, -1);
        if (code == 27) {
            codes_for(key::escape, mods, 27, codes);
        } else if (code == 13 || code == 9) {
            codes_for(code == 13 ? key::enter : key::tab, mods, static_cast<int>(code), codes);
        } else if (code == 32) {
            codes_for(key::space, mods, 32, codes);
        } else if (code >= 0) {
            kitty_key(code, mods, codes);
        }
        return;
    }
    std::optional<key> k = key_for_final(s.final_byte);
    if (s.final_byte == 'Z') mods |= mod_shift;
    if (k == key::keypad_5) mods |= mod_shift;  // the keypad's 5 with NumLock off
    if (k) codes_for(k, mods, 0, codes);
}

enum class outcome { key, more, invalid };

// A report string, to its end, gives no key. It ends with BEL or ST (ESC \,
// or the byte 0x9C after an 8-bit introducer: after ESC the text may be
// UTF-8, whose bytes include 0x9C); CAN and SUB cancel it. Any other control
// byte or ESC ends it too and is input again, so keys typed into a string
// that lost its end get out of it (a last Esc after the short wait).
outcome decode_string(std::string_view b, std::size_t start, std::size_t& used) {
    constexpr unsigned char bel = 0x07, can = 0x18, sub = 0x1A, esc = 0x1B, st = 0x9C;
    for (std::size_t i = start; i < b.size() && i < max_string; ++i) {
        auto c = static_cast<unsigned char>(b[i]);
        if (c == esc) {
            if (i + 1 == b.size()) return outcome::more;
            used = b[i + 1] == '\\' ? i + 2 : i;
            return outcome::key;
        }
        if (c == bel || c == can || c == sub || (c == st && start == 1)) {
            used = i + 1;
            return outcome::key;
        }
        if (c < 0x20) {
            used = i;
            return outcome::key;
        }
    }
    if (b.size() < max_string) return outcome::more;
    used = max_string;
    return outcome::key;
}

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
            codes_for(key::backspace, mods, 8, codes);
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
    if (cp > 0) codes_for(std::nullopt, mods, cp, codes);
    return outcome::key;
}

// CSI: parameters, intermediates, then a final byte. Linux console F1..F5
// are ESC [ [ A..E. Anything malformed is swallowed up to where it breaks.
outcome decode_csi(std::string_view b, std::size_t& used, std::vector<int>& codes) {
    std::size_t i = 2;
    if (b.size() > 2 && b[2] == '[') {
        if (b.size() < 4) return outcome::more;
        used = 4;
        if (b[3] >= 'A' && b[3] <= 'E') codes_for(function_key(1 + (b[3] - 'A')), 0, 0, codes);
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
            s.final_byte = static_cast<char>(c);
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
    std::optional<key> k = key_for_ss3_keypad(b[i], character);
    if (!k) {
        k = key_for_final(b[i]);
        if (k == key::keypad_5) mods |= mod_shift;
    }
    if (k) codes_for(k, mods, character, codes);
    return outcome::key;
}

// Esc and a character: Alt with that character's key.
outcome alt_key(std::string_view b, std::size_t& used, std::vector<int>& codes) {
    outcome u = decode_character(b.substr(1), mod_alt, used, codes);
    ++used;
    return u;
}

outcome decode(std::string_view b, std::size_t& used, std::vector<int>& codes) {
    if (std::size_t start = string_introducer(b)) {
        if (lone_string_introducer(b)) return outcome::more;
        outcome u = decode_string(b, start, used);
        // Ended before any text: no report, but Alt and the key, typed
        // before the next key in the same read.
        if (u == outcome::key && start == 2 && used == 2) return alt_key(b, used, codes);
        return u;
    }
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
                key_code plain = extended_code(inner[1]);
                for (int n = 0; n < key_count; ++n) {
                    auto k = static_cast<key>(n);
                    key_entries row = key_row(k);
                    if (row.plain == plain || row.shift == plain) {
                        codes_for(k, mod_alt, 0, codes);
                        return outcome::key;
                    }
                }
            }
            codes = inner;
            return outcome::key;
        }
        used = 2;
        codes_for(key::escape, mod_alt, 27, codes);
        return outcome::key;
    }
    return alt_key(b, used, codes);
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
        if (u == outcome::more && buf_.size() > max_sequence && !string_introducer(buf_)) {
            // No key is this long: drop what there is and the rest of it.
            buf_.clear();
            swallowing_ = true;
            return false;
        }
        if (u == outcome::more) {
            if (!timed_out || !waits_for_time()) return false;
            // The wait ran out: a lone Esc is the Esc key; Esc Esc is Alt+Esc;
            // ESC ] and the like are Alt and that key; a broken character is
            // dropped.
            if (buf_ == "\x1b") {
                codes_for(key::escape, 0, 27, codes);
                used = 1;
            } else if (buf_ == "\x1b\x1b") {
                codes_for(key::escape, mod_alt, 27, codes);
                used = 2;
            } else if (lone_string_introducer(buf_)) {
                alt_key(buf_, used, codes);
            } else if (string_introducer(buf_)) {
                used = buf_.size() - 1;  // the string ends; the Esc after it is the key
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

}  // namespace console_detail
