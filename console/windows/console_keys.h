// A Win32 console's input events as key presses: which events are keys,
// which key of the key table an event is and with which modifiers, and the
// read of one key with the console's input mode taken and given back. Pure, so it builds and is
// tested everywhere; windows/console_windows.cpp feeds it the real events.
#pragma once

#include <cstdint>
#include <optional>

#include "key_table.h"

namespace console_detail {

// The numbers of the Win32 console, as windows.h defines them (the Win32
// backend checks that they agree).
namespace win32 {
// Virtual key codes; letters and digits are their capital ASCII.
inline constexpr std::uint16_t vk_back = 0x08, vk_tab = 0x09, vk_return = 0x0D, vk_shift = 0x10,
                               vk_control = 0x11, vk_menu = 0x12, vk_capital = 0x14,
                               vk_escape = 0x1B, vk_space = 0x20, vk_prior = 0x21, vk_next = 0x22,
                               vk_end = 0x23, vk_home = 0x24, vk_left = 0x25, vk_up = 0x26,
                               vk_right = 0x27, vk_down = 0x28, vk_insert = 0x2D, vk_delete = 0x2E,
                               vk_numpad0 = 0x60, vk_multiply = 0x6A, vk_add = 0x6B,
                               vk_subtract = 0x6D, vk_decimal = 0x6E, vk_divide = 0x6F,
                               vk_f1 = 0x70, vk_f12 = 0x7B, vk_numlock = 0x90, vk_scroll = 0x91,
                               vk_oem_1 = 0xBA, vk_oem_plus = 0xBB, vk_oem_comma = 0xBC,
                               vk_oem_minus = 0xBD, vk_oem_period = 0xBE, vk_oem_2 = 0xBF,
                               vk_oem_3 = 0xC0, vk_oem_4 = 0xDB, vk_oem_5 = 0xDC, vk_oem_6 = 0xDD,
                               vk_oem_7 = 0xDE;
inline constexpr std::uint16_t vk_clear = 0x0C;  // the keypad's 5 without NumLock
// The control-key state of a key event.
inline constexpr std::uint32_t right_alt_pressed = 0x01, left_alt_pressed = 0x02,
                               right_ctrl_pressed = 0x04, left_ctrl_pressed = 0x08,
                               shift_pressed = 0x10, numlock_on = 0x20, scrolllock_on = 0x40,
                               capslock_on = 0x80, enhanced_key = 0x100;
// The input mode of a key read: raw keys (no line editing, no echo, Ctrl+C a
// key) and the window's size changes as events.
inline constexpr std::uint32_t enable_window_input = 0x8;
}  // namespace win32

// One console input event, with the fields of a key event.
struct input_event {
    enum class kind : std::uint8_t { key, mouse, window_size, menu, focus };
    kind type = kind::key;
    bool key_down = true;
    std::uint16_t repeat_count = 1;
    std::uint16_t virtual_key = 0;
    std::uint16_t scan_code = 0;
    char16_t character = 0;  // UTF-16, 0 for none
    std::uint32_t control_state = 0;
};

// The key an event presses, or none: only key presses are keys, each one
// key whatever its repeat count. An event is the key of the table its
// virtual key code stands for, with the modifiers of its control-key state
// and its character as a code page 850 byte; an event of no key of the
// table is its character alone. A character with no code page 850 byte
// counts as none; a letter that carries none is no key.
std::optional<key_press> press_for_event(const input_event& event);

// What a key read needs of a console.
class console_input {
   public:
    virtual bool get_mode(std::uint32_t& mode) = 0;
    virtual bool set_mode(std::uint32_t mode) = 0;
    // Waits for the next event; false when the console fails.
    virtual bool read_event(input_event& event) = 0;
    // A window-size event came: the screen is shown anew at the new size.
    virtual void window_resized() = 0;

   protected:
    ~console_input() = default;
};

// Reads one key in window-aware raw input (enable_window_input: no line
// editing, no echo, Ctrl+C a key, a resize an event) and gives the mode
// back; none when the mode can't be taken or given back, or the console
// fails.
std::optional<key_press> read_console_key(console_input& console);

}  // namespace console_detail
