#include "console_keys.h"

#include <optional>

#include "code_page_850.h"

namespace console_detail {

namespace {

using namespace win32;

// The key of the key table that a virtual key code stands for.
std::optional<key> table_key(std::uint16_t vk, std::uint32_t state) {
    if (vk >= 'A' && vk <= 'Z') return letter_key(vk - 'A');
    if (vk >= '0' && vk <= '9') return digit_key(vk - '0');
    if (vk >= vk_numpad0 && vk <= vk_numpad0 + 9) return keypad_key(vk - vk_numpad0);
    if (vk >= vk_f1 && vk <= vk_f12) return function_key(vk - vk_f1 + 1);
    switch (vk) {
        case vk_escape: return key::escape;
        case vk_up: return key::up;
        case vk_left: return key::left;
        case vk_right: return key::right;
        case vk_down: return key::down;
        case vk_back: return key::backspace;
        case vk_tab: return key::tab;
        case vk_return: return key::enter;
        case vk_space: return key::space;
        case vk_prior: return key::page_up;
        case vk_next: return key::page_down;
        case vk_end: return key::end;
        case vk_home: return key::home;
        case vk_insert: return key::insert;
        // With NumLock on, Delete is taken for the keypad's decimal point.
        case vk_delete: return state & numlock_on ? key::keypad_decimal : key::del;
        case vk_clear: return key::keypad_5;
        case vk_multiply: return key::keypad_multiply;
        case vk_add: return key::keypad_plus;
        case vk_subtract: return key::keypad_minus;
        case vk_decimal: return key::keypad_decimal;
        case vk_divide: return key::keypad_divide;
        case vk_oem_5: return key::backslash;
        case vk_oem_2: return key::slash;
        case vk_oem_minus: return key::minus;
        case vk_oem_plus: return key::equals;
        case vk_oem_4: return key::left_bracket;
        case vk_oem_6: return key::right_bracket;
        case vk_oem_1: return key::semicolon;
        case vk_oem_7: return key::apostrophe;
        case vk_oem_comma: return key::comma;
        case vk_oem_period: return key::period;
        case vk_oem_3: return key::backtick;
        default: return std::nullopt;
    }
}

// The code page 850 byte of a typed character; 0 for none.
int cp850_character(char16_t c) {
    if (c < 0x80) return c;
    int b = code_page_850::byte_of(c);
    return b < 0 ? 0 : b;
}

}  // namespace

std::optional<key_press> press_for_event(const input_event& e) {
    if (e.type != input_event::kind::key || !e.key_down) return std::nullopt;
    int character = cp850_character(e.character);
    auto k = table_key(e.virtual_key, e.control_state);
    if (!k) {
        if (character == 0) return std::nullopt;
        return key_press{std::nullopt, 0, character};
    }
    std::uint32_t s = e.control_state;
    int modifiers = (s & (left_alt_pressed | right_alt_pressed) ? mod_alt : 0) |
                    (s & (left_ctrl_pressed | right_ctrl_pressed) ? mod_ctrl : 0) |
                    (s & shift_pressed ? mod_shift : 0);
    // The keypad's 5 without NumLock (or with Shift over NumLock, which
    // Windows reports with Shift let go) is its Shift entry, as a terminal's
    // ESC [ E is.
    if (e.virtual_key == vk_clear) modifiers |= mod_shift;
    // A letter alone is its character; without one the event is no key.
    if (is_letter(*k) && modifiers == 0 && character == 0) return std::nullopt;
    return key_press{k, modifiers, character};
}

std::optional<key_press> read_console_key(console_input& console) {
    std::uint32_t saved = 0;
    if (!console.get_mode(saved) || !console.set_mode(enable_window_input)) return std::nullopt;
    std::optional<key_press> pressed;
    while (!pressed) {
        input_event event;
        if (!console.read_event(event)) break;
        if (event.type == input_event::kind::window_size)
            console.window_resized();
        else
            pressed = press_for_event(event);
    }
    if (!console.set_mode(saved)) return std::nullopt;
    return pressed;
}

}  // namespace console_detail
