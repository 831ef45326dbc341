// The console's texts after the run: the program's code page 850 as UTF-8,
// file names that are UTF-8 already as they are, control bytes escaped.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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
