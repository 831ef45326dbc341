// The Win32 console as the console drives it, over the console calls it
// makes, so that every console it may meet (the classic console window, a
// pseudo console under Windows Terminal, ssh or VS Code, Wine's) can stand
// in for the real one. Pure, so it builds and is tested everywhere;
// windows/console_windows.cpp gives it the real calls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backend.h"
#include "console_keys.h"
#include "screen_diff.h"

namespace console_detail {

// What GetConsoleScreenBufferInfo tells: the buffer's size, the window on it
// (inclusive edges), the cursor and the attribute text is written in.
struct buffer_info {
    int columns = 0, rows = 0;
    int left = 0, top = 0, right = -1, bottom = -1;
    int cursor_x = 0, cursor_y = 0;
    std::uint16_t attribute = 0x07;
    int window_columns() const { return right - left + 1; }
    int window_rows() const { return bottom - top + 1; }
};

// The window GetConsoleWindow gives, if any: its class and whether it shows.
struct console_window {
    bool exists = false;
    bool visible = false;
    std::string class_name;
};

struct glyph_cell {
    char16_t character = u' ';
    std::uint16_t attribute = 0x07;
    bool operator==(const glyph_cell&) const = default;
};

// The Win32 console calls of the console. Each false (or empty) on failure.
struct console_calls {
    using handle = void*;
    std::function<bool(handle, buffer_info&)> buffer;  // GetConsoleScreenBufferInfo
    // GetLargestConsoleWindowSize; 0 x 0 when not known.
    std::function<void(handle, int& columns, int& rows)> largest_window;
    std::function<bool(handle, int columns, int rows)> set_buffer_size;
    // SetConsoleWindowInfo with absolute edges, inclusive.
    std::function<bool(handle, int left, int top, int right, int bottom)> set_window;
    std::function<handle()> create_buffer;  // CreateConsoleScreenBuffer; null on failure
    std::function<bool(handle)> activate;   // SetConsoleActiveScreenBuffer
    std::function<void(handle)> close;      // CloseHandle
    // WriteConsoleOutputW of one row's cells from (column, row).
    std::function<bool(handle, int column, int row, const std::vector<glyph_cell>&)> write;
    // FillConsoleOutputCharacterW with spaces and FillConsoleOutputAttribute.
    std::function<bool(handle, int column, int row, int count, std::uint16_t attribute)> fill;
    // ScrollConsoleScreenBufferW of the rectangle to (to_column, to_row),
    // what it leaves blank in `attribute`.
    std::function<bool(handle, int left, int top, int right, int bottom, int to_column, int to_row,
                       std::uint16_t attribute)>
        scroll;
    std::function<bool(handle, int column, int row)> set_cursor;  // SetConsoleCursorPosition
    std::function<bool(handle, int size, bool visible)> set_cursor_shape;  // SetConsoleCursorInfo
    std::function<bool(handle, int& size, bool& visible)> cursor_shape;    // GetConsoleCursorInfo
    std::function<bool(handle, std::uint32_t&)> get_mode;                  // GetConsoleMode
    std::function<bool(handle, std::uint32_t)> set_mode;                   // SetConsoleMode
    std::function<bool(handle, input_event&)> read_event;                  // ReadConsoleInputW
    std::function<console_window()> window;   // GetConsoleWindow, GetClassNameW, IsWindowVisible
    std::function<void()> beep;               // Beep(3000, 100)
    std::function<bool()> stdout_is_console;  // GetConsoleMode on the standard output
    // Ctrl+C and Ctrl+Break as keys (true) or as the system has them.
    std::function<void(bool)> breaks_as_keys;  // SetConsoleCtrlHandler
};

// A Win32 console: each call costs more than a few cells.
inline constexpr console_traits win32_traits{.blank_repaint = false,
                                             .fills = true,
                                             .scroll_blanks_known = true,
                                             .bridged_gap = 8,
                                             .longest_write = 80,
                                             .cursor_shapes = true,
                                             .writes_move_cursor = false};

// The consoles told apart by what Windows documents of them.
enum class console_kind : std::uint8_t {
    // Its own visible window, which shows the active buffer's window as
    // it is: the size can be switched and read back.
    classic,
    // A pseudo console (Windows Terminal, ssh, VS Code): the window calls
    // succeed and echo, but the terminal keeps its size.
    pseudo,
    // No window shows the buffer (an older pseudo console, Wine's terminal):
    // the size is that of whatever draws it, and is taken as found.
    hidden,
};
console_kind kind_of(const console_window& window);

// Takes the console on these handles: draws in a screen buffer of its own,
// made active, reads window-aware raw keys. None when the handles are no
// console. `found` gets the start-up size and colours.
std::unique_ptr<console_device> open_win32_device(const console_calls& calls,
                                                  console_calls::handle in,
                                                  console_calls::handle out,
                                                  backend::start_up& found);

}  // namespace console_detail
