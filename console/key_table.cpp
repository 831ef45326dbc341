#include "key_table.h"

#include "key_codes.h"

namespace console_detail {

namespace {

constexpr key_code C(int c) { return character_code(c); }
constexpr key_code E(int c) { return extended_code(c); }
constexpr key_code none = no_code;

// Rows in the order of `key`, up to the letters. An extended code is the
// key's set-1 scan code where it has one (F1 59, Up 72), else the console's
// code for the combination.
// clang-format off
const key_entries fixed_rows[] = {
    {C(key_escape), C(key_escape), C(key_escape), E(1)},                        // Esc
    {E(key_f1), E(84), E(94), E(104)},    {E(key_f2), E(85), E(95), E(105)},      // F1, F2
    {E(key_f3), E(86), E(96), E(106)},    {E(key_f4), E(87), E(97), E(107)},      // F3, F4
    {E(key_f5), E(88), E(98), E(108)},    {E(key_f6), E(89), E(99), E(109)},      // F5, F6
    {E(key_f7), E(90), E(100), E(110)},   {E(key_f8), E(91), E(101), E(111)},     // F7, F8
    {E(key_f9), E(92), E(102), E(112)},   {E(key_f10), E(93), E(103), E(113)},    // F9, F10
    {E(key_f11), E(135), E(137), E(139)}, {E(key_f12), E(136), E(138), E(140)},   // F11, F12
    {E(key_up), E(key_up), E(141), E(152)},                                      // Up
    {E(key_left), E(key_left), E(115), E(155)},                                  // Left
    {E(key_right), E(key_right), E(116), E(157)},                                // Right
    {E(key_down), E(key_down), E(145), E(160)},                                  // Down
    {C(key_backspace), C(key_backspace), C(127), E(14)},                         // Backspace
    {C(key_tab), E(15), E(148), E(165)},                                         // Tab
    {C(key_enter), C(key_enter), C(10), E(166)},                                 // Enter
    {C(' '), C(' '), E(3), C(' ')},                                          // Space
    {E(key_page_up), E(key_page_up), E(132), E(153)},                            // Page Up
    {E(key_page_down), E(key_page_down), E(118), E(161)},                        // Page Down
    {E(key_end), E(key_end), E(117), E(159)},                                    // End
    {E(key_home), E(key_home), E(119), E(151)},                                  // Home
    {E(key_insert), E(key_insert), E(146), E(162)},                              // Insert
    {E(key_delete), E(key_delete), E(147), E(163)},                              // Delete
    // The keypad's digits; with Shift they are the keys NumLock gives them.
    {C('0'), E(key_insert), E(146), none},    {C('1'), E(key_end), E(117), none},
    {C('2'), E(key_down), E(145), none},      {C('3'), E(key_page_down), E(118), none},
    {C('4'), E(key_left), E(115), none},      {C('5'), E(76), E(143), none},
    {C('6'), E(key_right), E(116), none},     {C('7'), E(key_home), E(119), none},
    {C('8'), E(key_up), E(141), none},        {C('9'), E(key_page_up), E(132), none},
    {C('*'), C('*'), E(150), E(55)},        {C('+'), C('+'), E(144), E(78)},      // keypad * +
    {C('-'), C('-'), E(142), E(74)},        {C('.'), C('.'), E(83), E(147)},      // keypad - .
    {C('/'), C('/'), E(149), E(164)},                                             // keypad /
    {C('\\'), C('|'), C(28), E(43)},        {C('/'), C('?'), none, E(53)},          // \ /
    {C('-'), C('_'), C(31), E(130)},        {C('='), C('+'), none, E(131)},         // - =
    {C('['), C('{'), C(27), E(26)},         {C(']'), C('}'), C(29), E(27)},       // [ ]
    {C(';'), C(':'), none, E(39)},            {C('\''), C('"'), none, E(40)},         // ; '
    {C(','), C('<'), none, E(51)},            {C('.'), C('>'), none, E(52)},          // , .
    {C('`'), C('~'), none, E(41)},                                                  // `
};
// clang-format on
static_assert(sizeof fixed_rows / sizeof fixed_rows[0] == static_cast<int>(key::a));

// With Alt a letter gives its scan code: the PC keyboard's set-1 scan
// code, as console key events carry it.
const int scan_codes[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                            49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

}  // namespace

key_entries key_row(key k) {
    int n = static_cast<int>(k);
    if (k < key::a) return fixed_rows[n];
    if (is_letter(k)) {
        int i = n - static_cast<int>(key::a);
        return {none, C('A' + i), C(i + 1), E(scan_codes[i])};
    }
    int d = n - static_cast<int>(key::digit_0);
    static const char shifted[] = ")!@#$%^&*(";
    key_code ctrl = d == 2 ? E(3) : d == 6 ? C(30) : none;
    return {C('0' + d), C(shifted[d]), ctrl, d == 0 ? E(129) : E(119 + d)};
}

key_code choose_code(key k, int modifiers, int character) {
    key_entries row = key_row(k);
    key_code chosen;
    if (modifiers & mod_alt)
        chosen = row.alt;
    else if (modifiers & mod_ctrl)
        chosen = row.ctrl;
    else if (modifiers & mod_shift)
        chosen = row.shift;
    else if (is_letter(k))
        chosen =
            C(character > 0 ? character : 'a' + (static_cast<int>(k) - static_cast<int>(key::a)));
    else
        chosen = row.plain;
    if (chosen.empty() && character > 0) chosen = C(character);
    return chosen;
}

key_code code_for(const key_press& press) {
    if (press.which) return choose_code(*press.which, press.modifiers, press.character);
    return press.character > 0 ? C(press.character) : none;
}

}  // namespace console_detail
