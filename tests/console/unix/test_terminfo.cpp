// The terminfo reader on compiled entries the tests write: both number
// formats, entries without the colour count, files that are no entries, and
// the folders it looks in.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "files.h"
#include "palette.h"
#include "terminfo.h"

namespace fs = std::filesystem;
using console_detail::terminfo::describe;

namespace {

// The "colors" number of the entry; -1 when there is none.
int colours(std::string_view term) {
    auto found = describe(term);
    return found ? found->colours : -1;
}

constexpr int legacy = 0432, extended = 01036;

// A compiled entry as ncurses' compiler writes it. The names and booleans
// add up to an odd length, so the numbers follow a padding byte.
std::string entry(int magic, const std::vector<long>& numbers,
                  const std::vector<long>& string_offsets = {}, const std::string& table = "") {
    const std::string names = "katsort-test|a terminal for tests";
    const int booleans = 3;
    const int width = magic == extended ? 4 : 2;
    std::string e;
    auto put16 = [&](int v) {
        e += static_cast<char>(v & 0xFF);
        e += static_cast<char>((v >> 8) & 0xFF);
    };
    put16(magic);
    put16(static_cast<int>(names.size()) + 1);
    put16(booleans);
    put16(static_cast<int>(numbers.size()));
    put16(static_cast<int>(string_offsets.size()));
    put16(static_cast<int>(table.size()));
    e += names;
    e += '\0';
    e.append(booleans, '\1');
    if (e.size() % 2) e += '\0';
    for (long n : numbers)
        for (int b = 0; b < width; ++b) e += static_cast<char>((n >> (8 * b)) & 0xFF);
    for (long offset : string_offsets) put16(static_cast<int>(offset));
    return e + table;
}

// Fifteen numbers, "colors" (the fourteenth) among them; -1 is absent.
std::vector<long> numbers(long colors) {
    std::vector<long> n(15, -1);
    n[0] = 80;  // cols
    n[2] = 24;  // lines
    n[13] = colors;
    return n;
}

class Terminfo : public ::testing::Test {
   protected:
    void SetUp() override {
        for (const char* name : {"TERMINFO", "HOME", "TERMINFO_DIRS"}) {
            const char* v = std::getenv(name);
            saved_.push_back(v ? std::optional<std::string>(v) : std::nullopt);
        }
        dir_ = make_temp_folder("katsort-terminfo-");
        ASSERT_FALSE(dir_.empty());
        setenv("TERMINFO", (dir_ / "terminfo").c_str(), 1);
        setenv("HOME", (dir_ / "home").c_str(), 1);
        unsetenv("TERMINFO_DIRS");
    }
    void TearDown() override {
        const char* names[] = {"TERMINFO", "HOME", "TERMINFO_DIRS"};
        for (std::size_t i = 0; i < saved_.size(); ++i) {
            if (saved_[i])
                setenv(names[i], saved_[i]->c_str(), 1);
            else
                unsetenv(names[i]);
        }
        fs::remove_all(dir_);
    }
    // Files an entry under `folder` (inside the test's folder).
    void write(const std::string& folder, const std::string& sub, const std::string& term,
               const std::string& bytes) {
        fs::create_directories(dir_ / folder / sub);
        write_file(dir_ / folder / sub / term, bytes);
    }
    void write(const std::string& bytes) { write("terminfo", "k", "katsort-test", bytes); }

    fs::path dir_;
    std::vector<std::optional<std::string>> saved_;
};

}  // namespace

TEST_F(Terminfo, LegacyEntriesHaveSixteenBitNumbers) {
    write(entry(legacy, numbers(8)));
    EXPECT_EQ(colours("katsort-test"), 8);
    write(entry(legacy, numbers(256)));
    EXPECT_EQ(colours("katsort-test"), 256);
}

TEST_F(Terminfo, ExtendedEntriesHaveThirtyTwoBitNumbers) {
    write(entry(extended, numbers(256)));
    EXPECT_EQ(colours("katsort-test"), 256);
    write(entry(extended, numbers(0x1000000)));  // direct colour
    EXPECT_EQ(colours("katsort-test"), 0x1000000);
}

TEST_F(Terminfo, AnEntryWithoutColoursHasNone) {
    write(entry(legacy, numbers(-1)));
    EXPECT_EQ(colours("katsort-test"), -1);
    write(entry(extended, numbers(-1)));
    EXPECT_EQ(colours("katsort-test"), -1);
    // Only thirteen numbers: "colors" is not among them.
    std::vector<long> short_list = numbers(8);
    short_list.resize(13);
    write(entry(legacy, short_list));
    EXPECT_EQ(colours("katsort-test"), -1);
}

TEST_F(Terminfo, AFileThatIsNoEntryHasNoColours) {
    std::string bad = entry(legacy, numbers(8));
    bad[0] = 0x1A;
    bad[1] = 0x02;  // 01032: no magic number of terminfo
    write(bad);
    EXPECT_EQ(colours("katsort-test"), -1);
    write(entry(legacy, numbers(8)).substr(0, 60));  // cut off inside the numbers
    EXPECT_EQ(colours("katsort-test"), -1);
    write("");
    EXPECT_EQ(colours("katsort-test"), -1);
    EXPECT_EQ(colours("katsort-missing"), -1);
}

// A key's string ends with the string table: one the table's end cuts off
// ends there, and one whose offset lies beyond the table is none.
TEST_F(Terminfo, KeyStringsEndWithTheStringTable) {
    std::vector<long> offsets(88, -1);  // absent
    offsets[87] = 0;                    // kcuu1: "AB", cut off by the table's end
    offsets[61] = 5;                    // kcud1: beyond the table
    offsets[79] = -2;                   // kcub1: cancelled
    write(entry(legacy, numbers(8), offsets, "AB") + std::string("CD\0EFG\0", 7));
    auto d = describe("katsort-test");
    ASSERT_TRUE(d);
    ASSERT_EQ(d->keys.size(), 1u);
    EXPECT_EQ(d->keys[0].name, "kcuu1");
    EXPECT_EQ(d->keys[0].bytes, "AB");
}

TEST_F(Terminfo, EntriesAreFoundWhereNcursesLooks) {
    // ~/.terminfo, under the name's first letter in hex.
    write("home/.terminfo", "6b", "katsort-test", entry(legacy, numbers(16)));
    EXPECT_EQ(colours("katsort-test"), 16);
    // $TERMINFO comes first.
    write(entry(legacy, numbers(8)));
    EXPECT_EQ(colours("katsort-test"), 8);
    // A folder of $TERMINFO_DIRS, after empty and missing ones.
    write("dirs", "k", "katsort-other", entry(legacy, numbers(88)));
    setenv("TERMINFO_DIRS",
           (":" + (dir_ / "none").string() + ":" + (dir_ / "dirs").string()).c_str(), 1);
    EXPECT_EQ(colours("katsort-other"), 88);
}

TEST_F(Terminfo, NamesThatArePathsAndFilesThatAreNotRegularAreNotRead) {
    // Read as a path, this name would reach the entry that is there.
    write(entry(legacy, numbers(8)));
    EXPECT_EQ(colours("../terminfo/k/katsort-test"), -1);
    write("terminfo", ".", ".hidden", entry(legacy, numbers(8)));
    EXPECT_EQ(colours(".hidden"), -1);
    EXPECT_EQ(colours(""), -1);
    // A FIFO would wait for a writer; a folder is no entry and the search goes on.
    fs::create_directories(dir_ / "terminfo" / "k");
    ASSERT_EQ(mkfifo((dir_ / "terminfo" / "k" / "katsort-fifo").c_str(), 0600), 0);
    EXPECT_EQ(colours("katsort-fifo"), -1);
    fs::create_directories(dir_ / "terminfo" / "k" / "katsort-folder");
    write("home/.terminfo", "k", "katsort-folder", entry(legacy, numbers(16)));
    EXPECT_EQ(colours("katsort-folder"), 16);
}

// Entries that ncurses' own compiler makes from a description, with the
// extended capabilities that say a terminal shows any colour; and the depth
// of colour chosen from them and COLORTERM.
TEST_F(Terminfo, TheColourDepthAndLineDrawingOfEachTerminalDescription) {
    using console_detail::choose_colour_depth;
    using console_detail::colour_depth;
    using console_detail::terminfo::describe;
    const std::string line_drawing =
        "acsc=``aaffggjjkkllmmnnooqqttuuvvwwxx, smacs=\\E(0, rmacs=\\E(B, ";
    const struct {
        const char* name;
        std::string capabilities;
        const char* colorterm;
        colour_depth depth;
    } cases[] = {
        {"katsort-8", "colors#8, " + line_drawing, "", colour_depth::ansi},
        {"katsort-16", "colors#16, ", "", colour_depth::ansi},
        {"katsort-256", "colors#256, " + line_drawing, "", colour_depth::palette_256},
        {"katsort-256", "colors#256, ", "truecolor", colour_depth::direct},
        {"katsort-256", "colors#256, ", "24bit", colour_depth::direct},
        {"katsort-256", "colors#256, ", "yes", colour_depth::palette_256},
        {"katsort-rgb", "colors#0x1000000, RGB, XT, Ms=\\E]52;%p1%s;%p2%s\\007, " + line_drawing,
         "", colour_depth::direct},
        {"katsort-tc", "colors#256, Tc, ", "", colour_depth::direct},
        // No colours: reverse video; the cursor's shape and enacs read.
        {"katsort-mono", "cup=\\E[%i%p1%d;%p2%dH, enacs=\\E)0, Ss=\\E[%p1%d q, " + line_drawing, "",
         colour_depth::none},
    };
    for (const auto& c : cases) {
        const fs::path source = dir_ / "source.ti";
        std::ofstream(source) << c.name << "|a terminal for tests,\n\t" << c.capabilities << "\n";
        const std::string tic =
            "tic -x -o " + (dir_ / "terminfo").string() + " " + source.string() + " 2>/dev/null";
        if (std::system(tic.c_str()) != 0) GTEST_SKIP() << "no tic (ncurses-bin) here";
        auto d = describe(c.name);
        ASSERT_TRUE(d) << c.name;
        EXPECT_EQ(choose_colour_depth(c.colorterm, d->colours, d->direct_colour), c.depth)
            << c.name << " with COLORTERM=" << c.colorterm;
        bool draws_lines = c.capabilities.find("acsc") != std::string::npos;
        EXPECT_EQ(d->enter_line_drawing, draws_lines ? "\x1b(0" : "") << c.name;
        EXPECT_EQ(d->exit_line_drawing, draws_lines ? "\x1b(B" : "") << c.name;
        EXPECT_EQ(d->line_drawing.substr(0, 4), draws_lines ? "``aa" : "") << c.name;
        const bool mono = std::string(c.name) == "katsort-mono";
        EXPECT_EQ(d->addresses_cursor, mono) << c.name;
        EXPECT_EQ(d->cursor_style, mono) << c.name;
        EXPECT_EQ(d->enable_line_drawing, mono ? "\x1b)0" : "") << c.name;
    }
}

TEST(Palette, ThePcShadesAsDirectColourOrTheNearestOfXterms256) {
    using console_detail::colour_depth;
    using console_detail::sgr_colour;
    EXPECT_EQ(sgr_colour(colour_depth::direct, 7, false), "38;2;170;170;170");
    EXPECT_EQ(sgr_colour(colour_depth::direct, 1, true), "48;2;0;0;170");
    EXPECT_EQ(sgr_colour(colour_depth::direct, 6, false), "38;2;170;85;0");
    EXPECT_EQ(sgr_colour(colour_depth::palette_256, 7, true), "48;5;248");
    EXPECT_EQ(sgr_colour(colour_depth::palette_256, 15, false), "38;5;231");
    EXPECT_EQ(sgr_colour(colour_depth::palette_256, 0, false), "38;5;16");
}
