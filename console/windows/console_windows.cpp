// The console on the Win32 console: win32_device draws and reads keys over
// the console calls that this file makes for it.
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
#include "win32_device.h"

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

// Ctrl+C and Ctrl+Break are keys while the program runs (raw input makes
// them so on Windows; under Wine the terminal's interrupt comes this way).
BOOL WINAPI ignore_break(DWORD type) { return type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT; }

bool is_console(HANDLE h) {
    DWORD mode = 0;
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
}

SHORT side(int n) { return static_cast<SHORT>(n); }

input_event event_of(const INPUT_RECORD& record) {
    input_event event;
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
    return event;
}

console_window window_of_console() {
    console_window window;
    HWND hwnd = GetConsoleWindow();
    if (!hwnd) return window;
    window.exists = true;
    window.visible = IsWindowVisible(hwnd);
    char name[64] = {};
    if (GetClassNameA(hwnd, name, sizeof name) > 0) window.class_name = name;
    return window;
}

// The console calls themselves.
console_calls system_calls() {
    console_calls c;
    c.buffer = [](void* h, buffer_info& b) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!GetConsoleScreenBufferInfo(h, &info)) return false;
        b = {info.dwSize.X,           info.dwSize.Y,           info.srWindow.Left,
             info.srWindow.Top,       info.srWindow.Right,     info.srWindow.Bottom,
             info.dwCursorPosition.X, info.dwCursorPosition.Y, info.wAttributes};
        return true;
    };
    c.largest_window = [](void* h, int& columns, int& rows) {
        COORD largest = GetLargestConsoleWindowSize(h);
        columns = largest.X;
        rows = largest.Y;
    };
    c.set_buffer_size = [](void* h, int columns, int rows) {
        return SetConsoleScreenBufferSize(h, COORD{side(columns), side(rows)}) != 0;
    };
    c.set_window = [](void* h, int left, int top, int right, int bottom) {
        SMALL_RECT window{side(left), side(top), side(right), side(bottom)};
        return SetConsoleWindowInfo(h, TRUE, &window) != 0;
    };
    c.create_buffer = []() -> void* {
        HANDLE h = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             CONSOLE_TEXTMODE_BUFFER, nullptr);
        return h == INVALID_HANDLE_VALUE ? nullptr : h;
    };
    c.activate = [](void* h) { return SetConsoleActiveScreenBuffer(h) != 0; };
    c.close = [](void* h) { CloseHandle(h); };
    c.write = [](void* h, int column, int row, const std::vector<glyph_cell>& cells) {
        CHAR_INFO line[win32_traits.longest_write];
        int n = std::min(static_cast<int>(cells.size()), win32_traits.longest_write);
        for (int k = 0; k < n; ++k) {
            line[k].Char.UnicodeChar =
                static_cast<WCHAR>(cells[static_cast<std::size_t>(k)].character);
            line[k].Attributes = cells[static_cast<std::size_t>(k)].attribute;
        }
        SMALL_RECT region{side(column), side(row), side(column + n - 1), side(row)};
        return WriteConsoleOutputW(h, line, COORD{side(n), 1}, COORD{0, 0}, &region) != 0;
    };
    c.fill = [](void* h, int column, int row, int count, std::uint16_t attribute) {
        DWORD done = 0;
        COORD at{side(column), side(row)};
        auto n = static_cast<DWORD>(count);
        return FillConsoleOutputCharacterW(h, L' ', n, at, &done) &&
               FillConsoleOutputAttribute(h, attribute, n, at, &done);
    };
    c.scroll = [](void* h, int left, int top, int right, int bottom, int to_column, int to_row,
                  std::uint16_t attribute) {
        SMALL_RECT from{side(left), side(top), side(right), side(bottom)};
        CHAR_INFO blank;
        blank.Char.UnicodeChar = L' ';
        blank.Attributes = attribute;
        return ScrollConsoleScreenBufferW(h, &from, nullptr, COORD{side(to_column), side(to_row)},
                                          &blank) != 0;
    };
    c.set_cursor = [](void* h, int column, int row) {
        return SetConsoleCursorPosition(h, COORD{side(column), side(row)}) != 0;
    };
    c.set_cursor_shape = [](void* h, int size, bool visible) {
        CONSOLE_CURSOR_INFO cursor{static_cast<DWORD>(size), visible};
        return SetConsoleCursorInfo(h, &cursor) != 0;
    };
    c.cursor_shape = [](void* h, int& size, bool& visible) {
        CONSOLE_CURSOR_INFO cursor;
        if (!GetConsoleCursorInfo(h, &cursor)) return false;
        size = static_cast<int>(cursor.dwSize);
        visible = cursor.bVisible;
        return true;
    };
    c.get_mode = [](void* h, std::uint32_t& mode) {
        DWORD m = 0;
        if (!GetConsoleMode(h, &m)) return false;
        mode = m;
        return true;
    };
    c.set_mode = [](void* h, std::uint32_t mode) { return SetConsoleMode(h, mode) != 0; };
    c.read_event = [](void* h, input_event& event) {
        INPUT_RECORD record;
        DWORD n = 0;
        if (!ReadConsoleInputW(h, &record, 1, &n) || n != 1) return false;
        event = event_of(record);
        return true;
    };
    c.window = window_of_console;
    c.beep = [] { Beep(3000, 100); };
    c.stdout_is_console = [] { return is_console(GetStdHandle(STD_OUTPUT_HANDLE)); };
    c.breaks_as_keys = [](bool held) { SetConsoleCtrlHandler(ignore_break, held); };
    return c;
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
    std::unique_ptr<console_device> device;
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE)
        device = open_win32_device(system_calls(), in, out, found);
    if (!device) {
        if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        return nullptr;
    }
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
