// The key table on its own: every key's four entries as a console key table
// gives them, and how a key event's modifiers and character choose among them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "key_table.h"
#include "key_table_rows.h"

using namespace console_detail;
using namespace key_table_rows;

namespace {

std::vector<int> chosen(key k, int modifiers, int character) {
    return reads(choose_code(k, modifiers, character));
}

}  // namespace

TEST(KeyTable, EveryKeyHasOneRow) {
    EXPECT_EQ(key_count, 89);
    std::set<key> seen;
    for (const auto& r : table) EXPECT_TRUE(seen.insert(r.k).second) << r.name << " twice";
    EXPECT_EQ(seen.size(), 89u);
}

TEST(KeyTable, EveryRowAndColumnAsTheConsoleGivesThem) {
    for (const auto& r : table) {
        key_entries row = key_row(r.k);
        EXPECT_EQ(reads(row.plain), reads(r.plain)) << r.name << " alone";
        EXPECT_EQ(reads(row.shift), reads(r.shift)) << r.name << " with Shift";
        EXPECT_EQ(reads(row.ctrl), reads(r.ctrl)) << r.name << " with Ctrl";
        EXPECT_EQ(reads(row.alt), reads(r.alt)) << r.name << " with Alt";
        EXPECT_EQ(row.plain.empty(), r.plain.kind == entry::empty || r.plain.kind == entry::event)
            << r.name;
        EXPECT_EQ(row.ctrl.empty(), r.ctrl.kind == entry::empty) << r.name;
        EXPECT_EQ(row.alt.empty(), r.alt.kind == entry::empty) << r.name;
        // Each column is what its modifier chooses, when the event has no
        // character to fall back on.
        if (r.plain.kind == entry::event) {
            int small = r.name[0] - 'A' + 'a';
            EXPECT_EQ(chosen(r.k, 0, small), std::vector<int>{small}) << r.name;
        } else {
            EXPECT_EQ(chosen(r.k, 0, 0), reads(r.plain)) << r.name;
        }
        EXPECT_EQ(chosen(r.k, mod_shift, 0), reads(r.shift)) << r.name;
        EXPECT_EQ(chosen(r.k, mod_ctrl, 0), reads(r.ctrl)) << r.name;
        EXPECT_EQ(chosen(r.k, mod_alt, 0), reads(r.alt)) << r.name;
    }
}

TEST(KeyTable, AltThenCtrlThenShiftChooseTheColumn) {
    const int all = mod_alt | mod_ctrl | mod_shift;
    EXPECT_EQ(chosen(key::f1, all, 0), (std::vector<int>{0, 104}));
    EXPECT_EQ(chosen(key::f1, mod_ctrl | mod_shift, 0), (std::vector<int>{0, 94}));
    EXPECT_EQ(chosen(key::left, mod_alt | mod_shift, 0), (std::vector<int>{0, 155}));
    EXPECT_EQ(chosen(key::tab, mod_shift, 9), (std::vector<int>{0, 15}));
    EXPECT_EQ(chosen(key::k, mod_alt | mod_ctrl, 11), (std::vector<int>{0, 37}));
    EXPECT_EQ(chosen(key::k, mod_ctrl | mod_shift, 11), (std::vector<int>{11}));
    // Shift makes a capital whatever the event says (Caps Lock with Shift).
    EXPECT_EQ(chosen(key::k, mod_shift, 'k'), (std::vector<int>{'K'}));
}

TEST(KeyTable, LettersAloneAndEmptyEntriesGiveTheEventsCharacter) {
    // Alone a letter is the event's character, small or capital (Caps Lock).
    EXPECT_EQ(chosen(key::q, 0, 'q'), (std::vector<int>{'q'}));
    EXPECT_EQ(chosen(key::q, 0, 'Q'), (std::vector<int>{'Q'}));
    // An empty entry falls back to the event's character, or gives nothing.
    EXPECT_EQ(chosen(key::slash, mod_ctrl, 31), (std::vector<int>{31}));
    EXPECT_EQ(chosen(key::slash, mod_ctrl, 0), (std::vector<int>{}));
    EXPECT_EQ(chosen(key::keypad_3, mod_alt, '3'), (std::vector<int>{'3'}));
    EXPECT_EQ(chosen(key::keypad_3, mod_alt, 0), (std::vector<int>{}));
    EXPECT_EQ(chosen(key::digit_5, mod_ctrl, 0), (std::vector<int>{}));
    // A full entry wins over the character.
    EXPECT_EQ(chosen(key::digit_2, mod_ctrl, '2'), (std::vector<int>{0, 3}));
    EXPECT_EQ(chosen(key::enter, mod_ctrl, 13), (std::vector<int>{10}));
}
