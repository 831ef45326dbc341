// The codes the key read gives: a character code, or key_extended and then
// the key's extended code on the next read (the PC console's scan codes).
#pragma once

inline constexpr int key_extended = 0;
inline constexpr int key_backspace = 8;
inline constexpr int key_tab = 9;
inline constexpr int key_enter = 13;
inline constexpr int key_escape = 27;
// Extended codes.
inline constexpr int key_f1 = 59;
inline constexpr int key_f2 = 60;
inline constexpr int key_f3 = 61;
inline constexpr int key_f4 = 62;
inline constexpr int key_f5 = 63;
inline constexpr int key_f6 = 64;
inline constexpr int key_f7 = 65;
inline constexpr int key_f8 = 66;
inline constexpr int key_f9 = 67;
inline constexpr int key_f10 = 68;
inline constexpr int key_home = 71;
inline constexpr int key_up = 72;
inline constexpr int key_page_up = 73;
inline constexpr int key_left = 75;
inline constexpr int key_right = 77;
inline constexpr int key_end = 79;
inline constexpr int key_down = 80;
inline constexpr int key_page_down = 81;
inline constexpr int key_insert = 82;
inline constexpr int key_delete = 83;
inline constexpr int key_f11 = 133;
inline constexpr int key_f12 = 134;
