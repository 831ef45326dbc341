// Every key's four entries as a console key table gives them, written out
// row by row, for the tests of the key table and of what reads it.
#pragma once

#include <vector>

#include "key_table.h"

namespace key_table_rows {

using console_detail::key;

// An expected entry: a character code, an extended code, nothing, or (a
// letter alone) the character its key event carries.
struct entry {
    enum { character, extended, empty, event } kind;
    int code;
};
inline constexpr entry ch(int c) { return {entry::character, c}; }
inline constexpr entry ex(int c) { return {entry::extended, c}; }
inline constexpr entry none{entry::empty, 0};
inline constexpr entry event{entry::event, 0};

struct expected_row {
    key k;
    const char* name;
    entry plain, shift, ctrl, alt;
};

// clang-format off
inline const expected_row table[] = {
    {key::escape, "Esc", ch(27), ch(27), ch(27), ex(1)},
    {key::f1, "F1", ex(59), ex(84), ex(94), ex(104)},
    {key::f2, "F2", ex(60), ex(85), ex(95), ex(105)},
    {key::f3, "F3", ex(61), ex(86), ex(96), ex(106)},
    {key::f4, "F4", ex(62), ex(87), ex(97), ex(107)},
    {key::f5, "F5", ex(63), ex(88), ex(98), ex(108)},
    {key::f6, "F6", ex(64), ex(89), ex(99), ex(109)},
    {key::f7, "F7", ex(65), ex(90), ex(100), ex(110)},
    {key::f8, "F8", ex(66), ex(91), ex(101), ex(111)},
    {key::f9, "F9", ex(67), ex(92), ex(102), ex(112)},
    {key::f10, "F10", ex(68), ex(93), ex(103), ex(113)},
    {key::f11, "F11", ex(133), ex(135), ex(137), ex(139)},
    {key::f12, "F12", ex(134), ex(136), ex(138), ex(140)},
    {key::up, "Up", ex(72), ex(72), ex(141), ex(152)},
    {key::left, "Left", ex(75), ex(75), ex(115), ex(155)},
    {key::right, "Right", ex(77), ex(77), ex(116), ex(157)},
    {key::down, "Down", ex(80), ex(80), ex(145), ex(160)},
    {key::backspace, "Backspace", ch(8), ch(8), ch(127), ex(14)},
    {key::tab, "Tab", ch(9), ex(15), ex(148), ex(165)},
    {key::enter, "Enter", ch(13), ch(13), ch(10), ex(166)},
    {key::space, "Space", ch(32), ch(32), ex(3), ch(32)},
    {key::page_up, "Page Up", ex(73), ex(73), ex(132), ex(153)},
    {key::page_down, "Page Down", ex(81), ex(81), ex(118), ex(161)},
    {key::end, "End", ex(79), ex(79), ex(117), ex(159)},
    {key::home, "Home", ex(71), ex(71), ex(119), ex(151)},
    {key::insert, "Insert", ex(82), ex(82), ex(146), ex(162)},
    {key::del, "Delete", ex(83), ex(83), ex(147), ex(163)},
    {key::keypad_0, "keypad 0", ch(48), ex(82), ex(146), none},
    {key::keypad_1, "keypad 1", ch(49), ex(79), ex(117), none},
    {key::keypad_2, "keypad 2", ch(50), ex(80), ex(145), none},
    {key::keypad_3, "keypad 3", ch(51), ex(81), ex(118), none},
    {key::keypad_4, "keypad 4", ch(52), ex(75), ex(115), none},
    {key::keypad_5, "keypad 5", ch(53), ex(76), ex(143), none},
    {key::keypad_6, "keypad 6", ch(54), ex(77), ex(116), none},
    {key::keypad_7, "keypad 7", ch(55), ex(71), ex(119), none},
    {key::keypad_8, "keypad 8", ch(56), ex(72), ex(141), none},
    {key::keypad_9, "keypad 9", ch(57), ex(73), ex(132), none},
    {key::keypad_multiply, "keypad *", ch(42), ch(42), ex(150), ex(55)},
    {key::keypad_plus, "keypad +", ch(43), ch(43), ex(144), ex(78)},
    {key::keypad_minus, "keypad -", ch(45), ch(45), ex(142), ex(74)},
    {key::keypad_decimal, "keypad .", ch(46), ch(46), ex(83), ex(147)},
    {key::keypad_divide, "keypad /", ch(47), ch(47), ex(149), ex(164)},
    {key::backslash, "\\", ch(92), ch(124), ch(28), ex(43)},
    {key::slash, "/", ch(47), ch(63), none, ex(53)},
    {key::minus, "-", ch(45), ch(95), ch(31), ex(130)},
    {key::equals, "=", ch(61), ch(43), none, ex(131)},
    {key::left_bracket, "[", ch(91), ch(123), ch(27), ex(26)},
    {key::right_bracket, "]", ch(93), ch(125), ch(29), ex(27)},
    {key::semicolon, ";", ch(59), ch(58), none, ex(39)},
    {key::apostrophe, "'", ch(39), ch(34), none, ex(40)},
    {key::comma, ",", ch(44), ch(60), none, ex(51)},
    {key::period, ".", ch(46), ch(62), none, ex(52)},
    {key::backtick, "`", ch(96), ch(126), none, ex(41)},
    {key::a, "A", event, ch(65), ch(1), ex(30)},
    {key::b, "B", event, ch(66), ch(2), ex(48)},
    {key::c, "C", event, ch(67), ch(3), ex(46)},
    {key::d, "D", event, ch(68), ch(4), ex(32)},
    {key::e, "E", event, ch(69), ch(5), ex(18)},
    {key::f, "F", event, ch(70), ch(6), ex(33)},
    {key::g, "G", event, ch(71), ch(7), ex(34)},
    {key::h, "H", event, ch(72), ch(8), ex(35)},
    {key::i, "I", event, ch(73), ch(9), ex(23)},
    {key::j, "J", event, ch(74), ch(10), ex(36)},
    {key::k, "K", event, ch(75), ch(11), ex(37)},
    {key::l, "L", event, ch(76), ch(12), ex(38)},
    {key::m, "M", event, ch(77), ch(13), ex(50)},
    {key::n, "N", event, ch(78), ch(14), ex(49)},
    {key::o, "O", event, ch(79), ch(15), ex(24)},
    {key::p, "P", event, ch(80), ch(16), ex(25)},
    {key::q, "Q", event, ch(81), ch(17), ex(16)},
    {key::r, "R", event, ch(82), ch(18), ex(19)},
    {key::s, "S", event, ch(83), ch(19), ex(31)},
    {key::t, "T", event, ch(84), ch(20), ex(20)},
    {key::u, "U", event, ch(85), ch(21), ex(22)},
    {key::v, "V", event, ch(86), ch(22), ex(47)},
    {key::w, "W", event, ch(87), ch(23), ex(17)},
    {key::x, "X", event, ch(88), ch(24), ex(45)},
    {key::y, "Y", event, ch(89), ch(25), ex(21)},
    {key::z, "Z", event, ch(90), ch(26), ex(44)},
    {key::digit_0, "0", ch(48), ch(41), none, ex(129)},
    {key::digit_1, "1", ch(49), ch(33), none, ex(120)},
    {key::digit_2, "2", ch(50), ch(64), ex(3), ex(121)},
    {key::digit_3, "3", ch(51), ch(35), none, ex(122)},
    {key::digit_4, "4", ch(52), ch(36), none, ex(123)},
    {key::digit_5, "5", ch(53), ch(37), none, ex(124)},
    {key::digit_6, "6", ch(54), ch(94), ch(30), ex(125)},
    {key::digit_7, "7", ch(55), ch(38), none, ex(126)},
    {key::digit_8, "8", ch(56), ch(42), none, ex(127)},
    {key::digit_9, "9", ch(57), ch(40), none, ex(128)},
};
// clang-format on

// What the program's reads give for a code of the table: the character
// code, or 0 and the extended code, or nothing.
inline std::vector<int> reads(console_detail::key_code c) {
    using kind = console_detail::key_code::kind;
    switch (c.type) {
        case kind::character: return {c.code};
        case kind::extended: return {0, c.code};
        case kind::none: break;
    }
    return {};
}

// What the reads give for an entry: the character code, or 0 and the
// extended code, or nothing (an empty entry, or a letter alone).
inline std::vector<int> reads(entry e) {
    switch (e.kind) {
        case entry::character: return {e.code};
        case entry::extended: return {0, e.code};
        case entry::empty:
        case entry::event: break;
    }
    return {};
}

}  // namespace key_table_rows
