// The Unix terminal under the console: raw mode, output, input with a
// timeout, its size, and giving it back as it was on every way out.
#pragma once

#include <string>
#include <string_view>

namespace console_detail::terminal {

// Whether there is a controlling terminal (opened and closed again).
bool available();
// What the terminal needs to enable its line-drawing set (terminfo enacs),
// sent whenever it is taken; set before it is opened.
void set_enable_line_drawing(std::string_view enable);
// Opens the controlling terminal in raw mode. False when there is none.
bool open(std::string& read_ahead);
void close();
bool is_open();
// Whether a descriptor is this same terminal (standard output, say).
bool is_same_terminal(int other_fd);

// Writes to the terminal. When it takes no output for a while (flow control,
// a stalled link), what is written is dropped until it takes output again,
// and then the screen is painted anew (as after a resume).
void write(std::string_view bytes);
bool size(int& columns, int& rows);
// Whether the terminal said, when opened, that it paints an update bracketed
// in synchronized output (mode 2026) at once.
bool synchronized_output();

enum class read_result { data, timed_out, interrupted, end };
// Reads what is there, waiting at most `timeout_ms` (-1: without limit).
read_result read(std::string& out, int timeout_ms);

// Hangup, terminate and interrupt wait (blocked) while held; on release
// those that came act as they would have.
void hold_ending_signals(bool hold);

// What a signal that ends the program calls once the terminal is given back.
void at_abrupt_end(void (*cleanup)());

// Set by signals, cleared when read.
bool take_resized();
bool take_resumed();

// The row (from 1) where the cursor goes when the terminal is given back:
// below the program's last row, or on it when the terminal has no more;
// `blank` when that row is to be erased first (it holds the notice of a
// terminal too small, which means nothing once the program has ended).
void set_end_row(int row, bool blank);
// Whether the program sets the cursor's shape: the terminal's own is then
// set again when the terminal is given back.
void set_cursor_styled(bool styled);
// What leaves the line-drawing set, written when the terminal is given back.
void set_exit_line_drawing(std::string_view exit);

}  // namespace console_detail::terminal
