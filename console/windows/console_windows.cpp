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
#include <memory>
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

// Ctrl+C and Ctrl+Break are keys while the program runs (input mode 0 makes
// them so on Windows; under Wine the terminal's interrupt comes this way).
BOOL WINAPI ignore_break(DWORD type) { return type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT; }

bool is_console(HANDLE h) {
    DWORD mode = 0;
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
}

// The Win32 console, as the console drives it: its handles, what it was at
// start-up, and what it shows.
class win32_console final : public console_device {
   public:
    win32_console(HANDLE in, HANDLE out, DWORD start_input_mode, CONSOLE_CURSOR_INFO start_cursor)
        : in_(in), out_(out), start_input_mode_(start_input_mode), start_cursor_(start_cursor) {
        take_window();
        tall_rows_ = tall_console_rows(GetLargestConsoleWindowSize(out_).Y);
    }

    int columns() const { return diff_.console_columns(); }
    int rows() const { return diff_.console_rows(); }

    void close(screen_model& model) override {
        // The cursor visible below the screen (or on its last row), so what
        // follows is written under it; the input mode as it was found.
        int below = std::min(diff_.shown_rows(), diff_.console_rows() - 1);
        if (diff_.shows_notice()) {
            // The notice of a console too small means nothing once the program
            // has ended: what follows gets a blank row.
            DWORD done = 0, width = static_cast<DWORD>(diff_.console_columns());
            FillConsoleOutputCharacterW(out_, L' ', width, at(0, below), &done);
            FillConsoleOutputAttribute(out_, model.state.normal_attribute, width, at(0, below),
                                       &done);
        }
        SetConsoleCursorPosition(out_, at(0, below));
        CONSOLE_CURSOR_INFO cursor = start_cursor_;
        cursor.bVisible = TRUE;
        SetConsoleCursorInfo(out_, &cursor);
        SetConsoleMode(in_, start_input_mode_);
        SetConsoleCtrlHandler(ignore_break, FALSE);
        CloseHandle(in_);
        CloseHandle(out_);
    }

    // The console's classic steps to the mode's size: the buffer first (refused
    // while the window is larger), the window, the buffer again, so buffer and
    // window are that size exactly and nothing can scroll (a console whose
    // window already has the size may have a taller buffer: conhost's 300 or
    // 9001 rows). What the console refuses stays as it was; the screen then
    // shows in what there is. A size larger than the display is not asked for
    // at all.
    void mode_changed(screen_model& model) override {
        COORD size{static_cast<SHORT>(model.columns()), static_cast<SHORT>(model.rows())};
        if (model.state.current_mode == 64) size.Y = static_cast<SHORT>(tall_rows_);
        if (fits_display(size.X, size.Y)) {
            SetConsoleScreenBufferSize(out_, size);
            SMALL_RECT window{0, 0, static_cast<SHORT>(size.X - 1), static_cast<SHORT>(size.Y - 1)};
            if (SetConsoleWindowInfo(out_, TRUE, &window)) SetConsoleScreenBufferSize(out_, size);
        }
        take_window();
    }

    void flush(screen_model& model) override {
        // Input mode 0 reports no size changes: the window is looked at anew
        // each time, and a new size or place is painted anew.
        take_window();
        for (const auto& op : diff_.plan(model)) {
            // A call that failed leaves the console unknown: the next flush
            // writes everything again.
            if (!run(op)) diff_.force_full_repaint();
        }
    }

    std::optional<key_press> read_key(screen_model& model) override;

    bool owns_stdout() override { return is_console(GetStdHandle(STD_OUTPUT_HANDLE)); }

    HANDLE input() const { return in_; }
    // The window was resized: it is painted anew.
    void force_full_repaint() { diff_.force_full_repaint(); }

   private:
    // Whether the display can show a window of this size. Windows refuses a
    // larger one; Wine takes it but its terminal shows only the top of it.
    bool fits_display(int columns, int rows) {
        COORD largest = GetLargestConsoleWindowSize(out_);
        if (largest.X <= 0 || largest.Y <= 0) return true;  // not known
        return columns <= largest.X && rows <= largest.Y;
    }

    // Where the screen goes: the console's window as it is now, no more of it
    // than the display shows.
    bool take_window() {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!GetConsoleScreenBufferInfo(out_, &info)) return false;
        // A window scrolled elsewhere in the buffer shows other cells.
        if (info.srWindow.Left != origin_.X || info.srWindow.Top != origin_.Y)
            diff_.force_full_repaint();
        origin_ = {info.srWindow.Left, info.srWindow.Top};
        buffer_columns_ = info.dwSize.X;
        int columns = info.srWindow.Right - info.srWindow.Left + 1;
        int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
        COORD largest = GetLargestConsoleWindowSize(out_);
        if (largest.X > 0) columns = std::min<int>(columns, largest.X);
        if (largest.Y > 0) rows = std::min<int>(rows, largest.Y);
        diff_.set_console_size(columns, rows);
        return true;
    }

    COORD at(int column, int row) const {
        return {static_cast<SHORT>(origin_.X + column), static_cast<SHORT>(origin_.Y + row)};
    }

    bool run(const screen_op& op) {
        const int columns = diff_.console_columns(), rows = diff_.console_rows();
        DWORD done = 0;
        switch (op.type) {
            case screen_op::kind::fill: {
                // From the window's first cell to its last, whatever the buffer's width.
                DWORD count = static_cast<DWORD>(buffer_columns_ * (rows - 1) + columns);
                return FillConsoleOutputCharacterW(out_, L' ', count, at(0, 0), &done) &&
                       FillConsoleOutputAttribute(out_, op.attribute, count, at(0, 0), &done);
            }
            case screen_op::kind::scroll: {
                // Rows n and on moved to the top, within the buffer: Wine refuses
                // a move of the whole window above its first row.
                SMALL_RECT from{static_cast<SHORT>(origin_.X),
                                static_cast<SHORT>(origin_.Y + op.count),
                                static_cast<SHORT>(origin_.X + columns - 1),
                                static_cast<SHORT>(origin_.Y + rows - 1)};
                CHAR_INFO blank;
                blank.Char.UnicodeChar = L' ';
                blank.Attributes = op.attribute;
                return ScrollConsoleScreenBufferW(out_, &from, nullptr, at(0, 0), &blank);
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
                return WriteConsoleOutputW(out_, cells, COORD{static_cast<SHORT>(n), 1},
                                           COORD{0, 0}, &region);
            }
            case screen_op::kind::cursor_position:
                return SetConsoleCursorPosition(out_, at(op.column, op.row));
            case screen_op::kind::cursor_shape: {
                CONSOLE_CURSOR_INFO cursor{op.count == 1   ? 100u
                                           : op.count == 2 ? 25u
                                                           : 1u,
                                           op.count != 0};
                return SetConsoleCursorInfo(out_, &cursor);
            }
            case screen_op::kind::beep: Beep(3000, 100); return true;
            case screen_op::kind::repaint: return true;  // not planned for a Win32 console
        }
        return true;
    }

    HANDLE in_, out_;
    DWORD start_input_mode_;
    CONSOLE_CURSOR_INFO start_cursor_;
    COORD origin_{0, 0};  // the buffer cell at the window's top-left: the screen's
    int buffer_columns_ = 80;
    // The rows of the console's window in mode 64 (tall_console_rows).
    int tall_rows_ = tall_rows;
    screen_diff diff_{win32_traits};
};

// A key read on the console's input handle; a resized window is shown anew
// at once, not only after the next key.
class console_input_handle final : public console_input {
   public:
    console_input_handle(win32_console& console, screen_model& model)
        : console_(console), model_(model) {}

    bool get_mode(std::uint32_t& mode) override {
        DWORD m = 0;
        if (!GetConsoleMode(console_.input(), &m)) return false;
        mode = m;
        return true;
    }
    bool set_mode(std::uint32_t mode) override { return SetConsoleMode(console_.input(), mode); }
    bool read_event(input_event& event) override {
        INPUT_RECORD record;
        DWORD n = 0;
        if (!ReadConsoleInputW(console_.input(), &record, 1, &n) || n != 1) return false;
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
        console_.force_full_repaint();
        console_.flush(model_);
    }

   private:
    win32_console& console_;
    screen_model& model_;
};

std::optional<key_press> win32_console::read_key(screen_model& model) {
    flush(model);
    console_input_handle input(*this, model);
    return read_console_key(input);
}

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

}  // namespace

std::unique_ptr<console_device> open(start_up& found) {
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
        return nullptr;
    }
    GetConsoleCursorInfo(out, &cursor);
    // Keys typed ahead are raw key events from the start: a console in line
    // mode (Wine's terminal) would echo them and hold them back.
    SetConsoleMode(in, 0);
    auto device = std::make_unique<win32_console>(in, out, input_mode, cursor);
    found.columns = device->columns();
    found.rows = device->rows();
    found.normal_attribute = static_cast<std::uint8_t>(info.wAttributes & 0xFF);
    found.tall_rows = tall_rows;
    SetConsoleCtrlHandler(ignore_break, TRUE);
    return device;
}

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

// Closing the console window ends the process at once; what it holds
// (the folder lock) the system lets go of.
void at_abrupt_end(void (*)()) {}

bool write_text(std::FILE* stream, std::string_view utf8) {
    std::fflush(stream);
    auto h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    if (!is_console(h)) {
        bool all = std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size();
        return std::fflush(stream) == 0 && all;
    }
    // UTF-16 whatever the console's code page; never changes it.
    std::u16string text = utf16_from_utf8(utf8);
    auto p = reinterpret_cast<const wchar_t*>(text.data());
    for (std::size_t left = text.size(); left > 0;) {
        DWORD n = 0;
        DWORD piece = static_cast<DWORD>(std::min<std::size_t>(left, 4096));
        if (!WriteConsoleW(h, p, piece, &n, nullptr) || n == 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

}  // namespace console_detail::backend
