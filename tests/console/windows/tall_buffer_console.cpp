// A console whose screen buffer is taller than its window, as conhost's
// default of 300 rows is, for a program under test (katsort.exe under Wine):
// makes this console's buffer 80 x 300 with the window at its top, starts
// the program on it, waits for its main screen, scrolls the window down the
// buffer (as a mouse wheel does) and presses Down. Then it writes what the
// buffer holds to a report file and ends the program with Esc.
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
constexpr SHORT scrolled_top = 100;             // where the wheel takes the window
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

// The number of buffer rows that hold the page indicator: one per copy of
// the screen.
int screens_in_buffer(HANDLE out) {
    int n = 0;
    for (SHORT y = 0; y < buffer_info(out).dwSize.Y; ++y)
        n += text_at(out, page_column, y, 5) == L"Side ";
    return n;
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

void report_line(std::FILE* f, const char* name, const SMALL_RECT& r) {
    std::fprintf(f, "%s %d %d %d %d\n", name, r.Left, r.Top, r.Right, r.Bottom);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 100;
    HANDLE out = open_console(L"CONOUT$"), in = open_console(L"CONIN$");
    if (out == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE) return 101;
    if (!SetConsoleScreenBufferSize(out, COORD{80, tall_rows})) return 102;
    CONSOLE_SCREEN_BUFFER_INFO before = buffer_info(out);

    std::string command = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION program{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &start, &program))
        return 103;

    bool shown = wait_for([&] { return main_screen_in_window(out); }, program.hProcess);
    SMALL_RECT scrolled{0, scrolled_top, 79, static_cast<SHORT>(scrolled_top + 49)};
    bool could_scroll = shown && SetConsoleWindowInfo(out, TRUE, &scrolled);
    press(in, VK_DOWN, 0x50);
    bool moved = shown && wait_for([&] { return bar_on_second_lot(out); }, program.hProcess);
    CONSOLE_SCREEN_BUFFER_INFO after = buffer_info(out);

    std::FILE* f = std::fopen(argv[2], "wb");
    if (!f) return 104;
    std::fprintf(f, "before %d x %d\n", before.dwSize.X, before.dwSize.Y);
    report_line(f, "window before", before.srWindow);
    std::fprintf(f, "main screen %s\n", shown ? "shown" : "not shown");
    std::fprintf(f, "window %s\n", could_scroll ? "scrolled" : "not scrolled");
    std::fprintf(f, "Down %s\n", moved ? "shown" : "not shown");
    std::fprintf(f, "after %d x %d\n", after.dwSize.X, after.dwSize.Y);
    report_line(f, "window after", after.srWindow);
    std::fprintf(f, "screens %d\n", screens_in_buffer(out));
    std::fclose(f);

    press(in, VK_ESCAPE, 0x01);
    if (WaitForSingleObject(program.hProcess, wait_ms) != WAIT_OBJECT_0) {
        TerminateProcess(program.hProcess, 105);
        return 105;
    }
    DWORD code = 0;
    GetExitCodeProcess(program.hProcess, &code);
    return static_cast<int>(code);
}
