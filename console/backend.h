// The part of the console that speaks to the system: a Unix terminal, or
// the Win32 console. console.cpp keeps the screen model and the API over it,
// and calls these; the build links exactly one system's file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>

#include "screen_model.h"

namespace console_detail::backend {

// What the system's console is like at start-up.
struct start_up {
    int columns = 80, rows = 25;
    std::uint8_t normal_attribute = 0x07;
    int tall_rows = 50;  // the rows of mode 64
};

// Takes the console (our screen, raw keys). False when there is none.
bool open(start_up& found);
// Gives the console back as it was found; the last screen stays visible.
void close(screen_model& model);
// The model was set to a mode (a new size or the same): the console
// follows as far as it can.
void mode_changed(screen_model& model);
// Brings the console up to the model (and sounds its beeps).
void flush(screen_model& model);
// Waits for the next key: its code, or key_extended with the extended code
// left in pending_key_code; -1 when the console fails.
int read_key(screen_model& model, int& pending_key_code);
bool owns_stdout();
// Holds back, or lets act, what ends the program from outside.
void hold_interrupts();
void release_interrupts();
// Writes text that is UTF-8 throughout to a standard stream.
void write_text(std::FILE* stream, std::string_view utf8);

}  // namespace console_detail::backend

namespace console_detail {

// The console the façade drives: the system's, or one that stands in for
// it (the tests script its keys).
class console_device {
   public:
    virtual ~console_device() = default;
    virtual void close(screen_model& model) = 0;
    virtual void mode_changed(screen_model& model) = 0;
    virtual void flush(screen_model& model) = 0;
    virtual int read_key(screen_model& model, int& pending_key_code) = 0;
    virtual bool owns_stdout() = 0;
};

// Opens the console on this device, with a screen of the start-up size.
void open_console_on(std::unique_ptr<console_device> device, const backend::start_up& found);
// The screen the console operations draw on.
screen_model& console_model();

}  // namespace console_detail
