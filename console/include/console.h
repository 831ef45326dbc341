// The text console: an 80 x 50 screen of code page 850 cells in 16 colours,
// and the keyboard. The screen is a model that the system's console (a Unix
// terminal, or the Win32 console) mirrors; nothing outside this library
// knows which.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "key_codes.h"

// Opens the console (raw keys, our screen), also when the standard streams
// are redirected. False when there is none.
bool console_open();
// After a failed console_open: whether there was a console, but one that
// can't show a screen (a terminal that can't place its cursor).
bool console_cannot_show_screen();
// Gives the console back as it was found; the last screen stays visible.
void console_close();

void console_set_mode(int mode);
void console_set_foreground(int colour);
void console_set_background(int colour);
void console_goto(int column, int row);
int console_print(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Writes a text as it is: every byte one cell, control bytes shown as their
// glyphs, so text from files can never beep, move the cursor or reach the
// terminal as a control code. Wraps and scrolls as console_print does.
void console_put_text(const char* text);
void console_clear();
// The cursor's shapes: hidden, a full cell, or the lower quarter of a cell
// (the console's usual one).
constexpr int cursor_hidden = 0, cursor_full_cell = 1, cursor_quarter_cell = 2;
void console_set_cursor_shape(int shape);

// Reads a key: a character code, or key_extended and then the key's extended
// code on the next read (key_codes.h). When the console is gone (the
// terminal hung up), the read ends the program with the console given back.
int console_read_key();
// Puts what has been drawn on the console now (before waits and long work).
void console_flush();
// Whether standard output is the console (its text must then go through the
// screen).
bool console_owns_stdout();

// Work that must not be cut off (the save the operator asked for) holds
// back what ends the program from outside: a hangup (the terminal closed),
// terminate and interrupt wait until it is released, then act as they
// would have. On Windows, closing the console window waits as long as the
// system lets it (a few seconds). For as long as one of these lives:
class console_interrupts_held {
   public:
    console_interrupts_held();
    ~console_interrupts_held();
    console_interrupts_held(const console_interrupts_held&) = delete;
    console_interrupts_held& operator=(const console_interrupts_held&) = delete;
};

// Writes a text of the program's own (code page 850) to a standard stream,
// for the messages after the screen is given back: UTF-8, or UTF-16 to a
// Win32 console. Bytes that already form UTF-8, such as file names, pass as
// they are; control bytes other than the line end show as \xNN, and so do
// the C1 controls in UTF-8 (U+0080..U+009F), byte by byte.
// False when not all of it could be written (a closed pipe, a full disk).
bool console_write_text(std::FILE* stream, std::string_view text);

// What a signal that ends the program (hangup, terminate, interrupt, a
// crash) calls on its way out, after the console is given back: work that
// a signal handler may do, such as removing a file. Where the system ends
// the program without a signal (Windows), it is never called.
void console_at_abrupt_end(void (*cleanup)());

// Runs a command line through the system's interpreter (/bin/sh, or on
// Windows COMSPEC) and waits for it: its exit code, -1 when it can't be
// started; with a null command, 1 or 0 for whether the interpreter is there.
int run_shell_command(const char* command);
