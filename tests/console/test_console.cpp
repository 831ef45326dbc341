// The console's texts after the run: the program's code page 850 as UTF-8,
// file names that are UTF-8 already as they are, control bytes escaped.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "backend.h"
#include "code_page_850.h"
#include "console.h"
#include "cp850.h"

namespace {

std::string written(std::string_view text) {
    std::FILE* f = std::tmpfile();
    console_write_text(f, text);
    std::rewind(f);
    std::string out;
    for (int c; (c = std::fgetc(f)) != EOF;) out += static_cast<char>(c);
    std::fclose(f);
    return out;
}

}  // namespace

TEST(Console, WrittenTextsAreUtf8WithControlBytesEscaped) {
    EXPECT_EQ(written("kan ikke l\x91ses, \x9B, \x86\n"), "kan ikke l\u00e6ses, \u00f8, \u00e5\n");
    EXPECT_EQ(written("\x1b]52;c;x\x07\x7f\r"), "\\x1B]52;c;x\\x07\\x7F\\x0D");
    EXPECT_EQ(written("/tmp/for\xC3\xA5r/liste.txt"), "/tmp/for\u00e5r/liste.txt");
    // A lead byte without its continuation, or an overlong form, is code page 850.
    EXPECT_EQ(written("\xC3 \xC0\xAF"), "\u251c \u2514\u00bb");
    EXPECT_EQ(written(std::string_view("a\0b", 3)), "a\\x00b");
    // The C1 controls in UTF-8 (CSI, OSC, ST...) are controls too; the
    // characters either side of them are text.
    EXPECT_EQ(written("\xC2\x9B"
                      "2J \xC2\x9D"
                      "0;t\xC2\x9C \xC2\x80\xC2\x9F"),
              "\\xC2\\x9B2J \\xC2\\x9D0;t\\xC2\\x9C \\xC2\\x80\\xC2\\x9F");
    EXPECT_EQ(written("\xC2\xA0\xC2\xA9 \xC3\x80"), "\u00a0\u00a9 \u00c0");
}

TEST(Console, TextForAWin32ConsoleIsTheSameTextInUtf16) {
    using console_detail::text_for_stream;
    using console_detail::utf16_from_utf8;
    EXPECT_EQ(utf16_from_utf8(text_for_stream("l\x91ses \x9D\xC9\xCD\n")),
              u"l\u00e6ses \u00d8\u2554\u2550\n");
    // File names that are UTF-8 already, up to four bytes a character.
    EXPECT_EQ(utf16_from_utf8(text_for_stream("for\xC3\xA5r \xE2\x82\xAC \xF0\x9F\x98\x80")),
              u"for\u00e5r \u20ac \U0001F600");
    EXPECT_EQ(utf16_from_utf8(text_for_stream("\x07\x7f")), u"\\x07\\x7F");
}

TEST(Utf8, EachCharacterIsWholeCutOffOrNotUtf8) {
    using kind = code_page_850::utf8_character::kind;
    const struct {
        std::string bytes;
        kind state;
        char32_t code_point;
        std::size_t length;
    } cases[] = {
        {"a", kind::whole, U'a', 1},
        {"\xC3\xA6x", kind::whole, U'\u00e6', 2},
        {"\xE2\x82\xAC", kind::whole, U'\u20ac', 3},
        {"\xF0\x9F\x98\x80", kind::whole, U'\U0001F600', 4},
        {"\xF4\x8F\xBF\xBF", kind::whole, U'\U0010FFFF', 4},
        {"\xE2\x82", kind::incomplete, 0, 2},
        {"\xF0", kind::incomplete, 0, 1},
        {"\x80", kind::invalid, 0, 1},              // a continuation alone
        {"\xC0\xAF", kind::invalid, 0, 1},          // overlong '/'
        {"\xE0\x80\xAF", kind::invalid, 0, 1},      // overlong '/'
        {"\xED\xA0\x80", kind::invalid, 0, 1},      // a surrogate
        {"\xF4\x90\x80\x80", kind::invalid, 0, 1},  // past U+10FFFF
        {"\xF8\x88\x80\x80\x80", kind::invalid, 0, 1},
        {"\xE2\x82x", kind::invalid, 0, 2},  // cut off by an ASCII byte
    };
    for (const auto& c : cases) {
        auto got = code_page_850::decode_utf8(c.bytes);
        EXPECT_EQ(got.state, c.state) << c.bytes;
        EXPECT_EQ(got.code_point, c.code_point) << c.bytes;
        EXPECT_EQ(got.length, c.length) << c.bytes;
    }
}

namespace {

using console_detail::key;
using console_detail::key_press;

// A console whose keys are these presses; then it is gone.
class pressed_keys final : public console_detail::console_device {
   public:
    explicit pressed_keys(std::deque<key_press> presses) : presses_(std::move(presses)) {}
    void close(console_detail::screen_model&) override {}
    void mode_changed(console_detail::screen_model&) override {}
    void flush(console_detail::screen_model&) override {}
    std::optional<key_press> read_key(console_detail::screen_model&) override {
        if (presses_.empty()) return std::nullopt;
        key_press next = presses_.front();
        presses_.pop_front();
        return next;
    }
    bool owns_stdout() override { return false; }

   private:
    std::deque<key_press> presses_;
};

void open_with(std::deque<key_press> presses) {
    console_detail::open_console_on(std::make_unique<pressed_keys>(std::move(presses)),
                                    console_detail::backend::start_up{});
}

}  // namespace

TEST(Console, EachPressIsReadAsItsCodeAndAPressWithoutOneIsPassedOver) {
    using console_detail::mod_alt;
    using console_detail::mod_ctrl;
    // Which column a press chooses is the key table's; here: no code is
    // passed over, an extended code is read as 0 and then the code.
    open_with({
        {key::keypad_5, mod_alt, 0},  // no entry, no character
        {key::f1, mod_ctrl, 0},
        {key::digit_5, mod_ctrl, 0},  // no entry, no character
        {std::nullopt, 0, 0x91},      // a character of code page 850 alone
    });
    std::vector<int> read;
    for (int i = 0; i < 3; ++i) read.push_back(console_read_key());
    EXPECT_EQ(read, (std::vector<int>{0, 94, 0x91}));
    console_close();
}

// The child of a death test runs the test program afresh; a build run through
// an emulator, which can't exec itself, forks it instead (tests/emulated.cmake).
#ifndef KATSORT_DEATH_TEST_STYLE
#define KATSORT_DEATH_TEST_STYLE "threadsafe"
#endif

TEST(Console, AReadFromAConsoleThatIsGoneEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, KATSORT_DEATH_TEST_STYLE);
    EXPECT_EXIT(
        {
            open_with({{key::up, 0, 0}});
            console_read_key();
            console_read_key();
            console_read_key();  // nothing more to read
        },
        testing::ExitedWithCode(1), "");
}
