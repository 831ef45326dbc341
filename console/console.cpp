// The console operations: they draw on the screen model and read keys. The
// console device (the system's, backend.h) is brought up to date before
// every wait.
#include "console.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "backend.h"
#include "cp850.h"
#include "key_table.h"
#include "screen_model.h"

using namespace console_detail;

namespace {

// The one console: the screen the operations draw on, and the device (the
// system's console and all it keeps) that shows it and gives its keys.
struct console {
    screen_model model;
    std::unique_ptr<console_device> device;
    // An extended key's code, for the read after the one that gave 0.
    std::optional<int> pending_extended_code;
};

// What ends the program when its console is gone: nothing more can be
// asked or shown, and nothing the operator did not ask for is saved.
constexpr int exit_console_gone = 1;

std::unique_ptr<console> open_console;
bool cannot_show_screen = false;

}  // namespace

void console_detail::open_console_on(std::unique_ptr<console_device> device,
                                     const backend::start_up& found) {
    open_console.reset(new console{
        screen_model(found.columns, found.rows, found.normal_attribute, found.tall_rows),
        std::move(device), std::nullopt});
}

bool console_open() {
    backend::start_up found;
    auto device = backend::open(found);
    cannot_show_screen = found.cannot_show_screen;
    if (!device) return false;
    open_console_on(std::move(device), found);
    return true;
}

screen_model& console_detail::console_model() { return open_console->model; }

void console_flush() {
    if (open_console) open_console->device->flush(open_console->model);
}

void console_close() {
    if (!open_console) return;
    open_console->device->flush(open_console->model);
    open_console->device->close(open_console->model);
    open_console.reset();
}

bool console_cannot_show_screen() { return cannot_show_screen; }

bool console_owns_stdout() { return open_console && open_console->device->owns_stdout(); }

void console_set_mode(int mode) {
    auto& c = *open_console;
    // Also when the size stays: the console is brought to exactly the mode's
    // size, so a buffer taller than its window keeps no scroll-back.
    if (c.model.set_mode(mode)) c.device->mode_changed(c.model);
}

void console_set_foreground(int colour) { open_console->model.set_foreground(colour); }
void console_set_background(int colour) { open_console->model.set_background(colour); }
void console_goto(int column, int row) { open_console->model.go_to(column, row); }
void console_clear() { open_console->model.clear(); }
void console_put_text(const char* text) { open_console->model.put_text(text); }
void console_set_cursor_shape(int shape) { open_console->model.set_cursor_shape(shape); }

int console_print(const char* format, ...) {
    va_list args, copy;
    va_start(args, format);
    va_copy(copy, args);
    char short_text[256];
    int n = std::vsnprintf(short_text, sizeof short_text, format, args);
    va_end(args);
    if (n < 0) {
        va_end(copy);
        return n;
    }
    if (static_cast<std::size_t>(n) < sizeof short_text) {
        va_end(copy);
        open_console->model.print(std::string_view(short_text, static_cast<std::size_t>(n)));
        return n;
    }
    std::vector<char> long_text(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(long_text.data(), long_text.size(), format, copy);
    va_end(copy);
    open_console->model.print(std::string_view(long_text.data(), static_cast<std::size_t>(n)));
    return n;
}

// The key table gives each press its code here, and only here is a key with
// an extended code read as two: 0, then the code.
int console_read_key() {
    auto& c = *open_console;
    if (auto code = std::exchange(c.pending_extended_code, std::nullopt)) return *code;
    for (;;) {
        std::optional<key_press> pressed = c.device->read_key(c.model);
        if (!pressed) {
            console_close();
            std::exit(exit_console_gone);
        }
        key_code code = code_for(*pressed);
        if (code.type == key_code::kind::character) return code.code;
        if (code.type == key_code::kind::extended) {
            c.pending_extended_code = code.code;
            return key_extended;
        }
    }
}

console_interrupts_held::console_interrupts_held() { backend::hold_interrupts(); }
console_interrupts_held::~console_interrupts_held() { backend::release_interrupts(); }

bool console_write_text(std::FILE* stream, std::string_view text) {
    return backend::write_text(stream, text_for_stream(text));
}

void console_at_abrupt_end(void (*cleanup)()) { backend::at_abrupt_end(cleanup); }
