// The console's key table: for each key of the PC keyboard, the code it
// gives alone and with Shift, Ctrl or Alt. Terminal input finds the key and
// its modifiers in byte sequences; a console's key events carry them as
// they are. Both choose the code here.
#pragma once

#include <cstdint>
#include <optional>

namespace console_detail {

// clang-format off
enum class key : std::uint8_t {
    escape, f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12,
    up, left, right, down, backspace, tab, enter, space,
    page_up, page_down, end, home, insert, del,
    keypad_0, keypad_1, keypad_2, keypad_3, keypad_4,
    keypad_5, keypad_6, keypad_7, keypad_8, keypad_9,
    keypad_multiply, keypad_plus, keypad_minus, keypad_decimal, keypad_divide,
    backslash, slash, minus, equals, left_bracket, right_bracket,
    semicolon, apostrophe, comma, period, backtick,
    a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p, q, r, s, t, u, v, w, x, y, z,
    digit_0, digit_1, digit_2, digit_3, digit_4, digit_5, digit_6, digit_7, digit_8, digit_9,
};
// clang-format on
inline constexpr int key_count = static_cast<int>(key::digit_9) + 1;

// The letter key by its place in the alphabet (0 for A), a digit key, a
// keypad digit, and the function key Fn.
constexpr key letter_key(int i) { return static_cast<key>(static_cast<int>(key::a) + i); }
constexpr key digit_key(int d) { return static_cast<key>(static_cast<int>(key::digit_0) + d); }
constexpr key keypad_key(int d) { return static_cast<key>(static_cast<int>(key::keypad_0) + d); }
constexpr key function_key(int n) { return static_cast<key>(static_cast<int>(key::f1) + n - 1); }
constexpr bool is_letter(key k) { return k >= key::a && k <= key::z; }

// One entry of the table: a character code, an extended code (the read
// gives key_extended and then the code), or nothing.
struct key_code {
    enum class kind : std::uint8_t { none, character, extended };
    kind type = kind::none;
    std::uint8_t code = 0;
    bool empty() const { return type == kind::none; }
    bool operator==(const key_code&) const = default;
};
constexpr key_code no_code{};
constexpr key_code character_code(int c) {
    return {key_code::kind::character, static_cast<std::uint8_t>(c)};
}
constexpr key_code extended_code(int c) {
    return {key_code::kind::extended, static_cast<std::uint8_t>(c)};
}

// A key's row: alone, with Shift, with Ctrl, with Alt. Alone, a letter
// gives the character its event carries, so its plain entry is empty.
struct key_entries {
    key_code plain, shift, ctrl, alt;
    bool operator==(const key_entries&) const = default;
};
key_entries key_row(key k);

// Modifier sets are these bits.
inline constexpr int mod_shift = 1, mod_alt = 2, mod_ctrl = 4;

// The code of a key pressed with these modifiers: the Alt column, else
// Ctrl, else Shift, else for a letter the event's character, else the plain
// column; an empty entry gives the event's character (none when it is 0).
key_code choose_code(key k, int modifiers, int character);

// A key as it was pressed, before the table gives it a code: a key of the
// table, its modifiers, and the character its event carries (code page 850,
// 0 for none). Without a key it is a character that no key of the table
// gives, such as code page 850's own letters.
struct key_press {
    std::optional<key> which;
    int modifiers = 0;
    int character = 0;
    bool operator==(const key_press&) const = default;
};

// The code a press gives: its key's entry for its modifiers, or (without a
// key) its character. Empty when it gives none.
key_code code_for(const key_press& press);

}  // namespace console_detail
