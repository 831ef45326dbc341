// The part of the console that speaks to the system: a Unix terminal, or
// the Win32 console. console.cpp keeps the screen model and the API over it,
// and calls these; the build links exactly one system's file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#include "key_table.h"
#include "screen_model.h"

namespace console_detail {

// The console the façade drives: the system's, or one that stands in for
// it (the tests script its keys).
class console_device {
   public:
    virtual ~console_device() = default;
    virtual void close(screen_model& model) = 0;
    virtual void mode_changed(screen_model& model) = 0;
    virtual void flush(screen_model& model) = 0;
    // The next key pressed, the screen shown first; none when the console is
    // gone (its terminal hung up, its window can't be read).
    virtual std::optional<key_press> read_key(screen_model& model) = 0;
    virtual bool owns_stdout() = 0;
};

namespace backend {

// Mode 64 is 80 x 50 on every console (a Win32 console's window may be made
// 43 rows tall: win32_device.cpp).
constexpr int tall_rows = 50;

// What the system's console is like at start-up.
struct start_up {
    int columns = 80, rows = 25;
    std::uint8_t normal_attribute = 0x07;
    int tall_rows = backend::tall_rows;  // the rows of mode 64
    // Set when open finds a console that can't show a screen at all (a
    // terminal that can't place its cursor).
    bool cannot_show_screen = false;
};

// Takes the console (our screen, raw keys): the device that drives it until
// its close, or none when there is no console.
std::unique_ptr<console_device> open(start_up& found);
// Holds back, or lets act, what ends the program from outside.
void hold_interrupts();
void release_interrupts();
// Writes text that is UTF-8 throughout to a standard stream; false when
// not all of it could be written.
bool write_text(std::FILE* stream, std::string_view utf8);
// What a signal that ends the program calls on its way out.
void at_abrupt_end(void (*cleanup)());

}  // namespace backend

// Opens the console on this device, with a screen of the start-up size.
void open_console_on(std::unique_ptr<console_device> device, const backend::start_up& found);
// The screen the console operations draw on.
screen_model& console_model();

}  // namespace console_detail
