// A Win32 console's key events as the program reads them: which events are
// keys, every key of the table in all four columns by its virtual key code,
// the characters that arrive without a key, and the input mode taken for
// the read and given back.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "console_keys.h"
#include "key_table_rows.h"

using console_detail::console_input;
using console_detail::input_event;
using console_detail::key;
using event_kind = input_event::kind;

namespace {

// The virtual key code of every key of the table, as Windows numbers them.
struct key_and_code {
    key k;
    std::uint16_t vk;
};
// clang-format off
const key_and_code virtual_keys[] = {
    {key::escape, 0x1B},
    {key::f1, 0x70}, {key::f2, 0x71}, {key::f3, 0x72}, {key::f4, 0x73}, {key::f5, 0x74},
    {key::f6, 0x75}, {key::f7, 0x76}, {key::f8, 0x77}, {key::f9, 0x78}, {key::f10, 0x79},
    {key::f11, 0x7A}, {key::f12, 0x7B},
    {key::up, 0x26}, {key::left, 0x25}, {key::right, 0x27}, {key::down, 0x28},
    {key::backspace, 0x08}, {key::tab, 0x09}, {key::enter, 0x0D}, {key::space, 0x20},
    {key::page_up, 0x21}, {key::page_down, 0x22}, {key::end, 0x23}, {key::home, 0x24},
    {key::insert, 0x2D}, {key::del, 0x2E},
    {key::keypad_0, 0x60}, {key::keypad_1, 0x61}, {key::keypad_2, 0x62}, {key::keypad_3, 0x63},
    {key::keypad_4, 0x64}, {key::keypad_5, 0x65}, {key::keypad_6, 0x66}, {key::keypad_7, 0x67},
    {key::keypad_8, 0x68}, {key::keypad_9, 0x69},
    {key::keypad_multiply, 0x6A}, {key::keypad_plus, 0x6B}, {key::keypad_minus, 0x6D},
    {key::keypad_decimal, 0x6E}, {key::keypad_divide, 0x6F},
    {key::backslash, 0xDC}, {key::slash, 0xBF}, {key::minus, 0xBD}, {key::equals, 0xBB},
    {key::left_bracket, 0xDB}, {key::right_bracket, 0xDD}, {key::semicolon, 0xBA},
    {key::apostrophe, 0xDE}, {key::comma, 0xBC}, {key::period, 0xBE}, {key::backtick, 0xC0},
    {key::a, 'A'}, {key::b, 'B'}, {key::c, 'C'}, {key::d, 'D'}, {key::e, 'E'}, {key::f, 'F'},
    {key::g, 'G'}, {key::h, 'H'}, {key::i, 'I'}, {key::j, 'J'}, {key::k, 'K'}, {key::l, 'L'},
    {key::m, 'M'}, {key::n, 'N'}, {key::o, 'O'}, {key::p, 'P'}, {key::q, 'Q'}, {key::r, 'R'},
    {key::s, 'S'}, {key::t, 'T'}, {key::u, 'U'}, {key::v, 'V'}, {key::w, 'W'}, {key::x, 'X'},
    {key::y, 'Y'}, {key::z, 'Z'},
    {key::digit_0, '0'}, {key::digit_1, '1'}, {key::digit_2, '2'}, {key::digit_3, '3'},
    {key::digit_4, '4'}, {key::digit_5, '5'}, {key::digit_6, '6'}, {key::digit_7, '7'},
    {key::digit_8, '8'}, {key::digit_9, '9'},
};
// clang-format on

// Control-key state bits.
constexpr std::uint32_t right_alt = 0x01, left_alt = 0x02, right_ctrl = 0x04, left_ctrl = 0x08,
                        shift = 0x10, numlock = 0x20, capslock = 0x80;
// The read's input mode: raw keys, and resizes as events.
constexpr std::uint32_t window_input = 0x8;

input_event press(std::uint16_t vk, std::uint32_t state = 0, char16_t character = 0) {
    input_event e;
    e.virtual_key = vk;
    e.control_state = state;
    e.character = character;
    return e;
}

input_event other(event_kind type) {
    input_event e;
    e.type = type;
    return e;
}

// A console with a list of events, then a failing read.
struct scripted_console final : console_input {
    std::vector<input_event> events;
    std::size_t next = 0;
    std::uint32_t mode = 0x1F7;  // the console's usual processed, line and echo input
    bool fail_get = false, fail_take = false, fail_give_back = false;
    std::vector<std::uint32_t> modes_set, modes_while_reading;
    int resizes = 0;

    bool get_mode(std::uint32_t& m) override {
        if (fail_get) return false;
        m = mode;
        return true;
    }
    bool set_mode(std::uint32_t m) override {
        if (m == window_input ? fail_take : fail_give_back) return false;
        modes_set.push_back(m);
        mode = m;
        return true;
    }
    bool read_event(input_event& e) override {
        modes_while_reading.push_back(mode);
        if (next == events.size()) return false;
        e = events[next++];
        return true;
    }
    void window_resized() override { ++resizes; }
};

// The codes of the next key read, as the program reads them; -1 when the
// read fails.
std::vector<int> next_key(console_input& console) {
    auto pressed = console_detail::read_console_key(console);
    if (!pressed) return {-1};
    return key_table_rows::reads(console_detail::code_for(*pressed));
}

// The codes a program reads from these events.
std::vector<int> codes(std::vector<input_event> events) {
    scripted_console console;
    console.events = std::move(events);
    std::vector<int> out;
    for (std::vector<int> got; (got = next_key(console)) != std::vector<int>{-1};)
        out.insert(out.end(), got.begin(), got.end());
    return out;
}

std::vector<int> codes(input_event e) { return codes(std::vector<input_event>{e}); }

using v = std::vector<int>;

}  // namespace

TEST(ConsoleKeys, EveryKeyOfTheTableInAllFourColumns) {
    using key_table_rows::entry;
    ASSERT_EQ(std::size(virtual_keys), std::size(key_table_rows::table));
    for (const auto& row : key_table_rows::table) {
        std::uint16_t vk = 0;
        for (const auto& known : virtual_keys)
            if (known.k == row.k) vk = known.vk;
        ASSERT_NE(vk, 0) << row.name;
        // Alone: a letter gives the character its event carries.
        if (row.plain.kind == entry::event) {
            char16_t small = static_cast<char16_t>(vk - 'A' + 'a');
            EXPECT_EQ(codes(press(vk, 0, small)), v{small}) << row.name;
        } else {
            EXPECT_EQ(codes(press(vk)), key_table_rows::reads(row.plain)) << row.name;
        }
        EXPECT_EQ(codes(press(vk, shift)), key_table_rows::reads(row.shift)) << row.name;
        EXPECT_EQ(codes(press(vk, left_ctrl)), key_table_rows::reads(row.ctrl)) << row.name;
        EXPECT_EQ(codes(press(vk, right_ctrl)), key_table_rows::reads(row.ctrl)) << row.name;
        EXPECT_EQ(codes(press(vk, left_alt)), key_table_rows::reads(row.alt)) << row.name;
        EXPECT_EQ(codes(press(vk, right_alt)), key_table_rows::reads(row.alt)) << row.name;
        // Alt wins over Ctrl and Shift, Ctrl over Shift.
        EXPECT_EQ(codes(press(vk, left_alt | left_ctrl | shift)), key_table_rows::reads(row.alt))
            << row.name;
        EXPECT_EQ(codes(press(vk, right_ctrl | shift)), key_table_rows::reads(row.ctrl))
            << row.name;
    }
}

TEST(ConsoleKeys, OnlyKeyPressesAreKeysAndEachGivesOneCode) {
    input_event release = press('A', 0, u'a');
    release.key_down = false;
    input_event repeated = press('B', 0, u'b');
    repeated.repeat_count = 3;
    EXPECT_EQ(codes({release, other(event_kind::mouse), other(event_kind::focus),
                     other(event_kind::menu), repeated, press('C', 0, u'c')}),
              (v{'b', 'c'}));
    // Lone modifier and lock keys (Shift, Ctrl, Alt, Caps Lock, NumLock,
    // Scroll Lock) arrive as presses of their own and give nothing.
    EXPECT_EQ(codes({press(0x10, shift), press(0x11, left_ctrl), press(0x12, left_alt),
                     press(0x14, capslock), press(0x90, numlock), press(0x91)}),
              v{});
    // A key outside the table gives its character, or nothing.
    EXPECT_EQ(codes(press(0xE2, 0, u'<')), v{'<'});  // the key left of Z
    EXPECT_EQ(codes(press(0x13)), v{});              // Pause
    // An empty entry gives the event's character, or nothing.
    EXPECT_EQ(codes(press(0xBF, left_ctrl, 0x1F)), v{31});
    EXPECT_EQ(codes(press(0x35, left_ctrl)), v{});
    // A letter alone that carries no character is no key.
    EXPECT_EQ(codes(press('Q')), v{});
}

TEST(ConsoleKeys, CharactersArriveAsTheirCodePage850Bytes) {
    // Typed text with no virtual key (as a terminal's UTF-8 reaches Wine).
    EXPECT_EQ(codes(press(0, 0, u'\u00e6')), v{145});
    EXPECT_EQ(codes(press(0, 0, u'\u00d8')), v{157});
    EXPECT_EQ(codes(press(0, 0, u'\u00e5')), v{134});
    EXPECT_EQ(codes(press(0xDE, 0, u'\u00e6')), v{'\''});  // the table's entry wins
    // Characters code page 850 has no byte for are ignored.
    EXPECT_EQ(codes({press(0, 0, u'\u20ac'), press(0, 0, u'\u4e2d'), press(0, 0, 0xD83D),
                     press(0xDC, 0, u'\u00bd')}),
              v{'\\'});
    EXPECT_EQ(codes(press('E', left_ctrl | left_alt, u'\u20ac')), (v{0, 18}));
}

TEST(ConsoleKeys, KeysThatReadSpecially) {
    // NumLock makes Delete the keypad's decimal point.
    EXPECT_EQ(codes(press(0x2E, numlock)), v{46});
    EXPECT_EQ(codes(press(0x2E, numlock | left_ctrl)), (v{0, 83}));
    EXPECT_EQ(codes(press(0x2E)), (v{0, 83}));
    EXPECT_EQ(codes(press(0x2E, left_ctrl)), (v{0, 147}));
    // Caps Lock: a letter alone is its character, with Shift always a capital.
    EXPECT_EQ(codes(press('A', capslock, u'A')), v{65});
    EXPECT_EQ(codes(press('A', capslock | shift, u'a')), v{65});
    EXPECT_EQ(codes(press('A', shift, u'A')), v{65});
    EXPECT_EQ(codes(press('A', 0, u'a')), v{97});
    // As Wine delivers them.
    EXPECT_EQ(codes({press(0x12, left_alt), press('K', left_alt, u'k')}), (v{0, 37}));
    EXPECT_EQ(codes(press(0x25)), (v{0, 75}));
    EXPECT_EQ(codes(press(0xDB, left_ctrl, 0x1B)), v{27});  // Ctrl+[
    EXPECT_EQ(codes(press(0xDD, left_alt, u']')), (v{0, 27}));
    EXPECT_EQ(codes(press(0x1B)), v{27});  // Esc carries no character
    EXPECT_EQ(codes(press(0x0D, 0, u'\r')), v{13});
    EXPECT_EQ(codes(press('C', left_ctrl, 3)), v{3});  // Ctrl+C is a key
}

TEST(ConsoleKeys, KeypadFiveWithoutNumLockIsItsShiftEntry) {
    // Without NumLock the keypad's 5 is VK_CLEAR; Shift over NumLock gives
    // VK_CLEAR with Shift let go. Either is the table's Shift entry, and a
    // modifier that outranks Shift its own, as ESC [ E is from a terminal.
    const key_table_rows::expected_row* five = nullptr;
    for (const auto& row : key_table_rows::table)
        if (row.k == key::keypad_5) five = &row;
    ASSERT_NE(five, nullptr);
    constexpr std::uint16_t vk_clear = 0x0C;
    const struct {
        std::uint32_t state;
        key_table_rows::entry reads;
    } cases[] = {
        {0, five->shift},        {shift, five->shift},
        {numlock, five->shift},  {numlock | capslock, five->shift},
        {left_ctrl, five->ctrl}, {right_ctrl | shift, five->ctrl},
        {left_alt, five->alt},   {right_alt | left_ctrl, five->alt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(codes(press(vk_clear, c.state)), key_table_rows::reads(c.reads)) << c.state;
}

TEST(ConsoleKeys, TheReadTakesWindowAwareRawInputAndGivesTheModeBack) {
    scripted_console console;
    console.events = {press(0x70), press('X', shift, u'X')};
    EXPECT_EQ(next_key(console), (v{0, 59}));
    EXPECT_EQ(console.modes_set, (std::vector<std::uint32_t>{window_input, 0x1F7}));
    EXPECT_EQ(console.modes_while_reading, (std::vector<std::uint32_t>{window_input}));
    EXPECT_EQ(console.mode, 0x1F7u);
    EXPECT_EQ(next_key(console), v{'X'});
    // A failing read gives the mode back and fails.
    EXPECT_EQ(next_key(console), v{-1});
    EXPECT_EQ(console.mode, 0x1F7u);
}

TEST(ConsoleKeys, AModeThatCantBeTakenOrGivenBackFailsTheRead) {
    scripted_console no_mode;
    no_mode.fail_get = true;
    no_mode.events = {press('A', 0, u'a')};
    EXPECT_EQ(next_key(no_mode), v{-1});
    EXPECT_TRUE(no_mode.modes_while_reading.empty());

    scripted_console refused;
    refused.fail_take = true;
    refused.events = {press('A', 0, u'a')};
    EXPECT_EQ(next_key(refused), v{-1});
    EXPECT_TRUE(refused.modes_while_reading.empty());
    EXPECT_EQ(refused.mode, 0x1F7u);

    // The key was read, but the mode could not be given back.
    scripted_console stuck;
    stuck.fail_give_back = true;
    stuck.events = {press(0x26)};
    EXPECT_EQ(next_key(stuck), v{-1});  // no half key left behind
    EXPECT_EQ(stuck.modes_while_reading.size(), 1u);
}

TEST(ConsoleKeys, AWindowSizeEventShowsTheScreenAnewAndTheReadGoesOn) {
    scripted_console console;
    console.events = {other(event_kind::window_size), other(event_kind::window_size), press(0x28)};
    EXPECT_EQ(next_key(console), (v{0, 80}));
    EXPECT_EQ(console.resizes, 2);
}
