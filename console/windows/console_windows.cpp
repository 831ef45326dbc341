// The console on the Win32 console: the screen diff plans the updates and
// this file carries them out with the console's own calls; key events are
// read here and turned into codes by console_keys.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "backend.h"
#include "console_keys.h"
#include "cp850.h"
#include "screen_diff.h"

namespace console_detail::backend {

namespace {

// console_keys has the console's numbers without windows.h.
static_assert(win32::vk_back == VK_BACK && win32::vk_tab == VK_TAB && win32::vk_clear == VK_CLEAR &&
              win32::vk_return == VK_RETURN && win32::vk_shift == VK_SHIFT &&
              win32::vk_control == VK_CONTROL && win32::vk_menu == VK_MENU &&
              win32::vk_capital == VK_CAPITAL && win32::vk_escape == VK_ESCAPE &&
              win32::vk_space == VK_SPACE && win32::vk_prior == VK_PRIOR &&
              win32::vk_next == VK_NEXT && win32::vk_end == VK_END && win32::vk_home == VK_HOME &&
              win32::vk_left == VK_LEFT && win32::vk_up == VK_UP && win32::vk_right == VK_RIGHT &&
              win32::vk_down == VK_DOWN && win32::vk_insert == VK_INSERT &&
              win32::vk_delete == VK_DELETE && win32::vk_numpad0 == VK_NUMPAD0 &&
              win32::vk_multiply == VK_MULTIPLY && win32::vk_add == VK_ADD &&
              win32::vk_subtract == VK_SUBTRACT && win32::vk_decimal == VK_DECIMAL &&
              win32::vk_divide == VK_DIVIDE && win32::vk_f1 == VK_F1 && win32::vk_f12 == VK_F12 &&
              win32::vk_numlock == VK_NUMLOCK && win32::vk_scroll == VK_SCROLL &&
              win32::vk_oem_1 == VK_OEM_1 && win32::vk_oem_plus == VK_OEM_PLUS &&
              win32::vk_oem_comma == VK_OEM_COMMA && win32::vk_oem_minus == VK_OEM_MINUS &&
              win32::vk_oem_period == VK_OEM_PERIOD && win32::vk_oem_2 == VK_OEM_2 &&
              win32::vk_oem_3 == VK_OEM_3 && win32::vk_oem_4 == VK_OEM_4 &&
              win32::vk_oem_5 == VK_OEM_5 && win32::vk_oem_6 == VK_OEM_6 &&
              win32::vk_oem_7 == VK_OEM_7);
static_assert(win32::right_alt_pressed == RIGHT_ALT_PRESSED &&
              win32::left_alt_pressed == LEFT_ALT_PRESSED &&
              win32::right_ctrl_pressed == RIGHT_CTRL_PRESSED &&
              win32::left_ctrl_pressed == LEFT_CTRL_PRESSED &&
              win32::shift_pressed == SHIFT_PRESSED && win32::numlock_on == NUMLOCK_ON &&
              win32::scrolllock_on == SCROLLLOCK_ON && win32::capslock_on == CAPSLOCK_ON &&
              win32::enhanced_key == ENHANCED_KEY);
static_assert(sizeof(wchar_t) == sizeof(char16_t));

struct win32_console {
    HANDLE in = INVALID_HANDLE_VALUE, out = INVALID_HANDLE_VALUE;
    DWORD start_input_mode = 0;
    CONSOLE_CURSOR_INFO start_cursor{25, TRUE};
    COORD origin{0, 0};  // the buffer cell at the window's top-left: the screen's
    int buffer_columns = 80;
    // The rows the console's 80-column screen may have: 50, or 43 on a
    // display that shows no more. The program's screen is 80 x 50 either
    // way; a console of 43 rows shows its top part and the notice.
    int tall_rows = 50;
    screen_diff diff{win32_traits};
};

std::optional<win32_console> con;

// Ctrl+C and Ctrl+Break are keys while the program runs (input mode 0 makes
// them so on Windows; under Wine the terminal's interrupt comes this way).
BOOL WINAPI ignore_break(DWORD type) { return type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT; }

// Whether the display can show a window of this size. Windows refuses a
// larger one; Wine takes it but its terminal shows only the top of it.
bool fits_display(int columns, int rows) {
    COORD largest = GetLargestConsoleWindowSize(con->out);
    if (largest.X <= 0 || largest.Y <= 0) return true;  // not known
    return columns <= largest.X && rows <= largest.Y;
}

// Where the screen goes: the console's window as it is now, no more of it
// than the display shows.
bool take_window() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(con->out, &info)) return false;
    // A window scrolled elsewhere in the buffer shows other cells.
    if (info.srWindow.Left != con->origin.X || info.srWindow.Top != con->origin.Y)
        con->diff.force_full_repaint();
    con->origin = {info.srWindow.Left, info.srWindow.Top};
    con->buffer_columns = info.dwSize.X;
    int columns = info.srWindow.Right - info.srWindow.Left + 1;
    int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    COORD largest = GetLargestConsoleWindowSize(con->out);
    if (largest.X > 0) columns = std::min<int>(columns, largest.X);
    if (largest.Y > 0) rows = std::min<int>(rows, largest.Y);
    con->diff.set_console_size(columns, rows);
    return true;
}

COORD at(int column, int row) {
    return {static_cast<SHORT>(con->origin.X + column), static_cast<SHORT>(con->origin.Y + row)};
}

bool run(const screen_op& op) {
    const int columns = con->diff.console_columns(), rows = con->diff.console_rows();
    DWORD done = 0;
    switch (op.type) {
        case screen_op::kind::fill: {
            // From the window's first cell to its last, whatever the buffer's width.
            DWORD count = static_cast<DWORD>(con->buffer_columns * (rows - 1) + columns);
            return FillConsoleOutputCharacterW(con->out, L' ', count, at(0, 0), &done) &&
                   FillConsoleOutputAttribute(con->out, op.attribute, count, at(0, 0), &done);
        }
        case screen_op::kind::scroll: {
            // Rows n and on moved to the top, within the buffer: Wine refuses
            // a move of the whole window above its first row.
            SMALL_RECT from{static_cast<SHORT>(con->origin.X),
                            static_cast<SHORT>(con->origin.Y + op.count),
                            static_cast<SHORT>(con->origin.X + columns - 1),
                            static_cast<SHORT>(con->origin.Y + rows - 1)};
            CHAR_INFO blank;
            blank.Char.UnicodeChar = L' ';
            blank.Attributes = op.attribute;
            return ScrollConsoleScreenBufferW(con->out, &from, nullptr, at(0, 0), &blank);
        }
        case screen_op::kind::write: {
            CHAR_INFO cells[win32_traits.longest_write];
            int n = std::min(op.count, win32_traits.longest_write);
            for (int k = 0; k < n; ++k) {
                const cell& c = op.cells[static_cast<std::size_t>(k)];
                cells[k].Char.UnicodeChar = static_cast<WCHAR>(cp850_glyph[c.character]);
                cells[k].Attributes = c.attribute;
            }
            COORD start = at(op.column, op.row);
            SMALL_RECT region{start.X, start.Y, static_cast<SHORT>(start.X + n - 1), start.Y};
            return WriteConsoleOutputW(con->out, cells, COORD{static_cast<SHORT>(n), 1},
                                       COORD{0, 0}, &region);
        }
        case screen_op::kind::cursor_position:
            return SetConsoleCursorPosition(con->out, at(op.column, op.row));
        case screen_op::kind::cursor_shape: {
            CONSOLE_CURSOR_INFO cursor{op.count == 1   ? 100u
                                       : op.count == 2 ? 25u
                                                       : 1u,
                                       op.count != 0};
            return SetConsoleCursorInfo(con->out, &cursor);
        }
        case screen_op::kind::beep: Beep(3000, 100); return true;
        case screen_op::kind::repaint: return true;  // not planned for a Win32 console
    }
    return true;
}

// A key read on the console's input handle; a resized window is shown anew
// at once, not only after the next key.
class console_input_handle final : public console_input {
   public:
    explicit console_input_handle(screen_model& model) : model_(model) {}

    bool get_mode(std::uint32_t& mode) override {
        DWORD m = 0;
        if (!GetConsoleMode(con->in, &m)) return false;
        mode = m;
        return true;
    }
    bool set_mode(std::uint32_t mode) override { return SetConsoleMode(con->in, mode); }
    bool read_event(input_event& event) override {
        INPUT_RECORD record;
        DWORD n = 0;
        if (!ReadConsoleInputW(con->in, &record, 1, &n) || n != 1) return false;
        switch (record.EventType) {
            case KEY_EVENT: {
                const KEY_EVENT_RECORD& k = record.Event.KeyEvent;
                event.type = input_event::kind::key;
                event.key_down = k.bKeyDown;
                event.repeat_count = k.wRepeatCount;
                event.virtual_key = k.wVirtualKeyCode;
                event.scan_code = k.wVirtualScanCode;
                event.character = static_cast<char16_t>(k.uChar.UnicodeChar);
                event.control_state = k.dwControlKeyState;
                break;
            }
            case WINDOW_BUFFER_SIZE_EVENT: event.type = input_event::kind::window_size; break;
            case MOUSE_EVENT: event.type = input_event::kind::mouse; break;
            case FOCUS_EVENT: event.type = input_event::kind::focus; break;
            default: event.type = input_event::kind::menu; break;
        }
        return true;
    }
    void window_resized() override {
        con->diff.force_full_repaint();
        flush(model_);
    }

   private:
    screen_model& model_;
};

// Set while what ends the program from outside is held back.
HANDLE interrupts_released = nullptr;

// Closing the window, logging off or shutting down ends the process when
// the handlers return (or after the system's few seconds): until then the
// held work goes on. Then the next handler, or the system's end.
BOOL WINAPI wait_until_released(DWORD type) {
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(interrupts_released, INFINITE);
    return FALSE;
}

bool is_console(HANDLE h) {
    DWORD mode = 0;
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
}

}  // namespace

bool open(start_up& found) {
    // By name, so the screen and the keys stay on the console when the
    // standard streams are redirected.
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE out =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info;
    DWORD input_mode = 0;
    CONSOLE_CURSOR_INFO cursor{25, TRUE};
    if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE ||
        !GetConsoleScreenBufferInfo(out, &info) || !GetConsoleMode(in, &input_mode)) {
        if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        return false;
    }
    GetConsoleCursorInfo(out, &cursor);
    // Keys typed ahead are raw key events from the start: a console in line
    // mode (Wine's terminal) would echo them and hold them back.
    SetConsoleMode(in, 0);
    con.emplace();
    con->in = in;
    con->out = out;
    con->start_input_mode = input_mode;
    con->start_cursor = cursor;
    take_window();
    found.columns = con->diff.console_columns();
    found.rows = con->diff.console_rows();
    found.normal_attribute = static_cast<std::uint8_t>(info.wAttributes & 0xFF);
    COORD largest = GetLargestConsoleWindowSize(out);
    con->tall_rows = largest.Y > 43 ? 50 : 43;
    found.tall_rows = 50;
    SetConsoleCtrlHandler(ignore_break, TRUE);
    return true;
}

void close(screen_model& model) {
    // The cursor visible below the screen (or on its last row), so what
    // follows is written under it; the input mode as it was found.
    int below = std::min(con->diff.shown_rows(), con->diff.console_rows() - 1);
    if (con->diff.shows_notice()) {
        // The notice of a console too small means nothing once the program
        // has ended: what follows gets a blank row.
        DWORD done = 0, width = static_cast<DWORD>(con->diff.console_columns());
        FillConsoleOutputCharacterW(con->out, L' ', width, at(0, below), &done);
        FillConsoleOutputAttribute(con->out, model.state.normal_attribute, width, at(0, below),
                                   &done);
    }
    SetConsoleCursorPosition(con->out, at(0, below));
    CONSOLE_CURSOR_INFO cursor = con->start_cursor;
    cursor.bVisible = TRUE;
    SetConsoleCursorInfo(con->out, &cursor);
    SetConsoleMode(con->in, con->start_input_mode);
    SetConsoleCtrlHandler(ignore_break, FALSE);
    CloseHandle(con->in);
    CloseHandle(con->out);
    con.reset();
}

// The console's classic steps to the mode's size: the buffer first (refused
// while the window is larger), the window, the buffer again, so buffer and
// window are that size exactly and nothing can scroll (a console whose
// window already has the size may have a taller buffer: conhost's 300 or
// 9001 rows). What the console refuses stays as it was; the screen then
// shows in what there is. A size larger than the display is not asked for
// at all.
void mode_changed(screen_model& model) {
    COORD size{static_cast<SHORT>(model.columns()), static_cast<SHORT>(model.rows())};
    if (model.state.current_mode == 64) size.Y = static_cast<SHORT>(con->tall_rows);
    if (fits_display(size.X, size.Y)) {
        SetConsoleScreenBufferSize(con->out, size);
        SMALL_RECT window{0, 0, static_cast<SHORT>(size.X - 1), static_cast<SHORT>(size.Y - 1)};
        if (SetConsoleWindowInfo(con->out, TRUE, &window))
            SetConsoleScreenBufferSize(con->out, size);
    }
    take_window();
}

void flush(screen_model& model) {
    // Input mode 0 reports no size changes: the window is looked at anew
    // each time, and a new size or place is painted anew.
    take_window();
    for (const auto& op : con->diff.plan(model)) {
        // A call that failed leaves the console unknown: the next flush
        // writes everything again.
        if (!run(op)) con->diff.force_full_repaint();
    }
}

int read_key(screen_model& model, int& pending_key_code) {
    flush(model);
    console_input_handle input(model);
    return read_console_key(input, pending_key_code);
}

bool owns_stdout() { return is_console(GetStdHandle(STD_OUTPUT_HANDLE)); }

void hold_interrupts() {
    if (!interrupts_released)
        interrupts_released = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    else
        ResetEvent(interrupts_released);
    if (interrupts_released) SetConsoleCtrlHandler(wait_until_released, TRUE);
}

void release_interrupts() {
    if (!interrupts_released) return;
    SetEvent(interrupts_released);
    SetConsoleCtrlHandler(wait_until_released, FALSE);
}

void write_text(std::FILE* stream, std::string_view utf8) {
    std::fflush(stream);
    auto h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (!is_console(h)) {
        std::fwrite(utf8.data(), 1, utf8.size(), stream);
        std::fflush(stream);
        return;
    }
    // UTF-16 whatever the console's code page; never changes it.
    std::u16string text = utf16_from_utf8(utf8);
    auto p = reinterpret_cast<const wchar_t*>(text.data());
    for (std::size_t left = text.size(); left > 0;) {
        DWORD n = 0;
        DWORD piece = static_cast<DWORD>(std::min<std::size_t>(left, 4096));
        if (!WriteConsoleW(h, p, piece, &n, nullptr) || n == 0) return;
        p += n;
        left -= n;
    }
}

}  // namespace console_detail::backend
