#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "key_decoder.h"
#include "key_table_rows.h"
#include "terminfo.h"

using console_detail::describe_keys;
using console_detail::described_keys;
using console_detail::key_decoder;

namespace {

using codes = std::vector<int>;

// Reads the keys the decoder has, as the program reads their codes.
void read_all(key_decoder& d, codes& all, bool timed_out) {
    while (auto pressed = d.next(timed_out)) {
        codes got = key_table_rows::reads(console_detail::code_for(*pressed));
        all.insert(all.end(), got.begin(), got.end());
    }
}

// The keys the decoder has once the short wait and then the sequence wait
// ran out.
void read_rest(key_decoder& d, codes& all) {
    read_all(d, all, true);
    while (auto pressed = d.give_up()) {
        codes got = key_table_rows::reads(console_detail::code_for(*pressed));
        all.insert(all.end(), got.begin(), got.end());
    }
}

// Every code the bytes give, read as a whole, with the waits expiring at the end.
codes decode(const std::string& bytes, const described_keys* described = nullptr) {
    key_decoder d(described);
    d.feed(bytes);
    codes all;
    read_all(d, all, false);
    read_rest(d, all);
    return all;
}

// The same bytes split at every boundary, the waits not expiring in between.
codes decode_split(const std::string& bytes, std::size_t split,
                   const described_keys* described = nullptr) {
    key_decoder d(described);
    codes all;
    d.feed(bytes.substr(0, split));
    read_all(d, all, false);
    d.feed(bytes.substr(split));
    read_all(d, all, false);
    read_rest(d, all);
    return all;
}

// The codes of the one key the decoder has now, if any.
codes next_key(key_decoder& d, bool timed_out) {
    codes got;
    read_all(d, got, timed_out);
    return got;
}

// Terminals' own keys: vi50's F6, and 8-bit introducers outside UTF-8.
// clang-format off
const described_keys vi50 =
    describe_keys({{"kcuu1", "\x1b" "A"}, {"kf1", "\x1bP"}, {"kf6", "\x1b]"}}, true);
const described_keys xterm_8bit =
    describe_keys({{"kcuu1", "\x8f" "A"}, {"kf1", "\x9b" "11~"}, {"kdch1", "\x9b" "3~"}}, false);
// clang-format on

struct sample {
    const char* name;
    std::string bytes;
    codes expected;
    const described_keys* described = nullptr;
};

const sample samples[] = {
    {"F1 xterm", "\x1bOP", {0, 59}},
    {"F1 vt220", "\x1b[11~", {0, 59}},
    {"F1 linux", "\x1b[[A", {0, 59}},
    {"F5 linux", "\x1b[[E", {0, 63}},
    {"Shift+F1", "\x1b[1;2P", {0, 84}},
    {"Ctrl+F1", "\x1b[1;5P", {0, 94}},
    {"Alt+F1", "\x1b[1;3P", {0, 104}},
    {"F10", "\x1b[21~", {0, 68}},
    {"F12 Alt", "\x1b[24;3~", {0, 140}},
    {"arrows", "\x1b[A\x1b[B\x1b[C\x1b[D", {0, 72, 0, 80, 0, 77, 0, 75}},
    {"arrows SS3", "\x1bOA\x1bOD", {0, 72, 0, 75}},
    {"Shift+Up is Up", "\x1b[1;2A", {0, 72}},
    {"Ctrl+Up", "\x1b[1;5A", {0, 141}},
    {"Alt+Down", "\x1b[1;3B", {0, 160}},
    {"Alt beats Ctrl and Shift", "\x1b[1;8D", {0, 155}},
    {"Ctrl beats Shift", "\x1b[1;6C", {0, 116}},
    {"Page Up acts as I in the dialog", "\x1b[5~", {0, 73}},
    {"Delete", "\x1b[3~", {0, 83}},
    {"Ctrl+PgUp", "\x1b[5;5~", {0, 132}},
    {"Home End", "\x1b[H\x1b[F\x1b[1~\x1b[4~", {0, 71, 0, 79, 0, 71, 0, 79}},
    {"Shift+Tab", "\x1b[Z", {0, 15}},
    {"Esc alone", "\x1b", {27}},
    {"Esc Esc is Alt+Esc", "\x1b\x1b", {0, 1}},
    {"Alt+K", "\x1bk", {0, 37}},
    {"Alt+Shift+K", "\x1bK", {0, 37}},
    {"Alt+1",
     "\x1b"
     "1",
     {0, 120}},
    {"Alt+]", "\x1b]", {0, 27}},
    {"Alt+P Alt+_ Alt+^ Alt+X", "\x1bP\x1b_\x1b^\x1bX", {0, 25, 0, 130, 0, 125, 0, 45}},
    {"Alt+Backspace", "\x1b\x7f", {0, 14}},
    {"Alt+Enter", "\x1b\r", {0, 166}},
    {"Alt+Up as Esc prefix", "\x1b\x1b[A", {0, 152}},
    {"Alt before Ctrl+Up wins over Ctrl", "\x1b\x1b[1;5A", {0, 152}},
    {"Alt before kitty Ctrl+c", "\x1b\x1b[99;5u", {0, 46}},
    {"Alt before the keypad's Enter", "\x1b\x1bOM", {0, 166}},
    {"Ctrl+letters", "\x01\x1a\x03\x13\x11", {1, 26, 3, 19, 17}},
    {"Ctrl+[ is Esc", "\x1b", {27}},
    {"Ctrl+Space", std::string(1, '\0'), {0, 3}},
    {"Ctrl+backslash ] ^ _", "\x1c\x1d\x1e\x1f", {28, 29, 30, 31}},
    {"Enter Tab Backspace", "\r\t\x7f\x08", {13, 9, 8, 8}},
    {"letters and digits", "TtkK9!", {84, 116, 107, 75, 57, 33}},
    {"UTF-8 to code page 850", "\xc3\xa6\xc3\xb8\xc3\xa5\xc3\x86", {0x91, 0x9B, 0x86, 0x92}},
    {"unmappable ignored",
     "\xe2\x82\xac"
     "a",
     {'a'}},
    {"overlong and surrogate UTF-8 dropped",
     "\xe0\x80\xaf"
     "x\xed\xa0\x80"
     "y",
     {'x', 'y'}},
    {"what is not UTF-8 is dropped whole, never read as a report's start",
     "\xf4\x90\x80\x80"
     "a\xe0\x9d\x80"
     "b",
     {'a', 'b'}},
    {"broken UTF-8 dropped",
     "\xc3"
     "a",
     {'a'}},
    {"kitty Esc", "\x1b[27u", {27}},
    {"kitty Ctrl+Enter", "\x1b[13;5u", {10}},
    {"kitty Ctrl+Backspace", "\x1b[127;5u", {127}},
    {"kitty Ctrl+2", "\x1b[50;5u", {0, 3}},
    {"kitty Ctrl+6", "\x1b[54;5u", {30}},
    {"kitty Alt+got", "\x1b[107;3u", {0, 37}},
    {"kitty Ctrl+c", "\x1b[99;5u", {3}},
    {"kitty keypad 8 and Left", "\x1b[57407u\x1b[57417u", {56, 0, 75}},
    {"kitty keypad Ctrl+Up", "\x1b[57419;5u", {0, 141}},
    {"kitty release ignored", "\x1b[97;1:3u", {}},
    {"modifyOtherKeys Ctrl+Enter", "\x1b[27;5;13~", {10}},
    {"replies are not keys",
     "\x1b[?1u\x1b[?64;1;2c"
     "x",
     {'x'}},
    {"unknown sequence swallowed",
     "\x1b[99~\x1b[1;2X"
     "y",
     {'y'}},
    {"keypad application", "\x1bOp\x1bOM\x1bOk", {48, 13, 43}},
    // Reports in strings, left in the input by another program or late.
    {"OSC colour reply to ST",
     "\x1b]11;rgb:0000/0000/0000\x1b\\"
     "x",
     {'x'}},
    {"OSC title to BEL",
     "\x1b]1;xx\x07"
     "y",
     {'y'}},
    {"DCS capability reply", "\x1bP1+r544e=787465726d\x1b\\\x1b[B", {0, 80}},
    {"APC, PM and SOS", "\x1b_Gi=1;OK\x1b\\\x1b^pm\x07\x1bXsos\x1b\\", {}},
    {"8-bit OSC to 8-bit ST",
     "\x9d"
     "11;rgb:ffff/ffff/ffff\x9c"
     "z",
     {'z'}},
    {"UTF-8 in an OSC is text, 0x9C in it too",
     "\x1b]2;\xc5\x9c\xc3\xa6\x07"
     "a",
     {'a'}},
    {"CAN and SUB cancel a string",
     "\x1b]0;x\x18"
     "b\x1bP1\x1a"
     "c",
     {'b', 'c'}},
    {"an ESC ends a broken string and starts a key", "\x1b]11;rgb:00\x1b[A", {0, 72}},
    {"Enter ends a broken string and is Enter", "\x1b]11;rgb\r", {13}},
    // clang-format off
    {"vi50's F6 is ESC ], not Alt+] which ends the program", "\x1b]\x1bP\x1b" "A",
     {0, 64, 0, 59, 0, 72}, &vi50},
    {"8-bit CSI and SS3 outside UTF-8, and the built-in sequences with them",
     "\x8f" "A\x9b" "11~\x9b" "1;5B\x9b" "3~", {0, 72, 0, 59, 0, 145, 0, 83}, &xterm_8bit},
    // clang-format on
    {"Alt+[ when the sequence wait runs out", "\x1b[", {0, 26}},
    {"Alt+Shift+O and then Esc: the Esc is not swallowed", "\x1bO\x1b", {0, 24, 27}},
    // Found by fuzzing: a long modifier number once overflowed.
    {"SS3 with a huge number",
     "\x1bO99999999999999999999P"
     "a",
     {0, 104, 'a'}},
};

}  // namespace

TEST(KeyDecoder, TableOfSequences) {
    for (const auto& t : samples) EXPECT_EQ(decode(t.bytes, t.described), t.expected) << t.name;
}

TEST(KeyDecoder, SplitAtEveryByteDecodesTheSame) {
    for (const auto& t : samples) {
        for (std::size_t i = 1; i < t.bytes.size(); ++i) {
            EXPECT_EQ(decode_split(t.bytes, i, t.described), t.expected)
                << t.name << " split at " << i;
        }
    }
}

TEST(KeyDecoder, StartedSequencesNeverTimeOut) {
    key_decoder d;
    d.feed("\x1b[");
    EXPECT_FALSE(d.next(true));
    EXPECT_FALSE(d.waits_for_time());
    d.feed("1;5");
    EXPECT_FALSE(d.next(true));
    d.feed("A");
    EXPECT_EQ(next_key(d, false), (codes{0, 141}));

    d.feed("\x1b");
    EXPECT_FALSE(d.next(false));  // could be the start of a sequence
    EXPECT_TRUE(d.waits_for_time());
    EXPECT_EQ(next_key(d, true), codes{27});  // the wait ran out: the Esc key
    EXPECT_TRUE(d.empty());
}

TEST(KeyDecoder, WaitExpiringAtEachPointKeepsSequencesWhole) {
    // The wait may run out between any two reads; a sequence already begun
    // (ESC [ or ESC O) must still come out as one key.
    for (const auto& t : samples) {
        // One sequence only: a wait that runs out after a whole key and a
        // following lone Esc rightly gives the Esc key.
        if (t.bytes.size() < 3 || t.bytes[0] != '\x1b' ||
            (t.bytes[1] != '[' && t.bytes[1] != 'O') ||
            t.bytes.find('\x1b', 1) != std::string::npos)
            continue;
        for (std::size_t i = 2; i < t.bytes.size(); ++i) {
            key_decoder d;
            codes all;
            d.feed(t.bytes.substr(0, i));
            read_all(d, all, true);
            d.feed(t.bytes.substr(i));
            read_all(d, all, true);
            EXPECT_EQ(all, t.expected) << t.name << " expired at " << i;
        }
    }
}

TEST(KeyDecoder, AReportSplitAcrossReadsIsIgnoredWholeAndNeverTimesOut) {
    // The wait may run out anywhere in a string's text; only ESC ] with
    // nothing after it yet is Alt+] when the wait runs out.
    const std::string string_ends("\x07\x18\x1a\r\x1b", 5);
    for (const auto& t : samples) {
        if (t.bytes.size() < 3 || t.bytes[0] != '\x1b' ||
            std::string("]P_^X").find(t.bytes[1]) == std::string::npos)
            continue;
        std::size_t end = std::min(t.bytes.find_first_of(string_ends, 2), t.bytes.size());
        for (std::size_t i = 3; i <= end; ++i) {
            key_decoder d;
            codes all;
            d.feed(t.bytes.substr(0, i));
            read_all(d, all, true);
            EXPECT_FALSE(d.waits_for_time()) << t.name << " expired at " << i;
            d.feed(t.bytes.substr(i));
            read_all(d, all, true);
            EXPECT_EQ(all, t.expected) << t.name << " expired at " << i;
        }
    }
    key_decoder d;
    d.feed("\x1b]");
    EXPECT_TRUE(d.waits_for_time());
    EXPECT_FALSE(d.next(false));
    d.feed("1");  // in time: a report
    EXPECT_FALSE(d.next(true));
    d.feed(";x\x1b");  // ST's first half, or the Esc key after a string that lost its end
    EXPECT_FALSE(d.next(false));
    EXPECT_TRUE(d.waits_for_time());
    d.feed("\\");  // ST in time
    EXPECT_FALSE(d.next(false));
    EXPECT_TRUE(d.empty());
    d.feed("\x1b]1;x\x1b");
    EXPECT_FALSE(d.next(false));
    EXPECT_EQ(next_key(d, true), codes{27});  // nothing came: the Esc key
    EXPECT_TRUE(d.empty());
}

TEST(KeyDecoder, AStringWithoutItsEndSwallowsABoundedPart) {
    key_decoder d;
    codes all;
    d.feed("\x1b]52;c;");
    for (int i = 0; i < 10000; ++i) {
        d.feed("a");
        read_all(d, all, true);
    }
    // Some of the letters came through as keys again, and only letters.
    ASSERT_GT(all.size(), 5000u);
    EXPECT_EQ(all, codes(all.size(), 'a'));
    d.feed("\x1b[A");
    EXPECT_EQ(next_key(d, false), (codes{0, 72}));
    EXPECT_TRUE(d.empty());
}

TEST(KeyDecoder, OverlongSequencesAreDroppedWithoutGrowing) {
    key_decoder d;
    d.feed("\x1b[");
    for (int i = 0; i < 1000; ++i) {
        d.feed("1;");
        EXPECT_FALSE(d.next(true));
    }
    d.feed("5Aq");
    EXPECT_EQ(next_key(d, false), codes{'q'});  // the rest of the long sequence went with it
    EXPECT_TRUE(d.empty());
}

namespace {

using console_detail::terminal::read_result;

// A terminal that gives these reads, then is gone; it notes the waits asked for.
struct scripted_terminal final : console_detail::terminal_input {
    std::vector<std::pair<read_result, std::string>> reads;
    std::size_t next = 0;
    std::vector<int> timeouts;
    int shown = 0;

    void show() override { ++shown; }
    read_result read(std::string& bytes, int timeout_ms) override {
        timeouts.push_back(timeout_ms);
        if (next == reads.size()) return read_result::end;
        bytes += reads[next].second;
        return reads[next++].first;
    }
};

}  // namespace

TEST(KeyDecoder, AReadWaitsWithoutLimitButShortlyAfterALoneEsc) {
    constexpr int esc_wait = 25, sequence_wait = 50;
    const struct {
        const char* name;
        std::vector<std::pair<read_result, std::string>> reads;
        codes expected;  // {-1}: no key, the terminal is gone
        std::vector<int> timeouts;
        int sequence_wait = -1;  // without limit
        codes after = {};        // the keys read after it
    } cases[] = {
        {"a lone Esc",
         {{read_result::data, "\x1b"}, {read_result::timed_out, ""}},
         {27},
         {-1, esc_wait}},
        {"Esc and the rest in time",
         {{read_result::data, "\x1b"}, {read_result::data, "[B"}},
         {0, 80},
         {-1, esc_wait}},
        {"a begun sequence waits without limit",
         {{read_result::data, "\x1b["}, {read_result::data, "A"}},
         {0, 72},
         {-1, -1}},
        {"a signal wakes the wait and it goes on",
         {{read_result::interrupted, ""}, {read_result::data, "q"}},
         {'q'},
         {-1, -1}},
        {"the terminal is gone", {}, {-1}, {-1}},
        {"gone in the middle of a sequence", {{read_result::data, "\x1b[1;"}}, {-1}, {-1, -1}},
        {"Alt+Shift+O given up when the sequence wait runs out, and P after it is P",
         {{read_result::data, "\x1bO"}, {read_result::timed_out, ""}, {read_result::data, "P"}},
         {0, 24},
         {-1, sequence_wait},
         sequence_wait,
         {'P'}},
        {"an unfinished longer sequence dropped, and Down after it is Down",
         {{read_result::data, "\x1b[9"},
          {read_result::timed_out, ""},
          {read_result::data, "\x1b[B"}},
         {0, 80},
         {-1, sequence_wait, -1},
         sequence_wait},
    };
    for (const auto& c : cases) {
        scripted_terminal terminal;
        terminal.reads = c.reads;
        key_decoder keys;
        auto pressed = console_detail::read_terminal_key(keys, terminal, esc_wait, c.sequence_wait);
        codes got = pressed ? key_table_rows::reads(console_detail::code_for(*pressed)) : codes{-1};
        EXPECT_EQ(got, c.expected) << c.name;
        EXPECT_EQ(terminal.timeouts, c.timeouts) << c.name;
        // The operator sees the screen before every wait.
        EXPECT_EQ(terminal.shown, static_cast<int>(c.timeouts.size())) << c.name;
        codes after;
        while (pressed && (pressed = console_detail::read_terminal_key(keys, terminal, esc_wait,
                                                                       c.sequence_wait))) {
            codes more = key_table_rows::reads(console_detail::code_for(*pressed));
            after.insert(after.end(), more.begin(), more.end());
        }
        EXPECT_EQ(after, c.after) << c.name;
    }
}

namespace {

// The codes of a description's key: as the table gives them; function keys
// from 13 on as Shift and then Ctrl with F1 to F12 (or none, where the
// description numbers them otherwise); the keypad's as any of its codes.
// clang-format off
const std::pair<std::string_view, codes> named_codes[] = {
    {"kcuu1", {0, 72}}, {"kcud1", {0, 80}}, {"kcub1", {0, 75}}, {"kcuf1", {0, 77}},
    {"knp", {0, 81}}, {"kpp", {0, 73}}, {"khome", {0, 71}}, {"kend", {0, 79}},
    {"kich1", {0, 82}}, {"kdch1", {0, 83}}, {"kent", {13}}, {"kcbt", {0, 15}},
    {"kLFT", {0, 75}}, {"kRIT", {0, 77}}, {"kri", {0, 72}}, {"kind", {0, 80}},
    {"kHOM", {0, 71}}, {"kEND", {0, 79}}, {"kNXT", {0, 81}}, {"kPRV", {0, 73}},
    {"kIC", {0, 82}}, {"kDC", {0, 83}},
};
// clang-format on

bool is_named(std::string_view name, const codes& got) {
    for (const auto& [n, c] : named_codes)
        if (n == name) return got == c;
    if (name.starts_with("kf")) {
        int i = std::stoi(std::string(name.substr(2))) - 1, block = i / 12;
        i %= 12;
        int code = i < 10 ? codes{59, 84, 94}[block] + i : 133 + 2 * block + (i - 10);
        return got == codes{0, code} || (block > 0 && got.empty());
    }
    return (got.size() == 1 && ((got[0] >= '0' && got[0] <= '9') || got[0] == '.')) ||
           got == codes{0, 76};  // the keypad: a digit, the point, 5 with NumLock off
}

}  // namespace

// Debian's terminfo database (ncurses-base and ncurses-term). A string the
// description gives several keys may be any of them but F1; so no string
// reads as F1 but kf1, and none as Esc (no key named here is Esc).
TEST(KeyDecoder, EveryKeyStringOfEveryDescriptionIsTheKeyItNames) {
    namespace fs = std::filesystem;
    std::vector<fs::path> entries;
    for (const char* folder : {"/lib/terminfo", "/usr/share/terminfo"}) {
        std::error_code e;
        for (auto it = fs::recursive_directory_iterator(folder, e);
             !e && it != fs::recursive_directory_iterator(); it.increment(e))
            if (it->is_regular_file() && !it->is_symlink()) entries.push_back(it->path());
    }
    if (entries.size() < 100) GTEST_SKIP() << "no terminfo database (Debian: ncurses-term)";

    std::map<std::string, std::array<int, 4>> tallies;  // right, shared, another, none
    std::vector<std::string> faults;
    int loaded = 0;
    for (const auto& path : entries) {
        auto entry = console_detail::terminfo::describe_file(path.string());
        if (!entry) continue;
        const auto& keys = entry->keys;
        ++loaded;
        // A description with 8-bit introducers is for a locale that is not UTF-8.
        bool utf8 = std::none_of(keys.begin(), keys.end(), [](const auto& k) {
            return static_cast<unsigned char>(k.bytes[0]) >= 0x80;
        });
        const described_keys described = describe_keys(keys, utf8);
        for (const auto& k : keys) {
            codes got = decode(k.bytes, &described);
            bool right = is_named(k.name, got), shared = false;
            for (const auto& o : keys)
                shared |= !right && o.bytes == k.bytes && o.name != "kf1" && is_named(o.name, got);
            ++tallies[std::string(k.name)][right ? 0 : shared ? 1 : got.empty() ? 3 : 2];
            std::string where = path.filename().string() + " " + std::string(k.name);
            if (!right && !shared) faults.push_back(where);
            for (std::size_t i = 1; i < k.bytes.size(); ++i)
                if (decode_split(k.bytes, i, &described) != got)
                    faults.push_back(where + " split at " + std::to_string(i));
        }
    }
    std::cout << loaded << " descriptions; per key: right, another key of the same string, "
              << "another key, nothing\n";
    for (const auto& [name, t] : tallies)
        std::cout << name << " " << t[0] << " " << t[1] << " " << t[2] << " " << t[3] << "\n";
    EXPECT_EQ(faults.size(), 0u) << faults.front();
}
