// The console on a Unix terminal: the renderer turns the model into escape
// sequences, the key decoder turns the terminal's bytes into key presses.
#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backend.h"
#include "key_decoder.h"
#include "renderer.h"
#include "terminal.h"
#include "terminfo.h"

namespace console_detail::backend {

namespace {

// A lone Esc is told from the start of a key sequence by a short wait;
// over a network the bytes of one sequence may arrive further apart.
int esc_wait_ms() { return std::getenv("SSH_CONNECTION") ? 80 : 25; }
// A key sequence begun and not ended is given up after a longer wait: it
// costs only a rare Alt+[ typed by hand, and a slow link gets its margin.
// It stays shorter than a person takes to type the next key.
int sequence_wait_ms() { return 2 * esc_wait_ms(); }

using description = std::optional<terminfo::description>;

// TERM's description, read once at start.
description terminal_description() {
    const char* term = std::getenv("TERM");
    return term && *term ? terminfo::describe(term) : std::nullopt;
}

// What the terminal says of its colours: COLORTERM, and TERM's description.
colour_depth terminal_colour_depth(const description& described) {
    const char* colorterm = std::getenv("COLORTERM");
    return choose_colour_depth(colorterm ? colorterm : "",
                               described ? std::optional<int>(described->colours) : std::nullopt,
                               described && described->direct_colour);
}

// Eight colours, where bold brightens: the Linux console (whatever its
// description says), and descriptions of fewer than sixteen.
bool eight_colours(const description& described) {
    const char* term = std::getenv("TERM");
    if (term && std::string_view(term) == "linux") return true;
    return described && described->colours >= 0 && described->colours < 16;
}

// The locale's codeset, looked at without leaving the locale in force: the
// rest of the program classifies code page 850 bytes as the C locale does.
std::string locale_codeset() {
    const char* before = std::setlocale(LC_CTYPE, nullptr);
    std::string saved = before ? before : "C";
    std::string codeset;
    if (std::setlocale(LC_CTYPE, "")) codeset = nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, saved.c_str());
    return codeset;
}

// The glyphs for a terminal that is not UTF-8; nothing for one that is.
std::optional<legacy_encoder> terminal_legacy_encoder(const description& described) {
    auto codeset = choose_legacy_codeset(locale_codeset());
    if (!codeset) return std::nullopt;
    line_drawing_set lines = dec_special_graphics();
    if (described && !described->enter_line_drawing.empty() &&
        !described->exit_line_drawing.empty() && !described->line_drawing.empty())
        lines = {described->line_drawing, described->enter_line_drawing,
                 described->exit_line_drawing};
    return legacy_encoder(*codeset, std::move(lines));
}

// The terminal, as the console drives it: what it shows and the keys it
// sends.
class terminal_console final : public console_device {
   public:
    terminal_console(renderer output, int columns, int rows, std::string_view read_ahead,
                     described_keys described)
        : output_(std::move(output)), described_(std::move(described)), keys_(&described_) {
        output_.set_terminal_size(columns, rows);
        keys_.feed(read_ahead);
    }
    // The decoder points at the keys it reads.
    terminal_console(const terminal_console&) = delete;
    terminal_console& operator=(const terminal_console&) = delete;

    void flush(screen_model& model) override {
        handle_signals();
        ask_for_size(model);
        std::string out = output_.render(model);
        const auto end = output_.exit_row();
        terminal::set_end_row(end.row + 1, end.blank);  // rows count from 1 in ECMA-48
        if (!out.empty()) terminal::write(out);
    }

    void close(screen_model&) override { terminal::close(); }

    // The renderer sees the new size at the next flush.
    void mode_changed(screen_model&) override {}

    bool owns_stdout() override { return terminal::is_same_terminal(STDOUT_FILENO); }

    std::optional<key_press> read_key(screen_model& model) override {
        terminal_keys input(*this, model);
        auto pressed = read_terminal_key(keys_, input, esc_wait_ms(), sequence_wait_ms());
        if (!pressed) std::raise(SIGHUP);  // the terminal is gone: end as a hangup does
        return pressed;
    }

   private:
    // The terminal's keys, with the screen shown before each wait.
    class terminal_keys final : public terminal_input {
       public:
        terminal_keys(terminal_console& console, screen_model& model)
            : console_(console), model_(model) {}
        void show() override { console_.flush(model_); }
        terminal::read_result read(std::string& bytes, int timeout_ms) override {
            return terminal::read(bytes, timeout_ms);
        }

       private:
        terminal_console& console_;
        screen_model& model_;
    };

    void check_size() {
        int columns = 0, rows = 0;
        if (!terminal::size(columns, rows)) return;
        output_.set_terminal_size(columns, rows);
    }

    // The 80 x 50 screen on a smaller terminal: ask once for the size.
    void ask_for_size(const screen_model& model) {
        if (asked_for_size_ || model.state.current_mode != 64) return;
        if (output_.terminal_columns() >= 80 && output_.terminal_rows() >= 50) return;
        asked_for_size_ = true;
        terminal::write("\x1b[8;50;80t");  // xterm: make the text area 50 rows by 80 columns
    }

    void handle_signals() {
        if (terminal::take_resumed()) {
            check_size();
            output_.force_full_repaint();
        }
        if (terminal::take_resized()) {
            check_size();
            output_.force_full_repaint();
        }
    }

    renderer output_;
    described_keys described_;  // before the decoder that reads them
    key_decoder keys_;
    bool asked_for_size_ = false;
};

}  // namespace

std::unique_ptr<console_device> open(start_up& found) {
    const description described = terminal_description();
    // A terminal whose description has no cursor addressing (dumb, a
    // printing terminal) is sent nothing at all.
    if (described && !described->addresses_cursor && terminal::available()) {
        found.cannot_show_screen = true;
        return nullptr;
    }
    auto legacy = terminal_legacy_encoder(described);
    // Its line-drawing set, where the terminal needs it enabled first.
    if (legacy && described) terminal::set_enable_line_drawing(described->enable_line_drawing);
    std::string read_ahead;
    if (!terminal::open(read_ahead)) return nullptr;
    int columns = 80, rows = 25;
    terminal::size(columns, rows);
    // The start-up screen is the terminal's, but never smaller than the
    // console's 80 x 25, so the loading screen looks as it does there.
    found.columns = std::max(columns, 80);
    found.rows = std::max(rows, 25);
    if (legacy) terminal::set_exit_line_drawing(legacy->exit_line_drawing());
    const bool utf8 = !legacy;
    renderer output(!eight_colours(described), terminal_colour_depth(described), std::move(legacy));
    output.set_synchronized(terminal::synchronized_output());
    // The cursor's shape where the description has it, and where there is
    // none (the newer terminals that have no entry all take DECSCUSR).
    const bool cursor_styles = !described || described->cursor_style;
    output.set_cursor_styles(cursor_styles);
    terminal::set_cursor_styled(cursor_styles);
    return std::make_unique<terminal_console>(
        std::move(output), columns, rows, read_ahead,
        describe_keys(described ? described->keys : std::vector<terminfo::key_string>{}, utf8));
}

void hold_interrupts() { terminal::hold_ending_signals(true); }
void release_interrupts() { terminal::hold_ending_signals(false); }

// In the locale's codeset, as the screen is.
bool write_text(std::FILE* stream, std::string_view utf8) {
    std::string text;
    if (auto codeset = choose_legacy_codeset(locale_codeset())) {
        text = legacy_text(utf8, *codeset);
        utf8 = text;
    }
    bool all = std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size();
    return std::fflush(stream) == 0 && all;
}

void at_abrupt_end(void (*cleanup)()) { terminal::at_abrupt_end(cleanup); }

}  // namespace console_detail::backend
