// The console operations: they draw on the screen model and read keys; the
// terminal, when there is one, is brought up to date before every wait.
#include "console.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#include "console_test.h"
#include "cp850.h"
#include "key_decoder.h"
#include "renderer.h"
#include "screen_model.h"
#include "terminal.h"

using namespace console_detail;

namespace {

struct console {
    screen_model model;
    renderer output;
    key_decoder keys;
    bool has_terminal;
    bool asked_for_size = false;
    int pending_key_code = -1;
};

std::unique_ptr<console> open_console;

// A lone Esc is told from the start of a key sequence by a short wait;
// over a network the bytes of one sequence may arrive further apart.
int esc_wait_ms() { return std::getenv("SSH_CONNECTION") ? 80 : 25; }

void check_size() {
    int columns = 0, rows = 0;
    if (!terminal::size(columns, rows)) return;
    open_console->output.set_terminal_size(columns, rows);
}

// The 80 x 50 screen on a smaller terminal: ask once for the size.
void ask_for_size() {
    if (open_console->asked_for_size || open_console->model.state.current_mode != 64) return;
    if (open_console->output.terminal_columns() >= 80 && open_console->output.terminal_rows() >= 50)
        return;
    open_console->asked_for_size = true;
    terminal::write("\x1b[8;50;80t");  // xterm: make the text area 50 rows by 80 columns
}

void handle_signals() {
    if (terminal::take_resumed()) {
        check_size();
        open_console->output.force_full_repaint();
    }
    if (terminal::take_resized()) {
        check_size();
        open_console->output.force_full_repaint();
    }
}

}  // namespace

bool console_open() {
    std::string read_ahead;
    if (!terminal::open(read_ahead)) return false;
    int columns = 80, rows = 25;
    terminal::size(columns, rows);
    // The start-up screen is the terminal's, but never smaller than the
    // console's 80 x 25, so the loading screen looks as it does there.
    open_console.reset(new console{screen_model(std::max(columns, 80), std::max(rows, 25)),
                                   renderer(!terminal::eight_colours()), key_decoder(), true});
    open_console->output.set_terminal_size(columns, rows);
    open_console->keys.feed(read_ahead);
    return true;
}

void console_open_model(int columns, int rows) {
    open_console.reset(new console{screen_model(columns, rows), renderer(), key_decoder(), false});
}

void console_feed(std::string_view bytes) { open_console->keys.feed(bytes); }

screen_model& console_model() { return open_console->model; }

void console_flush() {
    if (!open_console || !open_console->has_terminal) return;
    handle_signals();
    ask_for_size();
    std::string out = open_console->output.render(open_console->model);
    int below = open_console->output.last_shown_row() + 1;
    terminal::set_end_row(std::clamp(below, 1, open_console->output.terminal_rows()));
    if (!out.empty()) terminal::write(out);
}

void console_close() {
    if (!open_console) return;
    if (open_console->has_terminal) {
        console_flush();
        terminal::close();
    }
    open_console.reset();
}

bool console_owns_stdout() {
    return open_console && open_console->has_terminal && terminal::is_same_terminal(STDOUT_FILENO);
}

void console_set_mode(int mode) { open_console->model.set_mode(mode); }
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

int console_read_key() {
    if (open_console->pending_key_code != -1) {
        int code = open_console->pending_key_code;
        open_console->pending_key_code = -1;
        return code;
    }
    std::vector<int> codes;
    bool timed_out = false;
    while (!open_console->keys.next(codes, timed_out)) {
        if (!open_console->has_terminal) throw std::runtime_error("no more keys");
        console_flush();
        std::string bytes;
        int timeout = open_console->keys.waits_for_time() ? esc_wait_ms() : -1;
        auto got = terminal::read(bytes, timeout);
        timed_out = got == terminal::read_result::timed_out;
        if (got == terminal::read_result::data) open_console->keys.feed(bytes);
        if (got == terminal::read_result::end) {
            // The terminal is gone: end as a hangup does.
            std::raise(SIGHUP);
            return -1;
        }
    }
    if (codes.size() > 1) open_console->pending_key_code = codes[1];
    return codes[0];
}

namespace {

// The length of a well-formed UTF-8 sequence at the start of `t`, or 0.
std::size_t utf8_length(std::string_view t) {
    auto b = [&](std::size_t i) { return static_cast<unsigned char>(t[i]); };
    std::size_t n = b(0) >= 0xC2 && b(0) <= 0xDF   ? 2
                    : b(0) >= 0xE0 && b(0) <= 0xEF ? 3
                    : b(0) >= 0xF0 && b(0) <= 0xF4 ? 4
                                                   : 0;
    if (n == 0 || t.size() < n) return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((b(i) & 0xC0) != 0x80) return 0;
    if ((b(0) == 0xE0 && b(1) < 0xA0) || (b(0) == 0xED && b(1) > 0x9F) ||
        (b(0) == 0xF0 && b(1) < 0x90) || (b(0) == 0xF4 && b(1) > 0x8F))
        return 0;  // overlong, a surrogate, or past U+10FFFF
    return n;
}

}  // namespace

void console_write_text(std::FILE* stream, std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    while (!text.empty()) {
        auto b = static_cast<unsigned char>(text[0]);
        std::size_t n = b >= 0x80 ? utf8_length(text) : 0;
        if (n > 0) {
            out.append(text.substr(0, n));
        } else if (b == '\n') {
            n = 1;
            out += '\n';
        } else if (b >= 0x80 || (b >= 0x20 && b != 0x7F)) {
            n = 1;
            append_glyph(out, b);
        } else {
            n = 1;
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 15];
        }
        text.remove_prefix(n);
    }
    std::fwrite(out.data(), 1, out.size(), stream);
    std::fflush(stream);
}
