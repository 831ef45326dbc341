// A console whose screen buffer is taller than its window, as conhost's
// default of 300 rows is, with the shell's earlier output in it, for a
// program under test (katsort.exe under Wine): makes this console's buffer
// 80 x 300, writes the earlier output and puts the window under it, starts
// the program on it, waits for its main screen in the buffer it shows and
// presses Down, then Esc. When the program has ended it writes what the
// console is then to a report file: its buffer's size, window and cursor,
// and whether the earlier output is still there.
//
//   tall_buffer_console <program> <report file>
//
// Exits with the program's exit code, or 100 and more when the console or
// the program could not be set up.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr SHORT tall_rows = 300;
constexpr SHORT earlier_rows = 120;             // the shell's output before the program
constexpr int page_row = 47, page_column = 65;  // "Side " of the main screen
constexpr int wait_ms = 60000, step_ms = 50;

HANDLE open_console(const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

CONSOLE_SCREEN_BUFFER_INFO buffer_info(HANDLE out) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(out, &info);
    return info;
}

std::wstring text_at(HANDLE out, SHORT column, SHORT row, DWORD length) {
    std::wstring text(length, L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(out, text.data(), length, COORD{column, row}, &read);
    text.resize(read);
    return text;
}

std::wstring earlier_line(SHORT row) { return L"earlier output " + std::to_wstring(row); }

// What the console shows now: the buffer CONOUT$ opens.
template <typename Look>
bool in_shown_buffer(Look look) {
    HANDLE shown = open_console(L"CONOUT$");
    if (shown == INVALID_HANDLE_VALUE) return false;
    bool seen = look(shown);
    CloseHandle(shown);
    return seen;
}

// Whether the main screen shows in the window: its page indicator.
bool main_screen_in_window(HANDLE out) {
    SHORT top = buffer_info(out).srWindow.Top;
    return text_at(out, page_column, static_cast<SHORT>(top + page_row), 5) == L"Side ";
}

// Whether the cursor bar (blue) is on the second lot in the window.
bool bar_on_second_lot(HANDLE out) {
    SHORT top = buffer_info(out).srWindow.Top;
    WORD attribute = 0;
    DWORD read = 0;
    ReadConsoleOutputAttribute(out, &attribute, 1, COORD{20, static_cast<SHORT>(top + 6)}, &read);
    return read == 1 && ((attribute >> 4) & 7) == 1;
}

template <typename Condition>
bool wait_for(Condition condition, HANDLE process) {
    for (int waited = 0; waited < wait_ms; waited += step_ms) {
        if (condition()) return true;
        if (WaitForSingleObject(process, step_ms) == WAIT_OBJECT_0) return condition();
    }
    return false;
}

void press(HANDLE in, WORD key, WORD scan_code) {
    INPUT_RECORD events[2]{};
    for (int i = 0; i < 2; ++i) {
        events[i].EventType = KEY_EVENT;
        KEY_EVENT_RECORD& k = events[i].Event.KeyEvent;
        k.bKeyDown = i == 0;
        k.wRepeatCount = 1;
        k.wVirtualKeyCode = key;
        k.wVirtualScanCode = scan_code;
    }
    DWORD written = 0;
    WriteConsoleInputW(in, events, 2, &written);
}

void report_line(std::FILE* f, const char* name, const CONSOLE_SCREEN_BUFFER_INFO& i) {
    std::fprintf(f, "%s %d x %d, window %d %d %d %d, cursor %d %d\n", name, i.dwSize.X, i.dwSize.Y,
                 i.srWindow.Left, i.srWindow.Top, i.srWindow.Right, i.srWindow.Bottom,
                 i.dwCursorPosition.X, i.dwCursorPosition.Y);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 100;
    HANDLE out = open_console(L"CONOUT$"), in = open_console(L"CONIN$");
    if (out == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE) return 101;
    if (!SetConsoleScreenBufferSize(out, COORD{80, tall_rows})) return 102;
    // The earlier output, the window on its last rows and the cursor under it.
    for (SHORT row = 0; row < earlier_rows; ++row) {
        std::wstring line = earlier_line(row);
        DWORD written = 0;
        WriteConsoleOutputCharacterW(out, line.data(), static_cast<DWORD>(line.size()),
                                     COORD{0, row}, &written);
    }
    CONSOLE_SCREEN_BUFFER_INFO now = buffer_info(out);
    SHORT window_rows = static_cast<SHORT>(now.srWindow.Bottom - now.srWindow.Top + 1);
    SMALL_RECT under{0, static_cast<SHORT>(earlier_rows + 1 - window_rows), 79, earlier_rows};
    SetConsoleWindowInfo(out, TRUE, &under);
    SetConsoleCursorPosition(out, COORD{0, earlier_rows});
    CONSOLE_SCREEN_BUFFER_INFO before = buffer_info(out);

    std::string command = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION program{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &start, &program))
        return 103;

    bool shown = wait_for([&] { return in_shown_buffer(main_screen_in_window); }, program.hProcess);
    press(in, VK_DOWN, 0x50);
    bool moved =
        shown && wait_for([&] { return in_shown_buffer(bar_on_second_lot); }, program.hProcess);
    press(in, VK_ESCAPE, 0x01);
    if (WaitForSingleObject(program.hProcess, wait_ms) != WAIT_OBJECT_0) {
        TerminateProcess(program.hProcess, 105);
        return 105;
    }
    CONSOLE_SCREEN_BUFFER_INFO after = buffer_info(out);
    bool kept = true;
    for (SHORT row = 0; row < earlier_rows; ++row) {
        std::wstring line = earlier_line(row);
        kept = kept && text_at(out, 0, row, static_cast<DWORD>(line.size())) == line;
    }
    bool blank_below = text_at(out, 0, earlier_rows, 80) == std::wstring(80, L' ');

    std::FILE* f = std::fopen(argv[2], "wb");
    if (!f) return 104;
    report_line(f, "before", before);
    std::fprintf(f, "main screen %s\n", shown ? "shown" : "not shown");
    std::fprintf(f, "Down %s\n", moved ? "shown" : "not shown");
    report_line(f, "after", after);
    std::fprintf(f, "earlier output %s\n", kept && blank_below ? "kept" : "lost");
    std::fclose(f);

    DWORD code = 0;
    GetExitCodeProcess(program.hProcess, &code);
    return static_cast<int>(code);
}
