// The console on a real Win32 console: the buffer it shows holds the model's
// glyphs and colours after a flush, also after scrolls and clears; keys put in the
// console's input come out as codes and the input mode is given back; the
// interpreter runs commands. The console tests are skipped where the
// process has no console (a run without a terminal).
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "code_page_850.h"
#include "console.h"
#include "console_test.h"
#include "screen_model.h"

namespace {

// Raw keys, and the window's size changes as events.
constexpr DWORD window_input = ENABLE_WINDOW_INPUT;

HANDLE open_by_name(const wchar_t* name) {
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

// The console's buffer under the window, row by row.
struct shown_screen {
    int columns = 0, rows = 0;
    std::vector<CHAR_INFO> cells;

    explicit shown_screen(HANDLE out) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!GetConsoleScreenBufferInfo(out, &info)) return;
        columns = info.srWindow.Right - info.srWindow.Left + 1;
        rows = info.srWindow.Bottom - info.srWindow.Top + 1;
        cells.resize(static_cast<std::size_t>(columns * rows));
        for (int y = 0; y < rows; ++y) {
            SMALL_RECT r{info.srWindow.Left, static_cast<SHORT>(info.srWindow.Top + y),
                         info.srWindow.Right, static_cast<SHORT>(info.srWindow.Top + y)};
            ReadConsoleOutputW(out, &cells[static_cast<std::size_t>(y * columns)],
                               COORD{static_cast<SHORT>(columns), 1}, COORD{0, 0}, &r);
        }
    }
    const CHAR_INFO& at(int x, int y) const {
        return cells[static_cast<std::size_t>(y * columns + x)];
    }
};

// Where the console shows all of the model: the first cell that differs.
std::string differences(HANDLE out, const console_detail::screen_model& m) {
    shown_screen s(out);
    if (s.columns < m.columns() || s.rows < m.rows())
        return "a console of " + std::to_string(s.columns) + " x " + std::to_string(s.rows);
    for (int y = 0; y < m.rows(); ++y)
        for (int x = 0; x < m.columns(); ++x) {
            const auto& c = m.at(x, y);
            const auto& shown = s.at(x, y);
            if (shown.Char.UnicodeChar !=
                    static_cast<WCHAR>(code_page_850::cell_glyph(c.character)) ||
                (shown.Attributes & 0xFF) != c.attribute)
                return "cell " + std::to_string(x) + "," + std::to_string(y);
        }
    return "";
}

INPUT_RECORD key_event(WORD vk, WCHAR character, DWORD state, bool down = true) {
    INPUT_RECORD r{};
    r.EventType = KEY_EVENT;
    r.Event.KeyEvent.bKeyDown = down;
    r.Event.KeyEvent.wRepeatCount = 1;
    r.Event.KeyEvent.wVirtualKeyCode = vk;
    r.Event.KeyEvent.uChar.UnicodeChar = character;
    r.Event.KeyEvent.dwControlKeyState = state;
    return r;
}

class Win32Console : public ::testing::Test {
   protected:
    void SetUp() override {
        user_ = open_by_name(L"CONOUT$");
        in_ = open_by_name(L"CONIN$");
        if (user_ == INVALID_HANDLE_VALUE || !GetConsoleMode(in_, &mode_before_))
            GTEST_SKIP() << "no console";
        ASSERT_TRUE(console_open());
        out_ = open_by_name(L"CONOUT$");  // the buffer now shown: the program's own
    }
    void TearDown() override {
        for (HANDLE h : {out_, user_, in_})
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    HANDLE out_ = INVALID_HANDLE_VALUE, in_ = INVALID_HANDLE_VALUE;
    HANDLE user_ = INVALID_HANDLE_VALUE;  // the buffer shown before the program took the console
    DWORD mode_before_ = 0;               // the input mode before the program took the console
};

}  // namespace

TEST_F(Win32Console, TheBufferHoldsTheModelsGlyphsAndColours) {
    console_set_mode(64);
    console_set_background(1);
    console_set_foreground(14);
    console_clear();
    console_goto(3, 2);
    console_print("l\x91se \xC9\xCD\xBB \x9D");
    console_set_background(4);
    console_set_foreground(15);
    console_goto(1, 50);
    console_put_text("\x01\x07\x1b[2J catalogue text\x0d");  // every byte its glyph
    console_flush();
    const auto& m = console_model();
    EXPECT_EQ(differences(out_, m), "");
    shown_screen s(out_);
    if (s.columns >= 80 && s.rows >= 50) {
        EXPECT_EQ(s.at(3, 1).Char.UnicodeChar, 0x00E6);  // æ
        EXPECT_EQ(s.at(0, 49).Char.UnicodeChar, 0x263A);
        EXPECT_EQ(s.at(0, 49).Attributes & 0xFF, 0x4F);
    }
    // Scrolls of the whole screen, in another colour, then a clear.
    console_set_background(2);
    console_goto(1, 50);
    console_print("\n\nlast row");
    console_flush();
    EXPECT_EQ(differences(out_, m), "");
    console_set_background(6);
    console_clear();
    console_print("after the clear");
    console_flush();
    EXPECT_EQ(differences(out_, m), "");
    console_close();
}

TEST_F(Win32Console, CursorShapesAndTheCursorGivenBack) {
    CONSOLE_CURSOR_INFO found{};
    ASSERT_TRUE(GetConsoleCursorInfo(user_, &found));
    console_set_mode(64);
    CONSOLE_CURSOR_INFO cursor{};
    const int shapes[][3] = {
        {cursor_hidden, 0, 1}, {cursor_full_cell, 1, 100}, {cursor_quarter_cell, 1, 25}};
    for (const auto& shape : shapes) {
        console_set_cursor_shape(shape[0]);
        console_goto(5, 7);
        console_flush();
        ASSERT_TRUE(GetConsoleCursorInfo(out_, &cursor));
        EXPECT_EQ(cursor.bVisible != 0, shape[1] != 0) << shape[0];
        EXPECT_EQ(static_cast<int>(cursor.dwSize), shape[2]) << shape[0];
    }
    console_set_cursor_shape(cursor_hidden);
    console_close();
    ASSERT_TRUE(GetConsoleCursorInfo(user_, &cursor));
    EXPECT_EQ(cursor.bVisible, found.bVisible);
    EXPECT_EQ(cursor.dwSize, found.dwSize);
}

TEST_F(Win32Console, KeysFromTheConsolesInputAndTheModeGivenBack) {
    DWORD raw = 1;
    ASSERT_TRUE(GetConsoleMode(in_, &raw));
    EXPECT_EQ(raw, window_input);  // keys typed ahead are raw events from the start
    FlushConsoleInputBuffer(in_);
    const INPUT_RECORD events[] = {
        key_event(VK_SHIFT, 0, SHIFT_PRESSED),      // a lone modifier: nothing
        key_event(VK_F1, 0, SHIFT_PRESSED),         // 0, 84
        key_event(VK_F1, 0, SHIFT_PRESSED, false),  // a release: nothing
        key_event('A', L'a', 0),                    // 97
        key_event(0, 0x00E6, 0),                    // æ: 145
        key_event(VK_DELETE, 0, NUMLOCK_ON),        // 46
        key_event(VK_ESCAPE, 0, 0),                 // 27
    };
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputW(in_, events, static_cast<DWORD>(std::size(events)), &written));
    ASSERT_EQ(written, std::size(events));
    std::vector<int> codes;
    for (int i = 0; i < 6; ++i) codes.push_back(console_read_key());
    EXPECT_EQ(codes, (std::vector<int>{0, 84, 97, 145, 46, 27}));
    DWORD after = 1;
    ASSERT_TRUE(GetConsoleMode(in_, &after));
    EXPECT_EQ(after, window_input);
    console_close();
    ASSERT_TRUE(GetConsoleMode(in_, &after));
    EXPECT_EQ(after, mode_before_);
}

TEST_F(Win32Console, StandardOutputIsTheConsoleWhenItIsOne) {
    DWORD mode = 0;
    EXPECT_EQ(console_owns_stdout(), GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0);
    console_close();
}

TEST(Win32Shell, RunsThroughTheInterpreterAndReturnsTheExitCode) {
    EXPECT_EQ(run_shell_command(nullptr), 1);
    EXPECT_EQ(run_shell_command("exit 3"), 3);
    EXPECT_EQ(run_shell_command("if \"a b\"==\"a b\" exit 7"), 7);
    wchar_t folder[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
    std::wstring file = std::wstring(folder) + L"katsort-shell-test.txt";
    DeleteFileW(file.c_str());
    std::string name(file.begin(), file.end());
    EXPECT_EQ(run_shell_command(("echo x> \"" + name + "\"").c_str()), 0);
    EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(file.c_str());
}

TEST(Win32Shell, AMissingInterpreterIsNoInterpreter) {
    wchar_t saved[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"COMSPEC", saved, MAX_PATH);
    ASSERT_TRUE(SetEnvironmentVariableW(L"COMSPEC", L"C:\\no\\such\\cmd.exe"));
    EXPECT_EQ(run_shell_command(nullptr), 0);
    EXPECT_EQ(run_shell_command("exit 3"), -1);
    SetEnvironmentVariableW(L"COMSPEC", n > 0 && n < MAX_PATH ? saved : nullptr);
}
